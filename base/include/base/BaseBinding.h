// BaseBinding: the application's binding of one result column
// (SQLBindCol): its C type, value buffer, buffer length and
// length/indicator pointer. Bindings are indexed by column number; index 0
// is the bookmark column. A statement owns its BaseBinding objects and
// deletes them through the virtual destructor.
#pragma once

#include <sql.h>

#include "util/VxObject.h"

class VX_EXPORT BaseBinding : public VxObject {
public:
    BaseBinding(short cType, SQLPOINTER value, SQLLEN bufferLength, SQLLEN* indicator)
        : cType_(cType), value_(value), bufferLength_(bufferLength), indicator_(indicator) {}
    ~BaseBinding() override;

    short getCType() const { return cType_; }
    SQLPOINTER getValue() const { return value_; }
    SQLLEN getBufferLength() const { return bufferLength_; }
    SQLLEN* getIndicator() const { return indicator_; }
    // The column SQL type whose conversion to the C type was last found
    // valid, so that rows of the same column are not checked again.
    bool isCheckedFor(short sqlType) const { return sqlType != 0 && checkedSqlType_ == sqlType; }
    void setCheckedFor(short sqlType) { checkedSqlType_ = sqlType; }

private:
    short cType_;
    SQLPOINTER value_;
    SQLLEN bufferLength_;
    SQLLEN* indicator_;
    short checkedSqlType_ = 0;
};
