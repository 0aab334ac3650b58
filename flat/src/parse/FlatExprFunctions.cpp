// FlatExprCompiler: scalar-function calls.
#include <cmath>
#include <cstring>

#include "base/BaseErrors.h"
#include "error/FlatErrors.h"
#include "flat/FlatDate.h"
#include "flat/FlatExprType.h"
#include "flat/FlatFunctionTable.h"
#include "parse/FlatExprCompiler.h"
#include "parse/FlatExprInternal.h"

using flatexpr::compatible;
using flatexpr::makeOperand;

namespace {

constexpr unsigned MAX_ARGUMENTS = 4;
// Length of a SPACE result whose count is not a constant.
constexpr std::uint32_t UNKNOWN_STRING_LENGTH = 255;

VxStatus functionError(unsigned short id, const FlatSqlToken& name) {
    addFlatSyntaxError(id) << name.text();
    return VX_ERROR;
}

short letterType(char letter) {
    switch (letter) {
    case 'C':
        return FLAT_TYPE_VARCHAR;
    case 'N':
        return FLAT_TYPE_DOUBLE;
    case 'D':
        return FLAT_TYPE_DATE;
    case 'L':
        return FLAT_TYPE_BIT;
    default:
        return FLAT_TYPE_PARAM;
    }
}

std::uint32_t constantCount(double value) {
    if (!(value > 0))
        return 0;
    return value > 65535 ? 65535 : static_cast<std::uint32_t>(value);
}

VxStatus syntaxError3922() {
    addFlatSyntaxError(3922);
    return VX_ERROR;
}

void addOdbcErrorNotCapable() {
    addOdbcError(ODBC_S1C00);
}

bool isMinMax(const FlatSqlToken& name) {
    return name.is("MIN") || name.is("MAX");
}

} // namespace

VxStatus FlatExprCompiler::readArguments(unsigned depth, Operand* args, unsigned capacity,
                                         unsigned* count) {
    FlatSqlToken token;
    if (lexer_->next(&token, FLAT_TOKEN_OPERATOR) != VX_SUCCESS) // "("
        return VX_ERROR;
    if (lexer_->peekChar() == ')') {
        if (lexer_->next(&token, FLAT_TOKEN_OPERATOR) != VX_SUCCESS)
            return VX_ERROR;
    } else {
        for (;;) {
            Operand arg{};
            if (compileLevel(depth + 1, false, &arg) != VX_SUCCESS)
                return VX_ERROR;
            if (*count < capacity)
                args[*count] = arg;
            ++*count;
            if (lexer_->next(&token, FLAT_TOKEN_OPERATOR) != VX_SUCCESS)
                return VX_ERROR;
            if (token.isChar(')'))
                break;
            if (!token.isChar(','))
                return syntaxError3922();
        }
    }
    return VX_SUCCESS;
}

std::uint32_t FlatExprCompiler::resultLength(const FlatFunctionEntry& entry, const Operand* args,
                                             unsigned count) {
    std::uint32_t length = 8;
    switch (entry.resultLength) {
    case FLAT_LENGTH_OF_ARG:
        length = count ? args[0].length : 0;
        break;
    case FLAT_LENGTH_FROM_CONST:
        if (entry.opcode == FLAT_OP_SPACE)
            length = args[0].isConstant ? constantCount(args[0].constant) : UNKNOWN_STRING_LENGTH;
        else
            length = args[1].isConstant ? constantCount(args[1].constant) : args[0].length;
        break;
    case FLAT_LENGTH_STR_WIDTH:
        length = count >= 2 && args[1].isConstant ? constantCount(args[1].constant) : 10;
        break;
    case FLAT_LENGTH_COMMON:
        if (count >= 2)
            length = args[count - 2].length > args[count - 1].length ? args[count - 2].length
                                                                     : args[count - 1].length;
        break;
    default:
        length = static_cast<std::uint32_t>(entry.resultLength);
        break;
    }
    return length;
}

VxStatus FlatExprCompiler::readFunction(const FlatSqlToken& name, unsigned depth, Operand* out) {
    const FlatFunctionEntry* entry = flatFindFunction(name.text(), name.length());
    if (!entry)
        return functionError(3920, name);
    Operand args[MAX_ARGUMENTS] = {};
    unsigned count = 0;
    if (readArguments(depth, args, MAX_ARGUMENTS, &count) != VX_SUCCESS)
        return VX_ERROR;
    if (isMinMax(name) && count == 1) {
        if (!options_.aggregatesAllowed) {
            if (options_.aggregateRefusal == 3972)
                addFlatSyntaxError(3972) << name.text();
            else
                addFlatSyntaxError(options_.aggregateRefusal);
            return VX_ERROR;
        }
        addOdbcErrorNotCapable();
        return VX_ERROR;
    }
    if (count < flatRequiredArguments(*entry) || count > flatTotalArguments(*entry))
        return functionError(3927, name);
    const bool alternatives = entry->opcode == FLAT_OP_IIF || entry->opcode == FLAT_OP_IFNULL;
    for (unsigned i = 0; i < count; ++i) {
        char letter = flatArgumentLetter(*entry, i);
        if (!flatTypeFitsLetter(letter, args[i].type))
            return functionError(3926, name);
        typeParam(args[i], letterType(letter));
        // A parameter as one alternative takes the type of the other.
        if (alternatives && count >= 2 && i >= count - 2) {
            const Operand& other = args[i == count - 1 ? count - 2 : count - 1];
            if (other.param == 0)
                typeParam(args[i],
                          other.type == FLAT_TYPE_LITERAL ? FLAT_TYPE_VARCHAR : other.type);
            if (args[i].param)
                args[i].type = params_->getType(args[i].param);
        }
        if (checkParamKnown(args[i]) != VX_SUCCESS)
            return VX_ERROR;
    }
    short resultType = entry->resultType;
    if (entry->opcode == FLAT_OP_IIF || entry->opcode == FLAT_OP_IFNULL) {
        // The two alternatives: the last two arguments.
        const Operand& first = args[count - 2];
        const Operand& second = args[count - 1];
        if (!compatible(first.type, second.type)) {
            addFlatSyntaxError(3933);
            return VX_ERROR;
        }
        resultType = first.type != FLAT_TYPE_ANY ? first.type : second.type;
        if (resultType == FLAT_TYPE_LITERAL)
            resultType = FLAT_TYPE_VARCHAR;
    }
    // A result computed from an estimated length is sized by the most
    // characters its arguments can have, and is itself an estimate.
    bool estimated = false;
    Operand sizing[MAX_ARGUMENTS];
    for (unsigned i = 0; i < MAX_ARGUMENTS; ++i) {
        sizing[i] = args[i];
        if (i < count && args[i].limit && flatIsStringType(args[i].type)) {
            sizing[i].length = args[i].limit;
            estimated = true;
        }
    }
    std::uint32_t length = resultLength(*entry, sizing, count);
    // LEFT(name, 5) is no estimate: its length does not follow the argument's.
    if (estimated && length == resultLength(*entry, args, count))
        estimated = false;
    // A constant length or offset beyond a string of declared length.
    bool sized = args[0].length > 0 && !args[0].limit && flatIsStringType(args[0].type) &&
                 args[0].type != FLAT_TYPE_LONGVARCHAR;
    if (sized && (entry->opcode == FLAT_OP_LEFT || entry->opcode == FLAT_OP_RIGHT ||
                  entry->opcode == FLAT_OP_SUBSTR)) {
        if (args[1].isConstant && args[1].constant > static_cast<double>(args[0].length))
            return functionError(3921, name);
    }
    if ((sized || args[0].limit) && entry->opcode == FLAT_OP_SUBSTR && count == 3 &&
        args[2].isConstant) {
        length = constantCount(args[2].constant);
        estimated = false;
    }
    if (entry->opcode == FLAT_OP_INVALID) {
        if (resultType == FLAT_TYPE_DATE)
            builder_->addDate(std::floor(flatToday()));
        else if (resultType == FLAT_TYPE_TIME)
            builder_->addDate(flatCurrentTime());
        else
            builder_->addString(userName_, std::strlen(userName_));
        if (resultType == FLAT_TYPE_VARCHAR)
            length = static_cast<std::uint32_t>(std::strlen(userName_));
    } else if (flatOpArgCount(entry->opcode) == FLAT_ARGS_FROM_BYTE) {
        builder_->addFunction(entry->opcode, static_cast<std::uint8_t>(count));
    } else {
        builder_->addOp(entry->opcode);
    }
    if (flatIsNumberType(resultType) || flatIsDateType(resultType))
        length = 8;
    *out = makeOperand(resultType, length);
    if (estimated && flatIsStringType(resultType))
        out->limit = length;
    return VX_SUCCESS;
}
