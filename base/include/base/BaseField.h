// BaseField: one column of a statement's result description. A statement owns its
// BaseField objects and deletes them through the virtual destructor.
#pragma once

#include "util/VxObject.h"

class VX_EXPORT BaseField : public VxObject {
public:
    BaseField() = default;
    ~BaseField() override;
};
