#include "define/TxtIni.h"

#include <cstring>

#include "util/VxString.h"
#include "util/bos.h"

VxStatus TxtIni::open(const char* directory) {
    VxString path;
    std::size_t length = directory ? std::strlen(directory) : 0;
    // No directory means the current one, never the configuration folder.
    if (path.initialize(length ? directory : ".", length ? length : 1))
        return VX_ERROR;
    length = path.length();
    directory = path.getText();
    if (length > 0 && directory[length - 1] != '/' && directory[length - 1] != '\\' &&
        path.concat('/'))
        return VX_ERROR;

    // Look for the file in any letter case; the first match wins.
    VxString name;
    if (name.initialize(path.getText()) || name.concat(FILE_NAME))
        return VX_ERROR;
    BosFindCursor* cursor = nullptr;
    if (bosFindFiles(&cursor, &name))
        return VX_ERROR;
    bosFindClose(&cursor);
    if (path.concat(name.length() > 0 ? name.getText() : FILE_NAME))
        return VX_ERROR;
    return VxIni::open(path.getText());
}
