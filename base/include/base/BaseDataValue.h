// BaseDataValue: an application value handed to a driver's updateColumn
// hook by SQLSetPos: the bound column's C type, the address of the value
// in the row being written, its length or indicator (SQL_NULL_DATA, SQL_NTS
// or a byte count) and the buffer length of the binding. The driver
// converts it with the statement's convertCToInternal.
#pragma once

#include <sql.h>

class BaseDataValue {
public:
    BaseDataValue(short cType, const void* value, SQLLEN length, SQLLEN bufferLength)
        : cType_(cType), value_(value), length_(length), bufferLength_(bufferLength) {}

    short getCType() const { return cType_; }
    const void* getValue() const { return value_; }
    SQLLEN getLength() const { return length_; }
    SQLLEN getBufferLength() const { return bufferLength_; }
    bool isNull() const { return length_ == SQL_NULL_DATA; }

private:
    short cType_;
    const void* value_;
    SQLLEN length_;
    SQLLEN bufferLength_;
};
