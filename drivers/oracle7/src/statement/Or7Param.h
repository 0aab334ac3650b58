// Or7Param: a parameter of an Oracle statement, with the buffer its value
// is bound from (and, for output parameters, returned into), its
// indicator, actual length and return code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/BaseParam.h"

class Or7Param : public BaseParam {
public:
    std::vector<char> buffer_;
    // Pieces of a long value sent with SQLPutData, until the last.
    std::string pieces_;
    short indicator_ = 0;
    std::uint16_t actualLength_ = 0;
    std::uint16_t code_ = 0;
    int externalType_ = 0;
};
