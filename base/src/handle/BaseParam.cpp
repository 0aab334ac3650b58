#include "base/BaseParam.h"

BaseParam::~BaseParam() = default;
