#include "base/BaseParam.h"

#include "util/ram.h"

BaseParam::~BaseParam() {
    releaseData();
}

void BaseParam::releaseData() {
    ramFree(data_);
    data_ = nullptr;
    dataLength_ = 0;
    dataMax_ = 0;
    putState_ = PUT_NONE;
}
