// FlatResultSetGlobalInfo: the state one query shares among all operators
// of its tree: the connection, the statement's expression context, the
// root operator, and the abort check of long row loops. Table leaves open
// their cursors through it (the connection's openCursor with this object).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "flat/FlatRowSource.h"
#include "util/VxExport.h"
#include "util/VxStatus.h"

class FlatConnection;
class FlatCursor;
class FlatOpStreamGlobalInfo;
class FlatResultSet;
class FlatResultSetColumn;

// Opens the tables of a query when no connection does it (tests, and
// engines that keep tables of their own).
class VX_EXPORT FlatTableOpener {
public:
    virtual ~FlatTableOpener() = default;
    [[nodiscard]] virtual VxStatus openTable(FlatCursor** cursor, const char* qualifier,
                                             const char* table, const char* options) = 0;
};

// It also holds the query's sub-queries (each a tree of its own, numbered
// from 1 in the order the parser met them) and answers the expressions
// that read them. A correlated sub-query is run again from its first row
// each time an expression opens it, so that references to the current rows
// of the enclosing query take their present values. Any other one gives the
// same rows every time during one execution: its rows are kept in memory as
// they are first read (up to SUBQUERY_CACHE_BYTES of values) and read again
// from there, and its tree is read on only where earlier passes stopped.
class VX_EXPORT FlatResultSetGlobalInfo : public FlatSubQuerySource {
public:
    // `connection` may be null for trees whose cursors are opened by the
    // caller (tests); `exprInfo` is the statement's expression context.
    FlatResultSetGlobalInfo(FlatConnection* connection, FlatOpStreamGlobalInfo* exprInfo)
        : connection_(connection), exprInfo_(exprInfo) {}
    ~FlatResultSetGlobalInfo() override;
    FlatResultSetGlobalInfo(const FlatResultSetGlobalInfo&) = delete;
    FlatResultSetGlobalInfo& operator=(const FlatResultSetGlobalInfo&) = delete;

    FlatConnection* getConnection() const { return connection_; }
    FlatOpStreamGlobalInfo* getExprInfo() const { return exprInfo_; }
    FlatResultSet* getRoot() const { return root_; }
    void setRoot(FlatResultSet* root) { root_ = root; }

    // Tables come from `opener` instead of the connection (not owned).
    void setTableOpener(FlatTableOpener* opener) { opener_ = opener; }
    FlatTableOpener* getTableOpener() const { return opener_; }
    // Opens a table through the opener, else the connection
    // (FlatConnection::openCursor).
    [[nodiscard]] VxStatus openCursor(FlatCursor** cursor, const char* qualifier, const char* table,
                                      const char* options);

    // Called once per row by row loops. With abort checking on, every
    // 128th call (the 1st, 129th, ...) asks the operating-system layer
    // whether the user asked to abort; then raises 4018 and fails.
    [[nodiscard]] VxStatus checkAbort();
    void setAbortCheck(bool on) { abortCheck_ = on; }

    // An operator whose current row is served from values it kept, with
    // the operators and cursors below it not standing on that row (null
    // when there is none). Whoever reads the tables' current records
    // directly (field values, the ROWID, positioned changes) first calls
    // attachRow, which positions them through the row's handle.
    void setDetachedRow(FlatResultSet* op) { detached_ = op; }
    FlatResultSet* getDetachedRow() const { return detached_; }
    [[nodiscard]] VxStatus attachRow();

    // Takes `root` (owned from now on) as the next sub-query; `value` is
    // the column an expression reads from its rows.
    [[nodiscard]] VxStatus addSubQuery(FlatResultSet* root, FlatResultSetColumn* value,
                                       bool correlated, std::uint16_t* number);
    // Deletes every sub-query.
    void releaseSubQueries();
    // Closes the open sub-queries (the statement is closed or executed
    // again).
    [[nodiscard]] VxStatus closeSubQueries();

    [[nodiscard]] VxStatus openSubQuery(std::uint16_t number) override;
    std::unique_ptr<FlatSubQueryValues>* subQueryValues(std::uint16_t number) override;
    [[nodiscard]] VxStatus fetchSubQueryRow(std::uint16_t number, bool* atEnd) override;
    [[nodiscard]] VxStatus getSubQueryValue(std::uint16_t number, FlatDataValue* value,
                                            short* sqlType) override;

    // Bytes of kept values past which a sub-query is run again instead.
    static constexpr std::size_t SUBQUERY_CACHE_BYTES = 16u << 20;

private:
    // One kept row of an uncorrelated sub-query; `read` is false until an
    // expression asked for its value.
    struct KeptRow {
        std::unique_ptr<unsigned char[]> bytes;
        std::uint32_t length = 0;
        short storageType = 0;
        short sqlType = 0;
        bool null = false;
        bool read = false;
    };
    struct SubQuery {
        FlatResultSet* root;
        FlatResultSetColumn* value;
        bool open;
        bool started; // fetchFirst done since it was opened
        bool correlated;
        bool keeping;         // rows are being kept (uncorrelated, within the limit)
        bool rootDone;        // the tree has given its last row
        std::size_t position; // current kept row + 1 (0: before the first)
        std::size_t keptBytes;
        std::vector<KeptRow> kept;
        std::unique_ptr<FlatSubQueryValues> values; // gathered for IN (uncorrelated only)
    };
    SubQuery* findSubQuery(std::uint16_t number);
    // Stops keeping rows: later passes run the tree again.
    static void stopKeeping(SubQuery* sub);

    std::vector<SubQuery> subQueries_;
    FlatConnection* connection_;
    FlatOpStreamGlobalInfo* exprInfo_;
    FlatResultSet* root_ = nullptr;
    FlatResultSet* detached_ = nullptr;
    FlatTableOpener* opener_ = nullptr;
    std::uint32_t abortCalls_ = 0;
    bool abortCheck_ = false;
};
