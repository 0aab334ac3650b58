// FlatResultSetGlobalInfo: the state one query shares among all operators
// of its tree: the connection, the statement's expression context, the
// root operator, and the abort check of long row loops. Table leaves open
// their cursors through it (the connection's openCursor with this object).
#pragma once

#include <cstdint>

#include "util/VxExport.h"
#include "util/VxStatus.h"

class FlatConnection;
class FlatCursor;
class FlatOpStreamGlobalInfo;
class FlatResultSet;

// Opens the tables of a query when no connection does it (tests, and
// engines that keep tables of their own).
class VX_EXPORT FlatTableOpener {
public:
    virtual ~FlatTableOpener() = default;
    [[nodiscard]] virtual VxStatus openTable(FlatCursor** cursor, const char* qualifier,
                                             const char* table, const char* options) = 0;
};

class VX_EXPORT FlatResultSetGlobalInfo {
public:
    // `connection` may be null for trees whose cursors are opened by the
    // caller (tests); `exprInfo` is the statement's expression context.
    FlatResultSetGlobalInfo(FlatConnection* connection, FlatOpStreamGlobalInfo* exprInfo)
        : connection_(connection), exprInfo_(exprInfo) {}
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

private:
    FlatConnection* connection_;
    FlatOpStreamGlobalInfo* exprInfo_;
    FlatResultSet* root_ = nullptr;
    FlatTableOpener* opener_ = nullptr;
    std::uint32_t abortCalls_ = 0;
    bool abortCheck_ = false;
};
