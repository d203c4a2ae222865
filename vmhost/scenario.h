// vmhost, the stand-in host program, and its library vm_scenario. A scenario
// flows one way: file -> reader -> runner -> host. Its files:
//   main.cpp             the command line: a table of vmhost's commands and
//                        the handlers of `run` and `fly`
//   cli.h/.cpp           what every command's command line shares: options,
//                        errors with notes and a hint, did-you-mean, help
//   scenario.h/.cpp      (this) running a scenario: run_scenario, its options
//                        and exit statuses, the loop over a scenario's lines
//   command.h            the typed commands the reader hands the runner
//   reader.h/.cpp        the scenario reader: tokens, numbers, names, and the
//                        command table, a row per form of a command
//   message.h/.cpp       text made safe to show; a run's messages
//   runner.h/.cpp        the runner: the plug-in's lifecycle and the plain
//                        commands (sound ... unload); every call into the
//                        plug-in goes through host/plugin_call.h
//   flying.cpp           the runner's flying: physics, pilot inputs, autopilot,
//                        `until`, sampling the flight log after each step, and
//                        whether the flight did what its scenario asked
//   aircraft.h/.cpp      the aircraft vmhost knows by name, one row each, with
//                        their default flights (flights.h.in, generated from
//                        examples/fly-NAME.vms)
//   flightlog.h/.cpp     the flight log, its events and summary table
//   flightlog_text.cpp   the flight log as text and back, for a parent process
//   csv.cpp              the log's CSV files
//   report.cpp           the report: SVG charts and index.html
//   files.h/.cpp         reading the scenario, the checked output streams,
//                        writing the report's files
//   interrupt.h/.cpp     SIGINT and SIGTERM noted for the runner to stop
//   library*.h/.cpp      loading a library, one file per platform
//
// The scenario language: one command per line, run as it is read.
#pragma once

#include <cstdio>
#include <string>

namespace vmhost {

class FlightLog;
struct Output;

// Exit statuses of vmhost.
enum Status {
    kOk = 0,
    kFlightFailed = 1,    // ran to its end, but the flight did not do what its scenario asked
    kBadInput = 2,        // bad command line or a scenario that cannot run
    kContractBroken = 3,  // ran to its end, but the plug-in broke the host contract
    kInterrupted = 128,   // stopped by a signal; vmhost exits with 128 + its number
};

// Runs the scenario `text`, read from the file `name` (used in messages),
// with the trace going wherever host::trace_to points. A faulty line is
// reported on `err` as "NAME:LINE: error: WHAT" and ends the run: nothing
// after it runs, and the trace ends there. Either way the vessels still alive
// are deleted and the plug-in unloaded at the end, as `unload` would; at the
// end of a good run that is traced, after a remark, after an error it is not.
//
// A run that reaches its end may still fail, each reason reported on `err`
// as "NAME[:LINE]: failed: WHAT" (and kept in the flight log for its
// summary): the plug-in broke the host contract (kContractBroken, which
// comes first); an `until` gave up with physics on, or, with `lift_off`, a
// vessel never left the ground (kFlightFailed).
//
// With a flight log in `options`, every live vessel is recorded after every
// step, and the pilot's commands are noted; with `progress`, a progress line
// on `err` is rewritten every second of simulated time while physics is on.
// With `flown_only`, the log records only the steps with physics on. With
// `trace`, the stream host::trace_to writes, the trace is flushed through it,
// so that a failed write keeps its reason, and once a write failed the run
// stops before the next step or line (kBadInput; the stream holds why).
//
// When a signal is noted (interrupt.h) the run stops before the next step or
// line: the trace ends with the remark "# interrupted", and the vessels and
// the plug-in go, untraced, as after an error.
//
// With a watch, it is told right before and after each post-step, key
// callback and coefficient call the scenario makes (those of the flight model
// are not watched), and around the creation (vmvcInit and the callbacks that
// follow it) and deletion of each vessel, e.g. to time them or to count what
// they allocate.
//
// `plugin`, when set, is the library `load` loads, whatever the scenario
// names (a scenario made on another machine). A relative path that `load`
// names and that is not found from the working folder is looked for in
// `folder`, the scenario's own.
enum class CallKind { post_step, key, coefficient, create, destroy };
struct CallWatch {
    virtual void enter(CallKind kind) = 0;
    virtual void leave(CallKind kind) = 0;

  protected:
    ~CallWatch() = default;
};
struct RunOptions {
    FlightLog* log = nullptr;
    bool progress = false;
    bool flown_only = false;
    Output* trace = nullptr;
    CallWatch* watch = nullptr;
    bool lift_off = false;  // a default flight: every vessel must leave the ground
    std::string plugin = {};
    std::string folder = {};
};
Status run_scenario(const std::string& name, const std::string& text, std::FILE* err,
                    const RunOptions& options = {});

}  // namespace vmhost
