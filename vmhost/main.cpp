// vmhost: the stand-in host. Loads a vessel plug-in, drives it from a
// scenario file and writes every call across the plug-in boundary to a trace.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "host.h"
#include "scenario.h"

namespace {

constexpr char kUsage[] =
    "usage: vmhost run SCENARIO [--trace FILE]\n"
    "       vmhost --help\n"
    "\n"
    "Runs SCENARIO and writes the trace to FILE, or to standard output.\n";

// The trace stream's buffer: writing a trace line is then a copy, not a
// system call, and needs no allocation.
char g_trace_buffer[1 << 16];

int usage_error(const char* what) {
    std::fprintf(stderr, "vmhost: %s\n%s", what, kUsage);
    return vmhost::kBadInput;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return vmhost::kOk;
    }
    if (argc < 2) return usage_error("no command given");
    if (std::strcmp(argv[1], "run") != 0)
        return usage_error((std::string("unknown command '") + argv[1] + "'").c_str());

    const char* scenario = nullptr;
    const char* trace_file = nullptr;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--trace") == 0) {
            if (trace_file) return usage_error("--trace given twice");
            if (i + 1 >= argc) return usage_error("--trace needs a FILE");
            trace_file = argv[++i];
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            return usage_error((std::string("unknown option '") + argv[i] + "'").c_str());
        } else if (!scenario) {
            scenario = argv[i];
        } else {
            return usage_error("more than one SCENARIO given");
        }
    }
    if (!scenario) return usage_error("no SCENARIO given");

    std::error_code ec;
    std::ifstream in(scenario, std::ios::binary);
    std::ostringstream text;
    if (std::filesystem::is_directory(scenario, ec) || !in ||
        (!(text << in.rdbuf()) && in.peek() != std::ifstream::traits_type::eof())) {
        std::fprintf(stderr, "vmhost: error: cannot read scenario '%s'\n", scenario);
        return vmhost::kBadInput;
    }

    std::FILE* out = stdout;
    if (trace_file) {
        out = std::fopen(trace_file, "wb");
        if (!out) {
            std::fprintf(stderr, "vmhost: error: cannot write trace file '%s'\n", trace_file);
            return vmhost::kBadInput;
        }
    }
    std::setvbuf(out, g_trace_buffer, _IOFBF, sizeof g_trace_buffer);
    host::trace_to(out);

    const vmhost::Status status = vmhost::run_scenario(scenario, text.str(), stderr);

    host::trace_to(nullptr);
    if (std::fflush(out) != 0 || (trace_file && std::fclose(out) != 0)) {
        std::fprintf(stderr, "vmhost: error: cannot write the trace\n");
        return vmhost::kBadInput;
    }
    return status;
}
