// TxtSharedDesc: the description of one text table that every cursor of a
// connection opened on it shares: the open file, the table's layout (type,
// delimiter, first-line names, columns), the offset of the first record,
// and the table options the query named it with.
//
// A description is reused only for the same file (full path) named with
// the same table options; the same file under other options, or another
// file whose name differs only in its extension, is another table.
//
// Opening (open) does all its work before the description joins the
// connection's list, so a failure leaves nothing behind; a description in
// the list is always complete (DESC_OPENED). The file stays open until the
// description is destroyed.
//
// The description is the table's changes log too (FlatChangesFile): while
// the connection is in manual-commit mode, inserts are logged and written
// to the file only at commit.
#pragma once

#include <cstddef>
#include <cstdint>

#include "define/TxtTableSource.h"
#include "flat/FlatChangesFile.h"
#include "guess/TxtGuessResult.h"
#include "util/VxString.h"

class FlatConnection;
class FlatFileCursor;

class TxtSharedDesc : public FlatChangesFile {
public:
    explicit TxtSharedDesc(FlatConnection* connection);
    ~TxtSharedDesc() override;

    // The complete description of `connection` for the file `path` named
    // with `options` (null when none), or null. Caller holds the
    // connection's semaphore.
    static TxtSharedDesc* find(FlatConnection* connection, const char* path, const char* options);

    // Opens the file of `source` (read-write, else read-only; read-only
    // when `readOnly`), takes its layout and columns, then links the
    // description into its connection's list bound to `cursor`. Errors:
    // the file's (SQLSTATE S0002 when it does not exist), the layout's.
    [[nodiscard]] VxStatus open(TxtTableSource& source, const char* options, bool readOnly,
                                FlatFileCursor* cursor);

    const TxtGuessResult& getLayout() const { return layout_; }
    int getHandle() const { return handle_; }
    std::int64_t getDataStart() const { return dataStart_; }
    bool hasFirstLineNames() const { return layout_.firstLineNames; }
    TxtTableType getTableType() const { return layout_.tableType; }
    char getDelimiter() const { return layout_.delimiter; }
    // Whether the query named the table with table options.
    bool hasTableOptions() const { return hasOptions_; }

private:
    [[nodiscard]] VxStatus openFile(const char* path, bool readOnly);
    [[nodiscard]] VxStatus addColumns();
    bool matches(const char* path, const char* options) const;

    TxtGuessResult layout_;
    VxString options_; // the query's table options; empty when none
    bool hasOptions_ = false;
    int handle_ = 0;
    std::int64_t dataStart_ = 0;
};
