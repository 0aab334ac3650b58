#include "connect/XlsEnv.h"

VxStatus XlsEnv::initialize() {
    if (BaseEnv::initialize() != VX_SUCCESS)
        return VX_ERROR;
    storageReady_ = true;
    return VX_SUCCESS;
}
