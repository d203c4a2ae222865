// vmhost: the stand-in host. Loads a vessel plug-in, drives it from a
// scenario file and writes every call across the plug-in boundary to a trace.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "aircraft.h"
#include "compare/compare.h"
#include "files.h"
#include "flightlog.h"
#include "host.h"
#include "interrupt.h"
#include "library.h"
#include "message.h"
#include "scenario.h"
#include "validate/validate.h"

namespace {

using vmhost::Status;

std::string usage() {
    return "usage: vmhost run SCENARIO [--trace FILE] [--plugin PATH]\n"
           "       vmhost fly " +
           vmhost::aircraft_names("|", "|") +
           " [--trace FILE]\n"
           "       vmhost validate PLUGIN [OPTIONS]   (vmhost validate --help)\n"
           "       vmhost compare OLD NEW [OPTIONS]   (vmhost compare --help)\n"
           "       vmhost --help\n"
           "\n"
           "run: runs SCENARIO and writes the trace to FILE, or to standard output;\n"
           "     with --plugin, its `load` loads the library PATH instead.\n"
           "fly: flies the aircraft's default flight with the flight model, shows its\n"
           "     progress and prints a summary; the trace goes only to a FILE.\n"
           "Either takes --report DIR: the flight log goes to DIR, as NAME.csv and\n"
           "NAME.svg for each vessel and index.html showing them all.\n"
           "validate: runs a battery of checks against any vessel plug-in.\n"
           "compare: shows what a change to a plug-in did to its behaviour: the same\n"
           "     scenarios run with two builds, their traces compared call by call.\n";
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

// What `vmhost run` or `vmhost fly` is asked to do.
struct Job {
    bool fly = false;
    const char* given = nullptr;  // the SCENARIO of run, the aircraft of fly
    const char* trace_file = nullptr;
    const char* report_dir = nullptr;
    const char* plugin = nullptr;  // --plugin: load this library instead
    std::string name;              // of the scenario, as messages show it
    std::string text;              // the scenario
};

// The options and the one operand after the command: a usage error's
// status, or 0.
int read_arguments(int argc, char** argv, Job& job) {
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--trace") == 0) {
            if (job.trace_file) return usage_error("--trace given twice");
            if (i + 1 >= argc) return usage_error("--trace needs a FILE");
            job.trace_file = argv[++i];
        } else if (std::strcmp(argv[i], "--plugin") == 0 && !job.fly) {
            if (job.plugin) return usage_error("--plugin given twice");
            if (i + 1 >= argc) return usage_error("--plugin needs a PATH");
            job.plugin = argv[++i];
        } else if (std::strcmp(argv[i], "--report") == 0) {
            if (job.report_dir) return usage_error("--report given twice");
            if (i + 1 >= argc) return usage_error("--report needs a DIR");
            job.report_dir = argv[++i];
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            return usage_error("unknown option " + vmhost::quote(argv[i]));
        } else if (!job.given) {
            job.given = argv[i];
        } else {
            return usage_error(job.fly ? "more than one aircraft given"
                                       : "more than one SCENARIO given");
        }
    }
    return 0;
}

// The scenario: the default flight of `fly`'s aircraft, the file of `run`.
int read_scenario_text(Job& job) {
    if (job.fly) {
        const std::string names = vmhost::aircraft_names(", ", " or ");
        if (!job.given) return usage_error("no aircraft given (" + names + ")");
        const vmhost::Aircraft* aircraft = vmhost::find_aircraft(job.given);
        if (!aircraft)
            return usage_error("unknown aircraft " + vmhost::quote(job.given) + " (" + names + ")");
        job.text = aircraft->flight;
        job.name = std::string("fly-") + job.given + ".vms";
        return 0;
    }
    if (!job.given) return usage_error("no SCENARIO given");
    std::string why;
    if (!vmhost::read_scenario(job.given, &job.text, &why)) return error(why);
    job.name = job.given;
    // Opening the trace would empty the scenario: refuse before that.
    if (job.trace_file && vmhost::same_file(job.given, job.trace_file))
        return error("the trace " + vmhost::quote_path(job.trace_file) +
                     " would overwrite the scenario");
    return 0;
}

// Where the trace goes: the file of --trace, else standard output for
// `run`; `fly` prints its summary there and traces only into a file.
int open_trace(const Job& job, vmhost::Output& trace) {
    if (job.trace_file) {
        trace.name = vmhost::quote_path(job.trace_file);
        trace.file = std::fopen(job.trace_file, "wb");
        if (!trace.file) {
            trace.error = errno;
            return error(trace.message("trace"));
        }
    } else if (!job.fly) {
        vmhost::library::binary_stdout();
        trace = vmhost::Output{stdout, "to standard output"};
    }
    if (trace.file) {
        std::setvbuf(trace.file, g_trace_buffer, _IOFBF, sizeof g_trace_buffer);
        host::trace_to(trace.file);
    }
    return 0;
}

// The trace written to its end; a failed write makes the run's status a
// bad input's, unless a signal stopped it.
Status close_trace(vmhost::Output& trace, Status status) {
    if (!trace.file) return status;
    trace.flush();  // before the host's own flush, which would hide the reason
    host::trace_to(nullptr);
    if (trace.close()) return status;
    error(trace.message("trace"));
    return status == vmhost::kInterrupted ? status : vmhost::kBadInput;
}

// After the run: `fly`'s summary and the report of --report.
int report(const Job& job, const vmhost::FlightLog& log, Status status) {
    vmhost::Output standard_output{stdout, "to standard output"};
    if (job.fly) log.summary(stdout);
    if (job.report_dir) {
        std::string why;
        const std::vector<std::string> used{job.fly ? "" : job.given,
                                            job.trace_file ? job.trace_file : ""};
        if (!log.write_report(job.report_dir, used, &why)) return error(why);
        if (job.fly)
            std::printf("\nreport: %s/index.html\n", vmhost::printable(job.report_dir).c_str());
    }
    if (job.fly && !standard_output.flush()) return error(standard_output.message("summary"));
    return status;
}

// `vmhost run` and `vmhost fly`, given the arguments after the command.
int run_or_fly(bool fly, int argc, char** argv) {
    Job job;
    job.fly = fly;
    if (const int s = read_arguments(argc, argv, job)) return s;
    if (const int s = read_scenario_text(job)) return s;
    const std::string clash =
        vmhost::report_clash(job.report_dir, job.trace_file, job.fly ? nullptr : job.given);
    if (!clash.empty()) return error(clash);
    vmhost::Output trace;
    if (const int s = open_trace(job, trace)) return s;

    vmhost::FlightLog log;
    vmhost::RunOptions options;
    if (fly || job.report_dir) options.log = &log;
    options.progress = fly && vmhost::stderr_is_terminal();
    options.trace = trace.file ? &trace : nullptr;
    options.lift_off = fly;
    if (job.plugin) options.plugin = job.plugin;
    if (!fly) options.folder = std::filesystem::path(job.given).parent_path().string();
    vmhost::catch_interrupts();
    vmhost::catch_early_exit();
    vmhost::running_scenario(true);
    Status status = vmhost::run_scenario(job.name, job.text, stderr, options);
    vmhost::running_scenario(false);
    status = close_trace(trace, status);
    if (status == vmhost::kInterrupted) return vmhost::kInterrupted + vmhost::interrupt_signal();
    return report(job, log, status);
}

// vmhost's commands: the first argument names one, which gets the rest.
const struct {
    const char* name;
    int (*main)(int argc, char** argv);
} kCommands[] = {
    {"run", [](int argc, char** argv) { return run_or_fly(false, argc, argv); }},
    {"fly", [](int argc, char** argv) { return run_or_fly(true, argc, argv); }},
    {"validate", vmhost::validate::main},
    {"compare", vmhost::compare::main},
};

int vmhost_main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        vmhost::Output standard_output{stdout, "to standard output"};
        std::fputs(usage().c_str(), stdout);
        return standard_output.flush() ? vmhost::kOk : error(standard_output.message("usage"));
    }
    if (argc < 2) return usage_error("no command given");
    for (const auto& c : kCommands)
        if (std::strcmp(argv[1], c.name) == 0) return c.main(argc - 2, argv + 2);
    return usage_error("unknown command " + vmhost::quote(argv[1]));
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
