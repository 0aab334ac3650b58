#include "TstParams.h"

#include <sqlext.h>

#include "base/BaseConvert.h"
#include "base/BaseConvertC.h"
#include "base/BaseStatement.h"

VxStatus TstParams::receive(BaseStatement& statement, unsigned short param, const void* data,
                            SQLLEN length, ParamBindChunkType chunk) {
    if (chunk == PARAM_CHUNK_FIRST || chunk == PARAM_CHUNK_NEXT) {
        if (chunk == PARAM_CHUNK_FIRST)
            pieces_[param].clear();
        pieces_[param].append(static_cast<const char*>(data), static_cast<std::size_t>(length));
        return VX_SUCCESS;
    }
    if (chunk == PARAM_CHUNK_LAST)
        return convert(statement, param, pieces_[param]);
    if (data == nullptr) {
        values_[param] = length == SQL_DEFAULT_PARAM ? "DEFAULT" : "NULL";
        return VX_SUCCESS;
    }
    return convert(statement, param,
                   std::string(static_cast<const char*>(data),
                               length < 0 ? 0 : static_cast<std::size_t>(length)));
}

VxStatus TstParams::convert(BaseStatement& statement, unsigned short param,
                            const std::string& bytes) {
    BaseParam* p = statement.getParam(param);
    if (p == nullptr)
        return VX_ERROR;
    InternalType type = baseSqlTypeInternal(p->sqlType_);
    if (type == INTERNAL_CHAR && p->cType_ == SQL_C_CHAR) {
        values_[param] = bytes;
        return VX_SUCCESS;
    }
    char internal[512];
    SQLLEN produced = 0;
    if (statement.convertCToInternal(param, p->cType_, bytes.data(),
                                     static_cast<SQLLEN>(bytes.size()), type, internal,
                                     sizeof internal, &produced) != VX_SUCCESS)
        return VX_ERROR;
    char text[1100];
    SQLLEN textLength = 0;
    bool dateType = type == INTERNAL_DATE || type == INTERNAL_TIME || type == INTERNAL_TIMESTAMP;
    short scale = type == INTERNAL_TIMESTAMP ? p->scale_ : 0;
    VxStatus status = dateType ? BaseConvertDateTime(type, internal, produced, INTERNAL_CHAR, text,
                                                     &textLength, sizeof text, scale, 0)
                               : BaseConvertNum(type, internal, produced, INTERNAL_CHAR, text,
                                                &textLength, sizeof text, scale, 0);
    if (status != VX_SUCCESS)
        return VX_ERROR;
    values_[param].assign(text, static_cast<std::size_t>(textLength));
    return VX_SUCCESS;
}

std::string TstParams::report() const {
    std::string out;
    for (const auto& entry : values_) {
        if (!out.empty())
            out += ' ';
        out += std::to_string(entry.first) + "=" + entry.second;
    }
    return out;
}
