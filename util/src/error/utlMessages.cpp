#include "error/utlMessages.h"

namespace {
constexpr VxMessage messages[] = {
#define VX_MESSAGE(id, text) {id, text},
#include "error/messages.def"
#undef VX_MESSAGE
};
constexpr VxMessageTable table(messages, sizeof messages / sizeof messages[0]);
} // namespace

const VxMessageTable& utlMessageTable() {
    return table;
}
