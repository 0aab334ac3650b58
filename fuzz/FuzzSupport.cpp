#include "FuzzSupport.h"

#include <cstdlib>
#include <string>

namespace {

std::string madeFolder;

void removeFolder() {
    if (!madeFolder.empty())
        (void)std::system(("rm -rf '" + madeFolder + "'").c_str());
}

} // namespace

std::string fuzzMakeFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/vxfuzzXXXXXX";
    if (!mkdtemp(&pattern[0])) {
        std::perror("mkdtemp");
        std::abort();
    }
    madeFolder = pattern;
    std::atexit(removeFolder);
    return pattern;
}
