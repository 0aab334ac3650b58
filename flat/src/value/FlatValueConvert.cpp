// FlatEvaluator: values in storage form into expression items and back.
//
// Reading a value, the SQL type of its column decides the item's family:
// numeric columns give numbers (a character value is read as a number;
// an empty or blank one is NULL), date and time columns give date values
// (character values in the form yyyy-mm-dd[ hh:mm:ss] or as the date
// parser reads them), character columns give strings of that type, binary
// columns binary values. Without a column type the storage type decides.
// Numbers of every storage type are read by the framework's conversion
// (decimal digits, storage 12, become the double nearest to their text);
// digits that are not in the framework's layout are read as plain numeric
// text.
#include <cmath>
#include <cstring>
#include <sqltypes.h>

#include "base/BaseConvert.h"
#include "base/BaseErrors.h"
#include "error/FlatErrors.h"
#include "expr/FlatEvaluator.h"
#include "flat/FlatDate.h"
#include "util/str.h"

namespace {

// Day numbers of 1 January of year 1 and of year 10000.
constexpr double MIN_DAY_NUMBER = 1721426.0;
constexpr double MAX_DAY_NUMBER = 5373485.0;

VxStatus dateStructValue(short storage, const unsigned char* bytes, double* value) {
    if (storage == INTERNAL_TIME) {
        TIME_STRUCT time;
        std::memcpy(&time, bytes, sizeof time);
        *value = (time.hour * 3600.0 + time.minute * 60.0 + time.second) / FLAT_SECONDS_PER_DAY;
        return VX_SUCCESS;
    }
    TIMESTAMP_STRUCT stamp{};
    if (storage == INTERNAL_DATE)
        std::memcpy(&stamp, bytes, sizeof(DATE_STRUCT));
    else
        std::memcpy(&stamp, bytes, sizeof stamp);
    if (stamp.year == 0 && stamp.month == 0 && stamp.day == 0) {
        *value = FLAT_BLANK_DATE;
        return VX_SUCCESS;
    }
    if (!flatIsValidDate(stamp.year, stamp.month, stamp.day)) {
        addOdbcError(ODBC_22008);
        return VX_ERROR;
    }
    double seconds =
        stamp.hour * 3600.0 + stamp.minute * 60.0 + stamp.second + stamp.fraction / 1e9;
    *value = static_cast<double>(flatDateToJulian(stamp.year, stamp.month, stamp.day)) +
             seconds / FLAT_SECONDS_PER_DAY;
    return VX_SUCCESS;
}

// "yyyy-mm-dd", "yyyy-mm-dd hh:mm:ss[.fff]" or "hh:mm:ss".
bool readIsoDate(const char* text, std::size_t length, double* value) {
    auto digits = [&](std::size_t at, std::size_t count, long* out) {
        long n = 0;
        for (std::size_t i = at; i < at + count; ++i) {
            if (i >= length || text[i] < '0' || text[i] > '9')
                return false;
            n = n * 10 + (text[i] - '0');
        }
        *out = n;
        return true;
    };
    long y = 0, m = 0, d = 0, hh = 0, mm = 0, ss = 0;
    std::size_t timeAt = 0;
    double day = 0;
    if (length >= 10 && text[4] == '-' && text[7] == '-') {
        if (!digits(0, 4, &y) || !digits(5, 2, &m) || !digits(8, 2, &d) ||
            !flatIsValidDate(y, static_cast<int>(m), static_cast<int>(d)))
            return false;
        day = static_cast<double>(flatDateToJulian(y, static_cast<int>(m), static_cast<int>(d)));
        if (length == 10) {
            *value = day;
            return true;
        }
        timeAt = 11;
    }
    if (length < timeAt + 8 || text[timeAt + 2] != ':' || text[timeAt + 5] != ':' ||
        !digits(timeAt, 2, &hh) || !digits(timeAt + 3, 2, &mm) || !digits(timeAt + 6, 2, &ss) ||
        hh > 23 || mm > 59 || ss > 59)
        return false;
    double fraction = 0;
    if (length > timeAt + 8) {
        if (text[timeAt + 8] != '.' ||
            !flatParseNumber(text + timeAt + 8, length - timeAt - 8, &fraction))
            return false;
    }
    *value = day + (hh * 3600.0 + mm * 60.0 + ss + fraction) / FLAT_SECONDS_PER_DAY;
    return true;
}

// True when the bytes of a digits value are in the framework's layout:
// its 8-byte header, then exactly as many digits as the header counts.
// Anything else is plain numeric text.
bool hasDigitsHeader(const unsigned char* bytes, std::uint32_t length) {
    InternalDigitsHeader header;
    if (length < sizeof header)
        return false;
    std::memcpy(&header, bytes, sizeof header);
    return header.digitCount >= 0 &&
           static_cast<std::uint32_t>(header.digitCount) == length - sizeof header &&
           header.negative <= 1;
}

// A number of any numeric storage type as a double, by the framework's
// conversion (a digits value becomes the double nearest to its text).
VxStatus numberAsDouble(short storage, const void* bytes, std::uint32_t length, double* value) {
    return BaseConvertNum(static_cast<InternalType>(storage), bytes, static_cast<SQLLEN>(length),
                          INTERNAL_DOUBLE, value, nullptr, sizeof *value, 0, 0);
}

// A digits value of at most 15 significant digits and a scale of 0 to
// 22: an exact integer divided by an exact power of ten, one rounding,
// which is the double the framework's conversion gives. False for any
// other value, which then goes through that conversion.
bool smallDigitsAsDouble(const unsigned char* bytes, double* value) {
    static constexpr double POWERS_OF_TEN[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                               1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                               1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    InternalDigitsHeader header;
    std::memcpy(&header, bytes, sizeof header);
    if (header.scale < 0 || header.scale > 22)
        return false;
    const char* digits = reinterpret_cast<const char*>(bytes) + sizeof header;
    int first = 0; // leading zeros add nothing
    while (first < header.digitCount && digits[first] == '0')
        ++first;
    if (header.digitCount - first > 15)
        return false;
    std::uint64_t integer = 0;
    for (int i = first; i < header.digitCount; ++i) {
        const unsigned digit = static_cast<unsigned>(digits[i] - '0');
        if (digit > 9)
            return false;
        integer = integer * 10 + digit;
    }
    if (integer == 0) {
        *value = 0.0; // no negative zero
        return true;
    }
    const double magnitude = static_cast<double>(integer) / POWERS_OF_TEN[header.scale];
    *value = header.negative == 1 ? -magnitude : magnitude;
    return true;
}

bool isBlankText(const char* text, std::size_t length) {
    return strRightTrimBlanks(text, length) == 0;
}

// A non-NULL digits value of at most 15 significant digits as its double.
bool smallDigitsValue(const FlatDataValue& value, double* number) {
    return !value.isNull() && value.getStorageType() == INTERNAL_DIGITS &&
           hasDigitsHeader(value.getBytes(), value.getLength()) &&
           smallDigitsAsDouble(value.getBytes(), number);
}

} // namespace

VxStatus FlatEvaluator::pushText(const FlatDataValue& value, short sqlType, FlatEvalItem* out) {
    const char* text = reinterpret_cast<const char*>(value.getBytes());
    std::size_t length = value.getLength();
    if (flatIsNumberType(sqlType) || sqlType == FLAT_TYPE_BIT || flatIsDateType(sqlType)) {
        if (isBlankText(text, length)) {
            pushNull(out);
            return VX_SUCCESS;
        }
        double number = 0;
        if (flatIsDateType(sqlType)) {
            std::size_t start = 0;
            while (text[start] == ' ')
                ++start;
            std::size_t end = strRightTrimBlanks(text, length);
            if (!readIsoDate(text + start, end - start, &number) &&
                flatParseDateValue(text + start, end - start, FLAT_ORDER_MDY, '/', &number) !=
                    VX_SUCCESS)
                return VX_ERROR;
            return pushDouble(sqlType, number, out);
        }
        if (!flatParseNumber(text, length, &number)) {
            addOdbcError(ODBC_22005);
            return VX_ERROR;
        }
        if (sqlType == FLAT_TYPE_BIT)
            return pushBit(number != 0, out);
        return pushDouble(FLAT_TYPE_DOUBLE, number, out);
    }
    short type = FLAT_TYPE_CHAR;
    if (sqlType == FLAT_TYPE_VARCHAR || sqlType == FLAT_TYPE_LONGVARCHAR)
        type = sqlType;
    else if (flatIsBinaryType(sqlType))
        type = sqlType;
    return pushBytes(type, text, static_cast<std::uint32_t>(length), out);
}

VxStatus FlatEvaluator::pushValue(const FlatDataValue& value, short sqlType, FlatEvalItem* out) {
    if (value.isNull()) {
        pushNull(out);
        return VX_SUCCESS;
    }
    short storage = value.getStorageType();
    const unsigned char* bytes = value.getBytes();
    if (storage == INTERNAL_DIGITS) {
        if (!hasDigitsHeader(bytes, value.getLength()))
            return pushText(value, FLAT_TYPE_DOUBLE, out);
        double number = 0;
        if (!smallDigitsAsDouble(bytes, &number) &&
            numberAsDouble(storage, bytes, value.getLength(), &number) != VX_SUCCESS)
            return VX_ERROR;
        return pushDouble(FLAT_TYPE_DOUBLE, number, out);
    }
    if (storage == INTERNAL_CHAR)
        return pushText(value, sqlType, out);
    if (storage == FLAT_STORAGE_BINARY || storage == FLAT_STORAGE_FRAMEWORK_BINARY) {
        short type = flatIsStringType(sqlType) ? sqlType : FLAT_TYPE_VARBINARY;
        return pushBytes(type, bytes, value.getLength(), out);
    }
    SQLLEN width = baseInternalTypeSize(static_cast<InternalType>(storage));
    if (width == 0 || static_cast<SQLLEN>(value.getLength()) < width || !bytes) {
        addOdbcError(ODBC_S1000);
        return VX_ERROR;
    }
    double number = 0;
    if (storage == INTERNAL_DATE || storage == INTERNAL_TIME || storage == INTERNAL_TIMESTAMP) {
        if (dateStructValue(storage, bytes, &number) != VX_SUCCESS)
            return VX_ERROR;
        short type = storage == INTERNAL_DATE
                         ? FLAT_TYPE_DATE
                         : (storage == INTERNAL_TIME ? FLAT_TYPE_TIME : FLAT_TYPE_TIMESTAMP);
        return pushDouble(flatIsDateType(sqlType) ? sqlType : type, number, out);
    }
    if (storage == INTERNAL_BIT)
        return pushBit(bytes[0] != 0, out);
    if (numberAsDouble(storage, bytes, value.getLength(), &number) != VX_SUCCESS)
        return VX_ERROR;
    if (sqlType == FLAT_TYPE_BIT)
        return pushBit(number != 0, out);
    return pushDouble(FLAT_TYPE_DOUBLE, number, out);
}

// ---- Parameters ---------------------------------------------------------------
//
// A parameter's value is converted to the type its marker was compiled to
// (the type the other operand or the function argument gave it) by the
// framework's conversions, with their errors: an integer parameter
// compared with a string column is compared as text, a text parameter
// used as a number must read as one (22005); text used as a date is read
// as a date literal in its place would be. Without a compiled type the
// value is read by its bind type, as a field of that type would be.

namespace {

// Room for a number written as text: the sign, 309 integer digits of the
// largest double and the fraction digits of a digits value.
constexpr std::uint32_t NUMBER_TEXT_ROOM = 400;

InternalType storageForConversion(short storage) {
    return storage == FLAT_STORAGE_BINARY ? INTERNAL_BINARY : static_cast<InternalType>(storage);
}

InternalType dateStorageOf(short sqlType) {
    return sqlType == FLAT_TYPE_DATE   ? INTERNAL_DATE
           : sqlType == FLAT_TYPE_TIME ? INTERNAL_TIME
                                       : INTERNAL_TIMESTAMP;
}

VxStatus convertParam(const FlatDataValue& value, InternalType target, void* to, SQLLEN room,
                      SQLLEN* produced) {
    return BaseConvertNum(storageForConversion(value.getStorageType()), value.getBytes(),
                          static_cast<SQLLEN>(value.getLength()), target, to, produced, room, 0,
                          BASE_CONVERT_CUT_FRACTION);
}

} // namespace

VxStatus FlatEvaluator::pushConverted(const FlatDataValue& value, InternalType target,
                                      std::uint32_t room, short type, FlatEvalItem* out) {
    std::size_t offset = 0;
    if (info_.reserve(room, &offset) != VX_SUCCESS)
        return VX_ERROR;
    SQLLEN produced = 0;
    if (convertParam(value, target, info_.at(offset), static_cast<SQLLEN>(room), &produced) !=
        VX_SUCCESS)
        return VX_ERROR;
    info_.setStackTop(offset + static_cast<std::size_t>(produced));
    *out = {type, false, offset, static_cast<std::uint32_t>(produced)};
    return VX_SUCCESS;
}

VxStatus FlatEvaluator::pushParam(const FlatDataValue& value, short bindType, short markerType,
                                  FlatEvalItem* out) {
    if (value.isNull() || markerType == FLAT_TYPE_PARAM || markerType == FLAT_TYPE_ANY)
        return pushValue(value, bindType, out);
    const short storage = value.getStorageType();
    const std::uint32_t length = value.getLength();
    if (flatIsStringType(markerType)) {
        if (storage == INTERNAL_CHAR)
            return pushText(value, flatIsStringType(bindType) ? bindType : FLAT_TYPE_VARCHAR, out);
        const bool binary = storage == FLAT_STORAGE_BINARY || storage == INTERNAL_BINARY;
        return pushConverted(value, INTERNAL_CHAR, binary ? 2 * length : NUMBER_TEXT_ROOM,
                             FLAT_TYPE_VARCHAR, out);
    }
    if (flatIsBinaryType(markerType)) {
        if (storage == FLAT_STORAGE_BINARY || storage == INTERNAL_BINARY)
            return pushBytes(FLAT_TYPE_VARBINARY, value.getBytes(), length, out);
        return pushConverted(value, INTERNAL_BINARY, length, FLAT_TYPE_VARBINARY, out);
    }
    if (flatIsDateType(markerType)) {
        // Text reads as a date literal in its place would.
        if (storage == INTERNAL_DATE || storage == INTERNAL_TIME || storage == INTERNAL_TIMESTAMP ||
            storage == INTERNAL_CHAR)
            return pushValue(value, markerType, out);
        TIMESTAMP_STRUCT stamp{};
        const InternalType target = dateStorageOf(markerType);
        if (convertParam(value, target, &stamp, sizeof stamp, nullptr) != VX_SUCCESS)
            return VX_ERROR;
        FlatDataValue converted;
        converted.setValueBuffer(&stamp, 0);
        converted.setLength(static_cast<std::uint32_t>(baseInternalTypeSize(target)));
        converted.setStorageType(target);
        return pushValue(converted, markerType, out);
    }
    if (markerType == FLAT_TYPE_BIT) {
        unsigned char bit = 0;
        if (convertParam(value, INTERNAL_BIT, &bit, sizeof bit, nullptr) != VX_SUCCESS)
            return VX_ERROR;
        return pushBit(bit != 0, out);
    }
    if (!flatIsNumberType(markerType))
        return pushValue(value, bindType, out);
    if (storage == INTERNAL_DIGITS && !hasDigitsHeader(value.getBytes(), length))
        return pushText(value, FLAT_TYPE_DOUBLE, out);
    double number = 0;
    if (convertParam(value, INTERNAL_DOUBLE, &number, sizeof number, nullptr) != VX_SUCCESS)
        return VX_ERROR;
    return pushDouble(FLAT_TYPE_DOUBLE, number, out);
}

VxStatus FlatEvaluator::numberOf(const FlatEvalItem& item, double* value) {
    if (item.type == FLAT_TYPE_BIT) {
        *value = *info_.at(item.offset) != 0 ? 1 : 0;
        return VX_SUCCESS;
    }
    if (flatIsStringType(item.type) || flatIsBinaryType(item.type)) {
        if (!flatParseNumber(bytesOf(item), item.length, value)) {
            addOdbcError(ODBC_22005);
            return VX_ERROR;
        }
        return VX_SUCCESS;
    }
    *value = readDouble(item);
    return VX_SUCCESS;
}

VxStatus FlatEvaluator::dateOf(const FlatEvalItem& item, double* value) {
    if (!flatIsStringType(item.type))
        return numberOf(item, value);
    const char* text = bytesOf(item);
    std::size_t start = 0;
    std::size_t end = strRightTrimBlanks(text, item.length);
    while (start < end && text[start] == ' ')
        ++start;
    if (readIsoDate(text + start, end - start, value))
        return VX_SUCCESS;
    return flatParseDateValue(text + start, end - start, FLAT_ORDER_MDY, '/', value);
}

// ---- Results ----------------------------------------------------------------

VxStatus FlatEvaluator::fieldForNumber(const FlatDataValue& value, short sqlType,
                                       double* number, bool* isNumber, FlatEvalItem* out) {
    *isNumber = false;
    if (smallDigitsValue(value, number)) {
        *isNumber = true;
        return VX_SUCCESS;
    }
    return pushValue(value, sqlType, out);
}

VxStatus FlatEvaluator::storeFieldValue(const FlatDataValue& field, short sqlType,
                                        FlatDataValue* value, short* type) {
    if (field.isNull()) {
        value->setNull();
        *type = FLAT_TYPE_ANY;
        return VX_SUCCESS;
    }
    const short storage = field.getStorageType();
    const unsigned char* bytes = field.getBytes();
    // Text read as text (pushText's last case).
    if (storage == INTERNAL_CHAR && !flatIsNumberType(sqlType) && sqlType != FLAT_TYPE_BIT &&
        !flatIsDateType(sqlType) && !flatIsBinaryType(sqlType)) {
        *type = sqlType == FLAT_TYPE_VARCHAR || sqlType == FLAT_TYPE_LONGVARCHAR ? sqlType
                                                                                  : FLAT_TYPE_CHAR;
        return value->setValueCopy(bytes, field.getLength(), INTERNAL_CHAR);
    }
    double number = 0;
    if (smallDigitsValue(field, &number)) {
        *type = FLAT_TYPE_DOUBLE;
        return value->setValueCopy(&number, sizeof number, INTERNAL_DOUBLE);
    }
    FlatEvalItem item;
    if (pushValue(field, sqlType, &item) != VX_SUCCESS)
        return VX_ERROR;
    *type = item.null ? FLAT_TYPE_ANY : item.type;
    return storeResult(item, value);
}

VxStatus FlatEvaluator::storeResult(const FlatEvalItem& item, FlatDataValue* value) {
    double number = item.null ? 0 : readDouble(item);
    if (item.null || (flatIsDateType(item.type) && number >= FLAT_BLANK_DATE)) {
        value->setNull();
        return VX_SUCCESS;
    }
    if (item.type == FLAT_TYPE_BIT)
        return value->setValueCopy(info_.at(item.offset), 1, INTERNAL_BIT);
    if (flatIsStringType(item.type))
        return value->setValueCopy(info_.at(item.offset), item.length, INTERNAL_CHAR);
    if (flatIsBinaryType(item.type))
        return value->setValueCopy(info_.at(item.offset), item.length, FLAT_STORAGE_BINARY);
    if (!flatIsDateType(item.type))
        return value->setValueCopy(&number, sizeof number, INTERNAL_DOUBLE);
    // Dates outside the years 1 to 9999 have no structure form.
    bool representable = item.type == FLAT_TYPE_TIME
                             ? std::fabs(number) < MAX_DAY_NUMBER
                             : number >= MIN_DAY_NUMBER && number < MAX_DAY_NUMBER;
    if (!representable) {
        addOdbcError(ODBC_22008);
        return VX_ERROR;
    }
    double whole = std::floor(number);
    long long millis = std::llround((number - whole) * FLAT_SECONDS_PER_DAY * 1000.0);
    long dayNumber = static_cast<long>(whole) + static_cast<long>(millis / 86400000);
    millis %= 86400000;
    long seconds = static_cast<long>(millis / 1000);
    TIMESTAMP_STRUCT stamp{};
    long year = 0;
    int month = 0;
    int day = 0;
    flatJulianToDate(dayNumber, &year, &month, &day);
    stamp.year = static_cast<SQLSMALLINT>(year);
    stamp.month = static_cast<SQLUSMALLINT>(month);
    stamp.day = static_cast<SQLUSMALLINT>(day);
    stamp.hour = static_cast<SQLUSMALLINT>(seconds / 3600);
    stamp.minute = static_cast<SQLUSMALLINT>(seconds / 60 % 60);
    stamp.second = static_cast<SQLUSMALLINT>(seconds % 60);
    stamp.fraction = static_cast<SQLUINTEGER>(millis % 1000) * 1000000u;
    if (item.type == FLAT_TYPE_TIME) {
        TIME_STRUCT time{stamp.hour, stamp.minute, stamp.second};
        return value->setValueCopy(&time, sizeof time, INTERNAL_TIME);
    }
    if (item.type == FLAT_TYPE_DATE)
        return value->setValueCopy(&stamp, sizeof(DATE_STRUCT), INTERNAL_DATE);
    return value->setValueCopy(&stamp, sizeof stamp, INTERNAL_TIMESTAMP);
}
