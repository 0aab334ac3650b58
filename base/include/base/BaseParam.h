// BaseParam: one parameter of a statement. A statement owns its
// BaseParam objects and deletes them through the virtual destructor.
#pragma once

#include "util/VxObject.h"

class VX_EXPORT BaseParam : public VxObject {
public:
    BaseParam() = default;
    ~BaseParam() override;
};
