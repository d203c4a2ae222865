// `vmhost live` in a build without its server library (cpp-httplib, Debian's
// libcpp-httplib-dev): it says so.
#include <cstdio>

#include "live.h"

namespace vmhost::live {

int main(const cli::Arguments&) {
    std::fputs(
        "vmhost: error: live mode is not built into this vmhost (it needs cpp-httplib, "
        "which this build did not find; see docs/live.md)\n",
        stderr);
    return kBadInput;
}

}  // namespace vmhost::live
