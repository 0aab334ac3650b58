// Or7Field: one select-list item of an Oracle cursor. Besides the ODBC
// description it keeps the Oracle internal type and the buffers the
// define call fills: the value buffer for every row of an array fetch,
// and per row the indicator, returned length and column return code. A
// LONG or LONG RAW value is read piecewise when first asked for and kept
// for the row it belongs to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/BaseField.h"
#include "client/Or7Oci.h"
#include "util/VxStatus.h"

// Oracle internal types.
enum Or7OracleType : short {
    OR7_TYPE_VARCHAR2 = 1,
    OR7_TYPE_NUMBER = 2,
    OR7_TYPE_LONG = 8,
    OR7_TYPE_ROWID = 11,
    OR7_TYPE_DATE = 12,
    OR7_TYPE_RAW = 23,
    OR7_TYPE_LONG_RAW = 24,
    OR7_TYPE_CHAR = 96,
};

// Bytes a LONG or LONG RAW column counts for when the rows per array
// fetch are worked out.
constexpr std::int32_t OR7_LONG_ROW_BYTES = 100002;

class Or7Field;

// Rows per array fetch of a select list: the array size divided by the
// bytes of one row (each column's buffer and 2 more, a long column
// OR7_LONG_ROW_BYTES), at least 1 and at most 32767; a long column makes
// it 1, since its value is read from the current row.
unsigned or7RowsPerFetch(std::int32_t arraySize, Or7Field* const* fields, std::size_t count);

class Or7Field : public BaseField {
public:
    // Fills the ODBC description and the buffer layout from what the
    // describe call said; S1C00 for a type the driver does not know.
    [[nodiscard]] VxStatus describeFrom(const Or7Describe& item);
    // Room for `rows` rows.
    [[nodiscard]] VxStatus allocate(unsigned rows);
    bool isLong() const { return oracleType_ == OR7_TYPE_LONG || oracleType_ == OR7_TYPE_LONG_RAW; }
    // Bytes of one row in the fetch buffer (0 for long columns).
    int getBufferLength() const { return bufferLength_; }
    int getExternalType() const { return externalType_; }
    short getOracleType() const { return oracleType_; }

    char* valueAt(unsigned row) {
        return buffer_.data() + static_cast<std::size_t>(row) * bufferLength_;
    }
    short* indicators() { return indicators_.data(); }
    std::uint16_t* lengths() { return lengths_.data(); }
    std::uint16_t* codes() { return codes_.data(); }
    void* buffer() { return buffer_.empty() ? nullptr : buffer_.data(); }

    // A long column's value as read for the row of array fetch number
    // `longFetch_` (0: none read yet), and whether it was NULL.
    std::string longValue_;
    std::uint64_t longFetch_ = 0;
    bool longNull_ = false;

private:
    short oracleType_ = 0;
    int externalType_ = 0;
    int bufferLength_ = 0;
    std::vector<char> buffer_;
    std::vector<short> indicators_;
    std::vector<std::uint16_t> lengths_;
    std::vector<std::uint16_t> codes_;
};
