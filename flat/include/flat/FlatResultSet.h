// FlatResultSet: the abstract result-set operator. A prepared SELECT is a
// tree of them: leaves read tables through cursors, inner operators join,
// filter, compute the select list and make the result scrollable.
//
// Rows are never copied between operators: every operator can name its
// current row with a fixed-length row handle (getRowHandleSize bytes) and
// return to a row from its handle.
//
// Life of a tree: built at prepare; open before each execution (leaves
// rewind their cursors); fetchFirst, then fetchNext until *eof;
// fetchByRowHandle returns to a row seen before; close ends the
// execution (materialised rows are dropped). A failure leaves the
// operator undefined until the next fetchFirst.
#pragma once

#include <cstddef>
#include <cstdint>

#include "flat/FlatQueryCost.h"
#include "util/VxObject.h"
#include "util/VxStatus.h"

class FlatOpStream;
class FlatOptPlan;
class FlatResultSetColumn;
class FlatResultSetGlobalInfo;
class VxArray;
class VxString;

// Status of a positioning by handle or by row number.
constexpr std::uint16_t FLAT_ROW_FOUND = 0;
constexpr std::uint16_t FLAT_ROW_NONE = 3;
// findColumn's answer when no column has the name.
constexpr std::uint16_t FLAT_NO_COLUMN = 0xFFFF;

// The conditions of one operator (a WHERE filter split into its AND
// terms): a row passes when every condition is true. Owns the streams.
class VX_EXPORT FlatConditionList {
public:
    FlatConditionList() = default;
    ~FlatConditionList();
    FlatConditionList(const FlatConditionList&) = delete;
    FlatConditionList& operator=(const FlatConditionList&) = delete;

    // Takes ownership of `condition` (also on failure).
    [[nodiscard]] VxStatus add(FlatOpStream* condition);
    std::size_t getCount() const { return count_; }
    FlatOpStream* get(std::size_t index) const { return items_[index]; }
    // Takes condition `index` out of the list (the caller owns it now).
    FlatOpStream* release(std::size_t index);
    bool isEmpty() const { return count_ == 0; }
    // *passes is true when every condition is true (NULL counts as false).
    [[nodiscard]] VxStatus evaluate(bool* passes);

private:
    FlatOpStream** items_ = nullptr;
    std::size_t count_ = 0;
    std::size_t capacity_ = 0;
};

class VX_EXPORT FlatResultSet : public VxObject {
public:
    explicit FlatResultSet(FlatResultSetGlobalInfo* info) : info_(info) {}
    ~FlatResultSet() override;
    FlatResultSet(const FlatResultSet&) = delete;
    FlatResultSet& operator=(const FlatResultSet&) = delete;

    // Prepares a new execution; the default opens every child.
    [[nodiscard]] virtual VxStatus open();
    // Ends an execution; the default closes every child.
    [[nodiscard]] virtual VxStatus close();

    // Makes the first / next row current; *eof when there is none.
    [[nodiscard]] virtual VxStatus fetchFirst(bool* eof) = 0;
    [[nodiscard]] virtual VxStatus fetchNext(bool* eof) = 0;

    virtual std::uint16_t getRowHandleSize() = 0;
    // Copies the current row's handle (getRowHandleSize bytes).
    [[nodiscard]] virtual VxStatus getRowHandle(unsigned char* handle) = 0;
    // Makes the row of `handle` current: *status FLAT_ROW_FOUND, or
    // FLAT_ROW_NONE when the row no longer exists.
    [[nodiscard]] virtual VxStatus fetchByRowHandle(const unsigned char* handle,
                                                    std::uint16_t* status) = 0;
    // Makes the current row all-NULL (on), or ends that (off).
    virtual void setNullRow(bool on);

    // Positions the operators below on the current row when it was served
    // from kept values (FlatResultSetGlobalInfo::attachRow); the default
    // has nothing to do.
    [[nodiscard]] virtual VxStatus attachRow() { return VX_SUCCESS; }

    // Operators that reach a row by its number (from 1).
    virtual bool isRandomAccess() const { return false; }
    // Makes row `row` current; *status FLAT_ROW_FOUND or FLAT_ROW_NONE. The
    // default raises driver-not-capable.
    [[nodiscard]] virtual VxStatus fetchRow(std::uint32_t row, std::uint16_t* status);

    // Result columns (from 0); the default has none.
    virtual std::uint16_t getColumnCount() const;
    virtual FlatResultSetColumn* getColumn(std::uint16_t n) const;
    // Column number of `name` (case-insensitive) or FLAT_NO_COLUMN.
    std::uint16_t findColumn(const char* name) const;

    // Children, for walks over the tree.
    virtual std::uint16_t getChildCount() const { return 0; }
    virtual FlatResultSet* getChild(std::uint16_t n) const;

    // Adds the shared descriptions of the tables below (ascending, once).
    [[nodiscard]] virtual VxStatus addTablesToList(VxArray* list);
    // Writes this operator and its children into a plan listing: a title
    // line indented by `indent` blanks, its own parts, the listing's cost
    // and column blocks (FlatOptPlan), a rule of 40 "-", then the children
    // indented 5 further. Lines end with "\r\n".
    [[nodiscard]] virtual VxStatus dump(FlatOptPlan* plan, unsigned indent);
    virtual const char* getTitle() const = 0;

    FlatResultSetGlobalInfo* getGlobalInfo() const { return info_; }

    // ---- Planning (plan/FlatResultSetCost.cpp) ----
    // Sets how often the parent runs this operator, drops the cached costs
    // and passes the profile on to the children as this operator uses them.
    virtual void setExeProfile(const FlatQueryExeProfile& profile);
    const FlatQueryExeProfile& getExeProfile() const { return profile_; }
    // Estimates, computed on first request and cached.
    virtual std::uint32_t getNumRows();
    virtual float getExecutionCost();
    virtual float getFetchAllCost();
    virtual float getRepositionCost();
    // NumExecution x Execution + NumFetchAll x FetchAll + NumReposition x
    // Reposition.
    float getTotalCost();
    // Drops the cached costs of this operator and of every one below.
    void clearCosts();

protected:
    // Fills cost_ (computed once per profile); the default recognises the
    // engine's operators by their kind.
    virtual void computeCost();
    // Writes the operator's own parts after its title; the default none.
    [[nodiscard]] virtual VxStatus dumpParts(VxString* out, unsigned indent);

    FlatResultSetGlobalInfo* info_;
    FlatQueryCost cost_;
    FlatQueryExeProfile profile_;
};
