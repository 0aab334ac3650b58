// BaseCatalogCall: the steps every catalog function takes on its
// statement, inside the statement's entrance and exit.
//
//   1. open: a statement with an open cursor (state 6) is refused with
//      24000; any other state is reset to 0; the catalog object becomes
//      the statement's catalog result and the prepare mode PREPARE_CATALOG.
//   2. setName for each name argument: quotes and escapes handled, the
//      length checked against the driver's limit (S1090, 6016-6020).
//   3. complete with the hook's status: a hook that failed without saying
//      why is S1C00; otherwise the rows are completed (finish) and the
//      statement opens its cursor (state 6).
//   4. result: any failure returns the statement to state 0 without a
//      catalog result.
#pragma once

#include <sql.h>

#include "base/BaseCatalogInfo.h"
#include "base/BaseStatement.h"

// Which limit a name argument is checked against.
enum class BaseCatalogNameKind { QUALIFIER, OWNER, TABLE, COLUMN, PROCEDURE };

class BaseCatalogCall {
public:
    explicit BaseCatalogCall(BaseStatement& statement) : statement_(statement) {}

    // Takes `info` (null: memory ran out) and installs it.
    [[nodiscard]] VxStatus open(BaseCatalogInfo* info);
    [[nodiscard]] VxStatus setName(std::uint16_t slot, const SQLCHAR* text, SQLSMALLINT length,
                                   BaseCatalogNameKind kind);
    // Step 3 with the status the hook returned.
    [[nodiscard]] VxStatus complete(VxStatus hookStatus);
    // Step 4: the ODBC return code of the call.
    SQLRETURN result(VxStatus status);

    BaseCatalogInfo* info() const { return info_; }
    BaseStatement& statement() const { return statement_; }

    // Whether the statement's list holds an error (not just warnings).
    static bool errorRaised(BaseStatement& statement);
    // An integer information value (0 when there is none).
    static std::uint32_t infoNumber(BaseConnection& connection, unsigned short infoType);
    // The first character of a text information value (0 when none).
    static char infoChar(BaseConnection& connection, unsigned short infoType);

private:
    BaseStatement& statement_;
    BaseCatalogInfo* info_ = nullptr;
};

// SQLColumns' rows into `columns`, the statement's catalog result: the
// driver's executeColumns, or, when that gives no answer for an exact
// table, the columns of each table the driver's SQLTables search finds,
// described by preparing "SELECT * FROM" the table. Not yet finished.
[[nodiscard]] VxStatus baseGatherColumns(BaseStatement& statement, BaseColumnsInfo& columns);
// SQLColumns and SQLSpecialColumns after their arguments are checked.
[[nodiscard]] VxStatus baseRunColumns(BaseCatalogCall& catalog);
[[nodiscard]] VxStatus baseRunSpecialColumns(BaseCatalogCall& catalog);
