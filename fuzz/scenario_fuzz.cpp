// vmhost's scenario parser and runner on arbitrary text. Whatever the text,
// the run ends with status 0 or 2 and nothing crashes or leaks; status 3 would
// mean that an aircraft broke the host contract.
//
// Two kinds of text are left out, because they test the machine rather than
// the runner: `load` of anything but the two aircraft and `sound` of a path
// (either could load any library on the disk), and more than a few hundred steps in all (a run of
// 10^8 steps is valid and just slow).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "host.h"
#include "keep_loaded.h"
#include "scenario.h"

namespace {

std::FILE* g_null = nullptr;

// Whether the text stays within what the fuzzer should run.
bool acceptable(const std::string& text) {
    constexpr double kMaxSteps = 600;  // in all
    double steps = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (const auto hash = line.find('#'); hash != std::string::npos) line.resize(hash);
        // The first two tokens.
        const char* blanks = " \t\r\v\f";
        const auto a = line.find_first_not_of(blanks);
        if (a == std::string::npos) continue;
        const auto a_end = std::min(line.find_first_of(blanks, a), line.size());
        const std::string command = line.substr(a, a_end - a);
        const auto b = line.find_first_not_of(blanks, a_end);
        const std::string arg =
            b == std::string::npos
                ? ""
                : line.substr(b, std::min(line.find_first_of(blanks, b), line.size()) - b);
        if (command == "load" && arg != "tarvik" && arg != "olumbra" && !arg.empty()) {
            const auto rest = line.find_first_not_of(blanks, b + arg.size());
            if (rest == std::string::npos) return false;  // a single path: would load it
        }
        if (command == "sound" && arg.find_first_of("/\\") != std::string::npos) return false;
        if (command == "step") {
            // strtod, to see 1e9 and 0x... as the runner might
            const double n = arg.empty() ? 1.0 : std::strtod(arg.c_str(), nullptr);
            steps += n > 0 ? n : 0;
            if (!(steps <= kMaxSteps)) return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    keep_plugins_loaded();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (!acceptable(text)) return -1;  // not kept in the corpus
    if (!g_null) g_null = std::fopen("/dev/null", "w");
    host::reset();
    host::trace_to(g_null);
    const vmhost::Status s = vmhost::run_scenario("fuzz.vms", text, g_null);
    host::trace_to(nullptr);
    if (s != vmhost::kOk && s != vmhost::kBadInput) std::abort();
    return 0;
}
