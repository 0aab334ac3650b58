// XlsEnv: the Excel 5 driver's environment. Workbooks are read through the
// driver's own compound-file reader, which needs no process-wide set-up;
// the environment only remembers that it was initialised.
#pragma once

#include "base/BaseEnv.h"

class XlsEnv : public BaseEnv {
public:
    XlsEnv() : BaseEnv(ODBC_DRIVER_EXCEL) {}
    VxStatus initialize() override;
    bool isStorageReady() const { return storageReady_; }

private:
    bool storageReady_ = false;
};
