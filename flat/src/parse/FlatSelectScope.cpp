// FlatSelectScope: column lookup over the FROM list's cursors.
#include "parse/FlatSelectScope.h"

#include <sql.h>

#include "error/FlatErrors.h"
#include "flat/FlatCursor.h"
#include "flat/FlatTableAccess.h"
#include "util/VxArray.h"

namespace {

// The ROWID pseudo-column.
constexpr std::uint32_t ROWID_PRECISION = 10;

} // namespace

VxStatus FlatSelectScope::findColumn(const char* qualifier, const char* name, FlatColumnRef* ref,
                                     bool* found) {
    *found = false;
    std::uint16_t count = tables_->getCount();
    if (visible_ && visible_ < count)
        count = visible_;
    for (std::uint16_t i = first_; i < count; ++i) {
        auto* table = static_cast<FlatTableAccess*>(tables_->get(i));
        if (qualifier && !table->isNamed(qualifier))
            continue;
        FlatCursor* cursor = table->getCursor();
        std::uint16_t field = cursor->findField(name);
        if (field == FlatCursor::FIELD_NOT_FOUND)
            continue;
        if (*found) {
            addFlatError(3929) << name;
            return VX_ERROR;
        }
        *found = true;
        ref->tableNumber = table->getTableNumber();
        ref->field = field;
        if (field == FlatCursor::FIELD_ROWID) {
            ref->sqlType = SQL_DECIMAL;
            ref->precision = ROWID_PRECISION;
            ref->scale = 0;
            ref->nullable = SQL_NO_NULLS;
            continue;
        }
        ref->sqlType = cursor->getFieldSqlType(field);
        ref->precision = cursor->getFieldPrecision(field);
        ref->scale = static_cast<short>(cursor->getFieldScale(field));
        ref->nullable = cursor->getFieldNullable(field);
        ref->estimatedLimit = cursor->getFieldEstimatedLimit(field);
    }
    return VX_SUCCESS;
}
