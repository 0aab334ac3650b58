// Or7Dictionary: queries on Oracle's data dictionary for the catalog
// functions.
//
// A query runs on a cursor of its own, parsed deferred, every column
// fetched as text 128 rows at a time; its rows are kept as texts (absent
// for NULL). The codes 1729 and 2019 (a database link that cannot be
// used) give an empty result rather than an error.
//
// The dictionary views come in two sets: the DBA views, which list every
// object and need the privilege to read them, and the ALL views, which
// list the objects the user may use. dictionaryPrefix answers the set to
// query: "sys.dba_" when "select 1 from sys.dba_catalog" parses, otherwise
// "sys.all_"; for the local database the answer is kept on the connection.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "util/VxStatus.h"

class Or7Connection;

using Or7DictionaryRow = std::vector<std::optional<std::string>>;

class Or7Dictionary {
public:
    explicit Or7Dictionary(Or7Connection& connection) : connection_(connection) {}

    // Runs `sql` and keeps its rows (replacing those of an earlier query).
    [[nodiscard]] VxStatus run(const std::string& sql);
    const std::vector<Or7DictionaryRow>& rows() const { return rows_; }

    // "sys.dba_" or "sys.all_" for the database of `link` ("" local).
    [[nodiscard]] VxStatus viewPrefix(const std::string& link, std::string* prefix);

    // `text` as an SQL literal (quotes doubled).
    static std::string quote(const std::string& text);

private:
    Or7Connection& connection_;
    std::vector<Or7DictionaryRow> rows_;
};
