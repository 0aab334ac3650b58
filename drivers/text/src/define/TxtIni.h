// TxtIni: the table-definition file "VXTXT.INI" of one directory.
//
// The file is a profile file (util/VxIni.h) kept beside the tables it
// describes. It is opened and closed around each operation; nothing of it
// is cached.
#pragma once

#include "util/VxIni.h"

class TxtIni : public VxIni {
public:
    static constexpr const char* FILE_NAME = "VXTXT.INI";

    // Opens "VXTXT.INI" in `directory` (a separator is added when the
    // directory lacks one; no directory is the current one). A file of that name in another letter
    // case is used when there is one. The file need not exist.
    VxStatus open(const char* directory) override;
};
