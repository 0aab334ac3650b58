// FlatSelectDesc: the descriptor of a SELECT. parse compiles the text
// into a tree of result-set operators (table accesses joined by nested
// loops, the WHERE terms placed on the lowest operator that sees all
// their tables, grouping, a projection of the select list, DISTINCT,
// UNION and ORDER BY sorts, and a scrolling operator on top when rows
// must be reached by number); execute opens the tree;
// getNextRecord and getRandomRow move through its rows; getData delivers
// the select list's values through the framework's conversions.
//
// The descriptor is the expression evaluator's row source: field
// references of its op streams name a table of its FROM lists
// ((scope level << 16) | table number from 1, numbered on across the
// SELECTs of a union). Parameters come from the
// statement (FlatStatement is the FlatParamSource).
#pragma once

#include <sql.h>

#include <cstdint>
#include <vector>

#include "flat/FlatDescriptor.h"
#include "flat/FlatOpStreamGlobalInfo.h"
#include "flat/FlatResultSetGlobalInfo.h"
#include "flat/FlatRowSource.h"
#include "util/VxArray.h"

class FlatCursor;
class FlatParamList;
class FlatProjection;
class FlatResultSet;
class FlatTableAccess;

// Parse-mode flags of the SELECT parser.
enum FlatSelectMode : unsigned {
    FLAT_SELECT_RANDOM = 0x001,        // a scrolling operator on top
    FLAT_SELECT_NO_ORDER_BY = 0x002,   // sub-queries: ORDER BY refused (3997)
    FLAT_SELECT_NO_FOR_UPDATE = 0x004, // FOR UPDATE OF refused (3997)
    FLAT_SELECT_NO_GROUP_BY = 0x008,   // GROUP BY refused (3859)
    FLAT_SELECT_NO_UNION = 0x010,      // UNION refused (3859)
    FLAT_SELECT_ONE_COLUMN = 0x100,    // scalar sub-query: one column (3995)
    FLAT_SELECT_CURRENT_OF = 0x200,    // WHERE CURRENT OF allowed
};

class VX_EXPORT FlatSelectDesc : public FlatDescriptor, public FlatRowSource {
public:
    explicit FlatSelectDesc(FlatStatement* statement);
    ~FlatSelectDesc() override;

    // ---- FlatDescriptor ----
    [[nodiscard]] VxStatus addTablesToList(VxArray* list) override;
    void dump(char* out, std::size_t size) override;
    [[nodiscard]] VxStatus execute() override;
    [[nodiscard]] VxStatus getNextRecord(unsigned short* atEnd) override;
    [[nodiscard]] VxStatus getRandomRow(SQLULEN row, unsigned short* atEnd,
                                        unsigned int lock) override;
    [[nodiscard]] VxStatus getData(unsigned short column, short cType, BaseOutString* out) override;
    // The ROWID of the current row of the first table.
    [[nodiscard]] VxStatus getRowId(double* rowId) override;
    // Parses with the mode the statement asks for: FLAT_SELECT_RANDOM when
    // the connection's deferred evaluation is off or the cursor type is
    // not forward-only.
    [[nodiscard]] VxStatus parse(const char* sql) override;
    [[nodiscard]] VxStatus setToPreparedState() override;
    std::uint16_t getNumResultCols() override;
    [[nodiscard]] VxStatus describeColumn(std::uint16_t column, FlatColumnInfo* info) override;
    bool isParamLegal(std::uint16_t number) override;
    // SQLSetPos on a one-table SELECT (FlatSelectRowOps.cpp).
    [[nodiscard]] VxStatus abortRowModification() override;
    [[nodiscard]] VxStatus deleteRow() override;
    [[nodiscard]] VxStatus insertRow() override;
    [[nodiscard]] VxStatus lockRow() override;
    [[nodiscard]] VxStatus prepareForInsert() override;
    [[nodiscard]] VxStatus prepareForUpdate() override;
    [[nodiscard]] VxStatus updateColumn(unsigned short column, FlatDataValue* value) override;
    [[nodiscard]] VxStatus updateRow() override;

    // ---- FlatRowSource ----
    [[nodiscard]] VxStatus getFieldValue(std::uint32_t tableRef, std::uint16_t field,
                                         FlatDataValue* value, short* sqlType) override;

    // ---- Engine interface ----
    // Parses in the given mode (FlatSelectMode flags). Nothing of a failed
    // parse remains.
    [[nodiscard]] VxStatus parseSelect(const char* sql, unsigned mode);
    // Evaluates result column `column` (from 1) of the current row.
    [[nodiscard]] VxStatus getColumnValue(std::uint16_t column, FlatDataValue* value,
                                          short* sqlType);
    // Number of parameter markers and the SQL type each one's use gave it
    // (FLAT_TYPE_PARAM when none).
    std::uint16_t getParamCount() const;
    short getParamType(std::uint16_t number) const;
    // Tables when there is no connection (set before parse; not owned).
    void setTableOpener(FlatTableOpener* opener) { resultInfo_.setTableOpener(opener); }
    // Parameter values when there is no statement (not owned).
    void setParamSource(FlatParamSource* source) { exprInfo_.setParamSource(source); }

    FlatResultSet* getRoot() const { return root_; }
    FlatOpStreamGlobalInfo* getExprInfo() { return &exprInfo_; }
    FlatResultSetGlobalInfo* getResultInfo() { return &resultInfo_; }
    // The FROM list's tables, by number from 1 (null beyond the count).
    FlatTableAccess* getTable(std::uint16_t number) const;
    std::uint16_t getTableCount() const { return tables_.getCount(); }
    // The tables of the statement's own FROM list, without those of its
    // sub-selects.
    std::uint16_t getFromTableCount() const { return fromTables_; }
    // Row number of the current row (0 before the first).
    SQLULEN getPosition() const { return position_; }

private:
    // getFieldValue's work; `sqlType` may be null when the type is not wanted.
    [[nodiscard]] VxStatus readField(std::uint32_t tableRef, std::uint16_t field,
                                     FlatDataValue* value, short* sqlType);
    void release();
    FlatCursor* rowCursor();
    [[nodiscard]] VxStatus rewind();

    FlatOpStreamGlobalInfo exprInfo_;
    FlatResultSetGlobalInfo resultInfo_;
    FlatParamList* params_ = nullptr;
    FlatResultSet* root_ = nullptr;
    FlatProjection* projection_ = nullptr;
    VxArray tables_{4, false};
    std::uint16_t fromTables_ = 0;
    SQLULEN position_ = 0;
    bool started_ = false;
    bool atEnd_ = false;
    std::vector<unsigned char> rowHandle_; // the record SQLSetPos is updating (locked)
};
