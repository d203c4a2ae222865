// `vmhost live`'s options and help, in every build: one without the server
// library answers --help too, and says so when run.
#include "aircraft.h"
#include "live.h"

namespace vmhost::live {
namespace {

const cli::Option kOptions[] = {
    {"--port", "N", "listen on port N of 127.0.0.1 (default: any free port)"},
    {"--record", "FILE", "keep the session as a scenario: vmhost run FILE replays it"},
    {"--trace", "FILE", "write the trace as the session goes"},
    {"--scenario", "FILE",
     "the start: its lines run after 'load PLUGIN' (default:\n"
     "'create NAME' and 'physics on')"},
};

std::string about() {
    return "Flies PLUGIN by hand, in real time, from a browser page: open the address\n"
           "it prints. PLUGIN is an aircraft's name (" +
           aircraft_names(", ", " or ") +
           ") or a library's\n"
           "path. Ctrl-C or closing the page ends it.\n";
}

const char kStatuses[] =
    "exit status:\n"
    "  0      the session ended: the page closed or ended it, or Ctrl-C\n"
    "  1      an 'until' of the start gave up before it got there\n"
    "  2      a bad command line, a start or plug-in that cannot run, a file that\n"
    "         cannot be written, or a build without live mode\n"
    "  3      the plug-in broke the host contract ('!' lines)\n";

}  // namespace

cli::Command command() {
    return {"live",
            "PLUGIN [--port N] [--record FILE] [--trace FILE] [--scenario FILE]",
            "fly a plug-in by hand from a browser page, in real time",
            kOptions,
            about,
            kStatuses,
            "live.md",
            main};
}

}  // namespace vmhost::live
