// vmhost's scenario parser and runner on arbitrary text. Whatever the text,
// the run ends with status 0 or 2 and nothing crashes or leaks; status 3 would
// mean that an aircraft broke the host contract.
//
// Two kinds of text are left out, because they test the machine rather than
// the runner: `load` of anything but the aircraft and `sound` of a path
// (either could load any library on the disk), and more than a few hundred
// steps in all, by `step` or `until` (a run of 10^8 steps is valid and just
// slow).
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host.h"
#include "keep_loaded.h"
#include "scenario.h"

namespace {

std::FILE* g_null = nullptr;

// The tokens of one line, comment removed, as the runner cuts them.
std::vector<std::string> tokens(const std::string& line) {
    std::vector<std::string> out;
    std::string t;
    for (char c : line.substr(0, line.find('#'))) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            if (!t.empty()) out.push_back(t);
            t.clear();
        } else {
            t += c;
        }
    }
    if (!t.empty()) out.push_back(t);
    return out;
}

bool is_aircraft(const std::string& name) {
    for (const char* aircraft : {VM_AIRCRAFT_NAMES})
        if (name == aircraft) return true;
    return false;
}

// Whether the text stays within what the fuzzer should run.
bool acceptable(const std::string& text) {
    constexpr double kMaxSteps = 600;  // in all
    double steps = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        const std::vector<std::string> t = tokens(text.substr(pos, end - pos));
        pos = end + 1;
        if (t.empty()) continue;
        const std::string& command = t[0];
        if (command == "load" && t.size() == 2 && !is_aircraft(t[1])) return false;
        if (command == "sound" && t.size() == 2 && t[1].find_first_of("/\\") != std::string::npos)
            return false;
        // strtod, to see 1e9 and 0x... as the runner might
        if (command == "step") {
            const double n = t.size() < 2 ? 1.0 : std::strtod(t[1].c_str(), nullptr);
            steps += n > 0 ? n : 0;
        }
        if (command == "until") {
            // The step limit is the last of 4 or 6 tokens; without it, 60000.
            const bool limited = t.size() == 4 || t.size() == 6;
            const double n = limited ? std::strtod(t.back().c_str(), nullptr) : 60000.0;
            steps += n > 0 ? n : 0;
        }
        if (!(steps <= kMaxSteps)) return false;
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
