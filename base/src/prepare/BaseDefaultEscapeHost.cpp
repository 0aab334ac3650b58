#include "base/BaseDefaultEscapeHost.h"

#include "base/BaseEscapeRewrite.h"
#include "util/VxReplaceString.h"
#include "util/VxString.h"

BaseEscapeHost::~BaseEscapeHost() = default;

namespace {

// Writes the `argLength` argument bytes enclosed in apostrophes behind
// `prefix`, and reads them.
VxStatus writeQuoted(VxReplaceString& text, unsigned long argLength, const char* prefix) {
    // The rest moves when the output grows: quote a copy.
    VxString value;
    if (value.initialize(text.data(), argLength) != VX_SUCCESS ||
        text.addBytes(prefix) != VX_SUCCESS ||
        text.addQuotedBytes(value.data(), value.length(), '\'') != VX_SUCCESS)
        return VX_ERROR;
    text.skip(static_cast<std::uint32_t>(argLength));
    return VX_SUCCESS;
}

} // namespace

VxStatus BaseDefaultEscapeHost::expandNativeEscape(VxReplaceString* text, unsigned long argLength,
                                                   EscapeType type, EscapeFunctionType function) {
    switch (type) {
    case ESCAPE_DATE:
    case ESCAPE_TIME:
    case ESCAPE_TIMESTAMP:
        return writeQuoted(*text, argLength, "");
    case ESCAPE_BINARY:
        return writeQuoted(*text, argLength, "X");
    case ESCAPE_FUNCTION:
        return text->addBytes(baseEscapeFunctionName(function));
    case ESCAPE_OUTER_JOIN:
        if (outerJoinStyle_ < 0)
            return VX_SUCCESS;
        return processOuterJoinEscape(text, argLength,
                                      static_cast<BaseOuterJoinTypes>(outerJoinStyle_), options_);
    case ESCAPE_LIKE:
        return text->addBytes("ESCAPE ");
    case ESCAPE_CALL:
        return text->addBytes("CALL ");
    case ESCAPE_CALL_RETURN:
        return text->addBytes("? = CALL ");
    case ESCAPE_BIT:
    default:
        return VX_SUCCESS;
    }
}
