// BaseParam: one parameter of a statement, created by the statement's
// allocParam hook (a driver may derive its own record and add to it). A
// statement owns its BaseParam objects and deletes them through the
// virtual destructor.
//
// The application's binding (SQLBindParameter) is kept as given: C type,
// SQL type, precision, scale, value pointer, length/indicator pointer,
// buffer length (cbValueMax, the stride of a parameter array) and
// parameter type. Validation (at the first execution after binding, or at
// once for output parameters) may replace SQL_C_DEFAULT by the SQL type's
// default C type and adjust precision and scale.
//
// Data at execution collects the value of a parameter in `data_`
// (allocated on the first SQLPutData with the parameter's maximum size);
// `putState_` says what has arrived so far.
//
// Generated parameters of a positioned statement's search clause own their
// value buffer (`data_`) and name the cursor's column they come from.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <cstdint>

#include "util/VxObject.h"

// How a value reaches the driver's bindParam hook.
enum ParamBindChunkType : int {
    PARAM_CHUNK_WHOLE = 0, // the whole value
    PARAM_CHUNK_FIRST = 1, // the first piece of a value sent piecewise
    PARAM_CHUNK_NEXT = 2,  // a later piece
    PARAM_CHUNK_LAST = 3,  // no data: the pieces sent before were all
};

class VX_EXPORT BaseParam : public VxObject {
public:
    enum : std::uint16_t {
        FLAG_LIKE = 1u << 0,           // compared with LIKE in a generated search clause
        FLAG_VALIDATED = 1u << 1,      // validated since it was bound
        FLAG_INOUT_AS_INPUT = 1u << 2, // input/output treated as input
    };
    enum : std::uint16_t {
        PUT_NONE = 0, // no SQLPutData yet
        PUT_DATA = 1, // data arrived
        PUT_NULL = 2, // SQL_NULL_DATA arrived: no further call allowed
    };

    BaseParam() = default;
    ~BaseParam() override;

    bool hasFlag(std::uint16_t flag) const { return (flags_ & flag) != 0; }
    void setFlag(std::uint16_t flag, bool on) {
        flags_ = on ? static_cast<std::uint16_t>(flags_ | flag)
                    : static_cast<std::uint16_t>(flags_ & ~flag);
    }
    // Bound by the application (or generated): a value pointer or an
    // indicator exists.
    bool isBound() const { return bound_; }
    // Frees the data-at-execution buffer.
    void releaseData();

    short cType_ = SQL_C_DEFAULT;
    short sqlType_ = 0;
    SQLULEN precision_ = 0;
    short scale_ = 0;
    void* value_ = nullptr;
    SQLLEN* length_ = nullptr;
    SQLLEN valueMax_ = 0;
    std::uint16_t paramType_ = SQL_PARAM_INPUT;
    std::uint16_t flags_ = 0;
    bool bound_ = false;
    // C type, SQL type, precision and scale at the first execution.
    bool firstSeen_ = false;
    short firstCType_ = 0;
    short firstSqlType_ = 0;
    SQLULEN firstPrecision_ = 0;
    short firstScale_ = 0;
    // Data at execution.
    char* data_ = nullptr;
    SQLLEN dataLength_ = 0;
    SQLLEN dataMax_ = 0;
    std::uint16_t putState_ = PUT_NONE;
    // The cursor column a generated search parameter is filled from.
    std::uint16_t column_ = 0;
};
