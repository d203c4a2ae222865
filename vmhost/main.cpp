// vmhost: the stand-in host. Loads a vessel plug-in, drives it from a
// scenario file and writes every call across the plug-in boundary to a trace.
// Its commands are the rows of one table, kCommands: a command is its row
// (name, usage, options, help) and its handler. The conventions they share
// are cli.h's.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "aircraft.h"
#include "cli.h"
#include "compare/compare.h"
#include "files.h"
#include "flightlog.h"
#include "host.h"
#include "interrupt.h"
#include "library.h"
#include "live/live.h"
#include "message.h"
#include "scenario.h"
#include "validate/validate.h"
#include "version.h"

namespace {

using vmhost::Status;
using vmhost::cli::Arguments;
using vmhost::cli::Option;
using vmhost::cli::Problem;

using vmhost::cli::Command;

// Where a command's help sends its reader on.
std::string read_on(const Command& c) {
    return std::string("Read on: docs/") + c.page + " (installed in " + vmhost::kDocDir + "/).\n";
}

// The trace stream's buffer: writing a trace line is then a copy, not a
// system call, and needs no allocation.
char g_trace_buffer[1 << 16];

// What `vmhost run` or `vmhost fly` is asked to do.
struct Job {
    bool fly = false;
    std::string given;  // the SCENARIO of run, the AIRCRAFT or FILE of fly
    std::optional<std::string> trace_file, report_dir;
    std::optional<std::string> plugin;  // run's --plugin: load this library instead
    std::string name;                   // of the scenario, as messages show it
    std::string text;                   // the scenario

    const char* command() const { return fly ? "fly" : "run"; }
    bool trace_to_stdout() const { return trace_file ? *trace_file == "-" : !fly; }
};

int job_error(const Job& job, Problem problem) {
    return vmhost::cli::usage_error(job.command(), problem);
}

// The one operand and the options.
int read_arguments(const Arguments& args, Job& job) {
    const char* operand = job.fly ? "AIRCRAFT or FILE" : "SCENARIO";
    if (args.operands.empty()) {
        Problem p{std::string("no ") + operand + " given"};
        if (job.fly) p.notes = vmhost::cli::suggest("", vmhost::aircraft_list(), "aircraft");
        return job_error(job, p);
    }
    if (args.operands.size() > 1)
        return job_error(job, {std::string("more than one ") + operand + " given"});
    job.given = args.operands[0];
    job.trace_file = args["--trace"];
    job.report_dir = args["--report"];
    if (!job.fly) job.plugin = args["--plugin"];
    if (job.report_dir == "-")
        return job_error(job, {"--report takes a folder; standard output cannot be one"});
    return 0;
}

// Whether fly's operand names a scenario file rather than an aircraft.
bool names_a_file(const std::string& given) {
    std::error_code ec;
    return given == "-" || given.ends_with(".vms") ||
           given.find_first_of("/\\") != std::string::npos || std::filesystem::exists(given, ec);
}

// The scenario: the default flight of `fly`'s aircraft, or a file.
int read_scenario_text(Job& job) {
    if (job.fly) {
        if (const vmhost::Aircraft* aircraft = vmhost::find_aircraft(job.given)) {
            job.text = aircraft->flight;
            job.name = "fly-" + job.given + ".vms";
            return 0;
        }
        if (!names_a_file(job.given)) {
            Problem p{"unknown aircraft " + vmhost::quote(job.given),
                      vmhost::cli::suggest(job.given, vmhost::aircraft_list(), "aircraft")};
            p.notes.emplace_back("or a scenario file: vmhost fly FILE.vms");
            return job_error(job, p);
        }
    }
    std::string why;
    if (!vmhost::read_scenario(job.given, &job.text, &why)) return vmhost::cli::error(why);
    job.name = job.given == "-" ? "<stdin>" : job.given;
    // Opening the trace would empty the scenario: refuse before that.
    if (job.trace_file && vmhost::same_file(job.given, *job.trace_file))
        return vmhost::cli::error("the trace " + vmhost::quote_path(*job.trace_file) +
                                  " would overwrite the scenario");
    return 0;
}

// Where the trace goes: the file of --trace, standard output for `run` or
// --trace -; `fly` traces only when asked.
int open_trace(const Job& job, vmhost::Output& trace) {
    if (job.trace_to_stdout()) {
        vmhost::library::binary(stdout);
        trace = vmhost::Output{stdout, "to standard output"};
    } else if (job.trace_file) {
        trace.name = vmhost::quote_path(*job.trace_file);
        trace.file = std::fopen(job.trace_file->c_str(), "wb");
        if (!trace.file) {
            trace.error = errno;
            return vmhost::cli::error(trace.message("trace"));
        }
    }
    if (trace.file) {
        std::setvbuf(trace.file, g_trace_buffer, _IOFBF, sizeof g_trace_buffer);
        host::trace_to(trace.file);
    }
    return 0;
}

// The trace written to its end; a failed write makes the run's status a
// bad input's (a broken pipe's), unless a signal stopped it.
int close_trace(vmhost::Output& trace, Status status) {
    if (!trace.file) return status;
    trace.flush();  // before the host's own flush, which would hide the reason
    host::trace_to(nullptr);
    if (trace.close()) return status;
    const int failed = vmhost::cli::failed(trace, "trace");
    return status == vmhost::kInterrupted ? status : failed;
}

// After the run: the summary of a flight (fly's on standard output unless
// the trace is there; run's on standard error) and the report of --report.
int report(const Job& job, const vmhost::FlightLog& log, int status) {
    const bool summary = job.fly || log.flown();
    std::FILE* out = job.fly && !job.trace_to_stdout() ? stdout : stderr;
    if (summary) log.summary(out);
    if (job.report_dir) {
        std::string why;
        const std::vector<std::string> used{job.fly ? "" : job.given, job.trace_file.value_or("")};
        if (!log.write_report(*job.report_dir, used, &why)) return vmhost::cli::error(why);
        if (summary)
            std::fprintf(out, "\nreport: %s/index.html\n",
                         vmhost::printable(*job.report_dir).c_str());
    }
    vmhost::Output standard_output{stdout, "to standard output"};
    if (out == stdout && !standard_output.flush())
        return vmhost::cli::failed(standard_output, "summary");
    return status;
}

// `vmhost run` and `vmhost fly`.
int run_or_fly(bool fly, const Arguments& args) {
    Job job;
    job.fly = fly;
    if (const int s = read_arguments(args, job)) return s;
    if (const int s = read_scenario_text(job)) return s;
    const std::string clash =
        vmhost::report_clash(job.report_dir ? job.report_dir->c_str() : nullptr,
                             job.trace_file ? job.trace_file->c_str() : nullptr,
                             job.fly || job.given == "-" ? nullptr : job.given.c_str());
    if (!clash.empty()) return vmhost::cli::error(clash);
    vmhost::Output trace;
    if (const int s = open_trace(job, trace)) return s;

    // A flight's log: the rows only for a report; `run` logs only what
    // flew, for its summary.
    vmhost::FlightLog log(5, job.report_dir.has_value());
    vmhost::RunOptions options;
    options.log = &log;
    options.flown_only = !fly && !job.report_dir;
    // Not on the terminal the trace goes to: the two would tangle.
    options.progress =
        vmhost::is_terminal(stderr) && !(job.trace_to_stdout() && vmhost::is_terminal(stdout));
    options.trace = trace.file ? &trace : nullptr;
    options.lift_off = fly;
    if (job.plugin) options.plugin = *job.plugin;
    if (job.given != "-" && !vmhost::find_aircraft(job.given))
        options.folder = std::filesystem::path(job.given).parent_path().string();
    vmhost::catch_interrupts();
    vmhost::catch_early_exit();
    vmhost::running_scenario(true);
    const Status ran = vmhost::run_scenario(job.name, job.text, stderr, options);
    vmhost::running_scenario(false);
    const int status = close_trace(trace, ran);
    if (status == vmhost::kInterrupted) return vmhost::kInterrupted + vmhost::interrupt_signal();
    if (status == vmhost::cli::kBrokenPipe) return status;
    return report(job, log, status);
}

const char kRunStatuses[] =
    "exit status:\n"
    "  0      the scenario ran to its end (and its flight did what it asked)\n"
    "  1      it ran to its end, but its flight did not do what it asked\n"
    "  2      a bad command line, or a scenario that cannot run (FILE:LINE: error: ...)\n"
    "  3      it ran to its end, but the plug-in broke the host contract ('!' lines)\n"
    "  4      the plug-in ended the process with exit() before the end\n"
    "  141    standard output closed by its reader before the end (a broken pipe)\n"
    "  128+N  stopped by signal N: 130 for Ctrl-C, 143 for SIGTERM\n";

const Option kFlyOptions[] = {
    {"--trace", "FILE", "write the trace to FILE; - is standard output"},
    {"--report", "DIR", "write the flight report into DIR: index.html, NAME.csv, NAME.svg"},
};
const Option kRunOptions[] = {
    kFlyOptions[0],
    kFlyOptions[1],
    {"--plugin", "PATH", "load the library PATH, whatever the scenario's `load` names"},
};

std::string run_about() {
    return "Runs SCENARIO (a file, or - for standard input) and writes the trace of\n"
           "every call across the plug-in boundary to standard output. A scenario\n"
           "that flies (physics on) ends with a summary of its flight on standard\n"
           "error, and shows its progress on a terminal while it flies.\n";
}

std::string fly_about() {
    return "Flies AIRCRAFT's default flight (" + vmhost::aircraft_names(", ", " or ") +
           "), or the scenario\n"
           "FILE (- for standard input), with the flight model: a progress line on a\n"
           "terminal while it flies, then a summary on standard output. It traces\n"
           "only with --trace. The default flights are examples/fly-AIRCRAFT.vms; to\n"
           "fly your own, edit a copy and fly that: vmhost fly my-flight.vms\n";
}

int complete_main(const Arguments& args);
int help_main(const Arguments& args);

const Command kCommands[] = {
    {"run", "SCENARIO [--trace FILE] [--report DIR] [--plugin PATH]",
     "run a scenario and write its trace", kRunOptions, run_about, kRunStatuses, "vmhost.md",
     [](const Arguments& a) { return run_or_fly(false, a); }},
    {"fly", "AIRCRAFT|FILE [--trace FILE] [--report DIR]",
     "fly an aircraft's default flight, or a scenario, with the flight model", kFlyOptions,
     fly_about, kRunStatuses, "vmhost.md", [](const Arguments& a) { return run_or_fly(true, a); }},
    vmhost::validate::command(),
    vmhost::compare::command(),
    vmhost::live::command(),
    {"help",
     "[COMMAND]",
     "show the help of vmhost or of a command",
     {},
     [] { return std::string("Shows the help of vmhost, or of COMMAND.\n"); },
     "exit status: 0, or 2 for an unknown COMMAND\n",
     "vmhost.md",
     help_main},
    // The lists bash completion asks for; hidden.
    {"complete",
     "commands|aircraft|checks",
     nullptr,
     {},
     [] {
         return std::string(
             "Prints the commands, the aircraft or validate's check ids, one a line,\n"
             "for shell completion.\n");
     },
     "exit status: 0, or 2 for another list\n",
     "vmhost.md",
     complete_main},
};

std::vector<std::string> command_names() {
    std::vector<std::string> names;
    for (const Command& c : kCommands)
        if (c.summary) names.emplace_back(c.name);
    return names;
}

const Command* find_command(std::string_view name) {
    for (const Command& c : kCommands)
        if (name == c.name) return &c;
    return nullptr;
}

std::string main_help() {
    std::string text =
        "usage: vmhost COMMAND [ARGUMENTS]\n"
        "       vmhost --help | --version\n"
        "\n"
        "The stand-in host: loads a vessel plug-in, drives it from a scenario and\n"
        "traces every call across the plug-in boundary.\n"
        "\n"
        "commands:\n";
    for (const Command& c : kCommands) {
        if (!c.summary) continue;
        char line[160];
        std::snprintf(line, sizeof line, "  %-9s %s\n", c.name, c.summary);
        text += line;
    }
    return text +
           "\n'vmhost help COMMAND' or 'vmhost COMMAND --help' shows a command's options\n"
           "and exit statuses.\n" +
           read_on(kCommands[0]);
}

// A command's help: its usage, what it does, its options from their table
// (each option's help in a column of its own) and its exit statuses.
std::string help_of(const Command& c) {
    std::string text = std::string("usage: vmhost ") + c.name + " " + c.usage + "\n\n" + c.about();
    const auto shown = [](const Option& o) {
        return std::string(o.name) + (o.value ? std::string(" ") + o.value : "");
    };
    std::size_t width = 13;  // at least a blank between an option and its help
    for (const Option& o : c.options)
        if (!o.hidden) width = std::max(width, shown(o).size() + 1);
    const std::string indent(width + 3, ' ');
    text += "\noptions:\n";
    for (const Option& o : c.options) {
        if (o.hidden) continue;
        text += "  " + shown(o) + std::string(width + 1 - shown(o).size(), ' ');
        for (const char* line = o.help; *line;) {
            const char* end = std::strchr(line, '\n');
            const std::size_t size = end ? static_cast<std::size_t>(end - line) : std::strlen(line);
            (text += line == o.help ? "" : indent).append(line, size) += '\n';
            line += size + (end ? 1 : 0);
        }
    }
    text += "  -h, --help" + std::string(width - 9, ' ') + "show this help\n\n";
    return text + c.statuses + "\n" + read_on(c);
}

int print_help(const Command& c) {
    return vmhost::cli::print(help_of(c), "help");
}

int help_main(const Arguments& args) {
    if (args.operands.empty()) return vmhost::cli::print(main_help(), "help");
    if (args.operands.size() > 1)
        return vmhost::cli::usage_error("help", {"more than one COMMAND"});
    const std::string& name = args.operands[0];
    const Command* c = find_command(name);
    if (!c || !c->summary)
        return vmhost::cli::usage_error("",
                                        {"unknown command " + vmhost::quote(name),
                                         vmhost::cli::suggest(name, command_names(), "commands")});
    return print_help(*c);
}

int complete_main(const Arguments& args) {
    std::string list;
    const std::string what = args.operands.size() == 1 ? args.operands[0] : "";
    if (what == "commands") {
        for (const std::string& name : command_names()) list += name + "\n";
    } else if (what == "aircraft") {
        for (const std::string& name : vmhost::aircraft_list()) list += name + "\n";
    } else if (what == "checks") {
        for (const auto& check : vmhost::validate::all_checks())
            list += check->id + std::string("\n");
    } else {
        return vmhost::cli::usage_error("complete",
                                        {"complete lists commands, aircraft or checks"});
    }
    return vmhost::cli::print(list, "the list");
}

// A command with the arguments after its name.
int call(const Command& c, int argc, char** argv) {
    Arguments args;
    if (const std::optional<Problem> p = vmhost::cli::parse(c.options, argc, argv, args))
        return vmhost::cli::usage_error(c.name, *p);
    if (args.help) return print_help(c);
    return c.main(args);
}

int vmhost_main(int argc, char** argv) {
    const std::string_view first = argc > 1 ? argv[1] : "";
    if (first == "-h" || first == "--help") return vmhost::cli::print(main_help(), "help");
    if (first == "--version")
        return vmhost::cli::print(std::string("vmhost ") + vmhost::kVersion + "\n", "version");
    if (const Command* c = find_command(first)) return call(*c, argc - 2, argv + 2);
    if (argc < 2)
        return vmhost::cli::usage_error(
            "", {"no command given", vmhost::cli::suggest("", command_names(), "commands")});
    if (first.starts_with('-'))
        return vmhost::cli::usage_error(
            "", {"unknown option " + vmhost::quote(first),
                 vmhost::cli::suggest(first, {"--help", "--version"}, "options")});
    return vmhost::cli::usage_error("", {"unknown command " + vmhost::quote(first),
                                         vmhost::cli::suggest(first, command_names(), "commands")});
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
