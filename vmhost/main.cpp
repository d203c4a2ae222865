// vmhost: the stand-in host. Loads a vessel plug-in, drives it from a
// scenario file and writes every call across the plug-in boundary to a trace.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>

#include "aircraft.h"
#include "files.h"
#include "flightlog.h"
#include "host.h"
#include "interrupt.h"
#include "library.h"
#include "reader.h"
#include "scenario.h"
#include "validate/validate.h"

namespace {

std::string usage() {
    return "usage: vmhost run SCENARIO [--trace FILE] [--plugin PATH]\n"
           "       vmhost fly " +
           vmhost::aircraft_names("|", "|") +
           " [--trace FILE]\n"
           "       vmhost validate PLUGIN [OPTIONS]   (vmhost validate --help)\n"
           "       vmhost --help\n"
           "\n"
           "run: runs SCENARIO and writes the trace to FILE, or to standard output;\n"
           "     with --plugin, its `load` loads the library PATH instead.\n"
           "fly: flies the aircraft's default flight with the flight model, shows its\n"
           "     progress and prints a summary; the trace goes only to a FILE.\n"
           "Either takes --report DIR: the flight log goes to DIR, as NAME.csv and\n"
           "NAME.svg for each vessel and index.html showing them all.\n"
           "validate: runs a battery of checks against any vessel plug-in.\n";
}

// The trace stream's buffer: writing a trace line is then a copy, not a
// system call, and needs no allocation.
char g_trace_buffer[1 << 16];

int usage_error(const std::string& what) {
    std::fprintf(stderr, "vmhost: %s\n%s", what.c_str(), usage().c_str());
    return vmhost::kBadInput;
}

int error(const std::string& what) {
    std::fprintf(stderr, "vmhost: error: %s\n", what.c_str());
    return vmhost::kBadInput;
}

int vmhost_main(int argc, char** argv) {
    vmhost::Output standard_output{stdout, "to standard output"};
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(usage().c_str(), stdout);
        return standard_output.flush() ? vmhost::kOk : error(standard_output.message("usage"));
    }
    if (argc < 2) return usage_error("no command given");
    if (std::strcmp(argv[1], "validate") == 0) return vmhost::validate::main(argc - 2, argv + 2);
    const bool fly = std::strcmp(argv[1], "fly") == 0;
    if (!fly && std::strcmp(argv[1], "run") != 0)
        return usage_error("unknown command " + vmhost::quote(argv[1]));

    const char* scenario = nullptr;
    const char* trace_file = nullptr;
    const char* report_dir = nullptr;
    const char* plugin = nullptr;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--trace") == 0) {
            if (trace_file) return usage_error("--trace given twice");
            if (i + 1 >= argc) return usage_error("--trace needs a FILE");
            trace_file = argv[++i];
        } else if (std::strcmp(argv[i], "--plugin") == 0 && !fly) {
            if (plugin) return usage_error("--plugin given twice");
            if (i + 1 >= argc) return usage_error("--plugin needs a PATH");
            plugin = argv[++i];
        } else if (std::strcmp(argv[i], "--report") == 0) {
            if (report_dir) return usage_error("--report given twice");
            if (i + 1 >= argc) return usage_error("--report needs a DIR");
            report_dir = argv[++i];
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            return usage_error("unknown option " + vmhost::quote(argv[i]));
        } else if (!scenario) {
            scenario = argv[i];
        } else {
            return usage_error(fly ? "more than one aircraft given"
                                   : "more than one SCENARIO given");
        }
    }

    std::string name;
    std::string text;
    if (fly) {
        const std::string names = vmhost::aircraft_names(", ", " or ");
        if (!scenario) return usage_error("no aircraft given (" + names + ")");
        const vmhost::Aircraft* aircraft = vmhost::find_aircraft(scenario);
        if (!aircraft)
            return usage_error("unknown aircraft " + vmhost::quote(scenario) + " (" + names + ")");
        text = aircraft->flight;
        name = std::string("fly-") + scenario + ".vms";
    } else {
        if (!scenario) return usage_error("no SCENARIO given");
        std::string why;
        if (!vmhost::read_scenario(scenario, &text, &why)) return error(why);
        name = scenario;
        // Opening the trace would empty the scenario: refuse before that.
        if (trace_file && vmhost::same_file(scenario, trace_file))
            return error("the trace " + vmhost::quote_path(trace_file) +
                         " would overwrite the scenario");
    }

    // `run` traces to standard output unless told otherwise; `fly` prints its
    // summary there and traces only into a file.
    vmhost::Output trace;
    if (trace_file) {
        trace.name = vmhost::quote_path(trace_file);
        trace.file = std::fopen(trace_file, "wb");
        if (!trace.file) {
            trace.error = errno;
            return error(trace.message("trace"));
        }
    } else if (!fly) {
        vmhost::library::binary_stdout();
        trace = standard_output;
    }
    if (trace.file) {
        std::setvbuf(trace.file, g_trace_buffer, _IOFBF, sizeof g_trace_buffer);
        host::trace_to(trace.file);
    }

    vmhost::FlightLog log;
    vmhost::RunOptions options;
    if (fly || report_dir) options.log = &log;
    options.progress = fly && vmhost::stderr_is_terminal();
    options.trace = trace.file ? &trace : nullptr;
    if (plugin) options.plugin = plugin;
    if (!fly) options.folder = std::filesystem::path(scenario).parent_path().string();
    vmhost::catch_interrupts();
    vmhost::catch_early_exit();
    vmhost::running_scenario(true);
    vmhost::Status status = vmhost::run_scenario(name, text, stderr, options);
    vmhost::running_scenario(false);

    if (trace.file) {
        trace.flush();  // before the host's own flush, which would hide the reason
        host::trace_to(nullptr);
        if (!trace.close()) {
            error(trace.message("trace"));
            if (status != vmhost::kInterrupted) status = vmhost::kBadInput;
        }
    }
    if (status == vmhost::kInterrupted) return vmhost::kInterrupted + vmhost::interrupt_signal();
    if (fly) log.summary(stdout);
    if (report_dir) {
        std::string why;
        if (!log.write_report(report_dir, &why)) return error(why);
        if (fly) std::printf("\nreport: %s/index.html\n", vmhost::printable(report_dir).c_str());
    }
    if (fly && !standard_output.flush()) return error(standard_output.message("summary"));
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    vmhost::end_plainly_on_crash();
    try {
        return vmhost_main(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("vmhost: error: out of memory\n", stderr);
        return vmhost::kBadInput;
    }
}
