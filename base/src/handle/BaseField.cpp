#include "base/BaseField.h"

BaseField::~BaseField() = default;
