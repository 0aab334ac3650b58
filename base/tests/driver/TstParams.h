// TstParams: what the test driver received as parameter values, in the
// form the "params" command reports them.
//
// Each value the framework hands over (bindParam) is converted, as a
// driver with native parameters would, into the internal type of the
// parameter's SQL type (convertCToInternal: a value that does not convert
// fails with 22xxx and " Error in parameter n.") and kept as text:
// numbers in plain notation, dates as yyyy-mm-dd, binaries in hexadecimal,
// character data as the bytes received. A value sent piecewise is
// gathered first. NULL is "NULL", a default value "DEFAULT".
#pragma once

#include <sql.h>

#include <map>
#include <string>

#include "base/BaseParam.h"
#include "util/VxStatus.h"

class BaseStatement;

class TstParams {
public:
    VxStatus receive(BaseStatement& statement, unsigned short param, const void* data,
                     SQLLEN length, ParamBindChunkType chunk);
    void clear() { values_.clear(); }
    // "1=abc 2=12 3=NULL": every value received, by parameter number.
    std::string report() const;
    const std::map<unsigned short, std::string>& values() const { return values_; }

private:
    VxStatus convert(BaseStatement& statement, unsigned short param, const std::string& bytes);

    std::map<unsigned short, std::string> values_;
    std::map<unsigned short, std::string> pieces_;
};
