// FlatSelectExpr: choosing how a select-list column gets its value.
#include "flat/FlatSelectExpr.h"

#include "error/FlatErrors.h"

VxStatus FlatSelectExpr::evaluate(FlatDataValue* value) {
    if (subResult_)
        return subResult_->evaluate(value);
    if (paramNumber_ == 0)
        return stream_.evaluate(value);
    FlatParamSource* source = info_->getParamSource();
    FlatDataValue param;
    short sqlType = 0;
    bool provided = false;
    if (source && source->getParamValue(paramNumber_, &param, &sqlType, &provided) != VX_SUCCESS)
        return VX_ERROR;
    if (!provided) {
        addFlatError(FLAT_MSG_PARAM_NO_VALUE);
        return VX_ERROR;
    }
    if (param.isNull()) {
        value->setStorageType(param.getStorageType());
        value->setNull();
        return VX_SUCCESS;
    }
    return value->setValueCopy(param.getValueBuffer(), param.getLength(), param.getStorageType());
}
