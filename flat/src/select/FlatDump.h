// Writing plan-listing lines: `indent` blanks, the text, "\r\n".
#pragma once

#include "util/VxStatus.h"

class VxString;

[[nodiscard]] VxStatus flatDumpLine(VxString* out, unsigned indent, const char* text);
