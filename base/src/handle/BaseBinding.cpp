#include "base/BaseBinding.h"

BaseBinding::~BaseBinding() = default;
