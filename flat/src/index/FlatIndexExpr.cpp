// FlatIndexExpr: key and filter expressions of an index over one table.
#include "flat/FlatIndexExpr.h"

#include "base/BaseErrors.h"
#include "flat/FlatExprType.h"
#include "flat/FlatOpStreamBuilder.h"
#include "flat/FlatSharedDesc.h"
#include "flat/FlatSharedField.h"
#include "parse/FlatExprCompiler.h"
#include "parse/FlatParamList.h"

namespace {

// The columns of one table description, as table 1.
class DescScope : public FlatNameScope {
public:
    explicit DescScope(FlatSharedDesc* desc) : desc_(desc) {}
    VxStatus findColumn(const char*, const char* name, FlatColumnRef* ref, bool* found) override {
        const std::uint16_t field = desc_->findField(name);
        *found = field != FlatSharedDesc::FIELD_NOT_FOUND && field != FlatSharedDesc::FIELD_ROWID;
        if (!*found)
            return VX_SUCCESS;
        const FlatSharedField* shared = desc_->getField(field);
        ref->tableNumber = 1;
        ref->field = field;
        ref->sqlType = shared->getSqlType();
        ref->precision = shared->getPrecision();
        ref->scale = static_cast<short>(shared->getScale());
        ref->nullable = shared->getNullable();
        return VX_SUCCESS;
    }
    FlatNameScope* getOuterScope() override { return nullptr; }

private:
    FlatSharedDesc* desc_;
};

} // namespace

VxStatus FlatIndexExpr::compile(FlatSharedDesc* desc, const char* text) {
    FlatParamList params;
    if (params.scan(text) != VX_SUCCESS)
        return VX_ERROR;
    DescScope scope(desc);
    FlatExprCompiler compiler(&params, &scope);
    FlatExprOptions options;
    FlatOpStreamBuilder builder;
    FlatExprResult result;
    if (compiler.compile(text, options, &builder, &result) != VX_SUCCESS)
        return VX_ERROR;
    ops_.assign(builder.getOps(), builder.getOps() + builder.getLength());
    resultType_ = result.type;
    field_ = result.isColumn ? result.column.field : FIELD_NONE;
    return VX_SUCCESS;
}

VxStatus FlatIndexExpr::compile(FlatSharedDesc* desc, std::uint16_t field) {
    const FlatSharedField* shared =
        desc && field < desc->getFieldCount() ? desc->getField(field) : nullptr;
    if (!shared) {
        addOdbcError(ODBC_S1000);
        return VX_ERROR;
    }
    FlatOpStreamBuilder builder;
    builder.addField(1, field);
    if (builder.getStatus() != VX_SUCCESS)
        return VX_ERROR;
    ops_.assign(builder.getOps(), builder.getOps() + builder.getLength());
    resultType_ = shared->getSqlType();
    field_ = field;
    return VX_SUCCESS;
}
