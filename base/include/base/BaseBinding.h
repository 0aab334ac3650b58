// BaseBinding: the application's binding of one result column. A statement owns its
// BaseBinding objects and deletes them through the virtual destructor.
#pragma once

#include "util/VxObject.h"

class VX_EXPORT BaseBinding : public VxObject {
public:
    BaseBinding() = default;
    ~BaseBinding() override;
};
