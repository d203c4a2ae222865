// The scenario reader: a line's tokens, the numbers, names and keys in them,
// and the table of commands with what each accepts. A line that cannot run is
// thrown as an Error and reported by run_scenario (reader.cpp) with its place.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host.h"

namespace vmhost {

class Runner;
using Args = std::vector<std::string>;

// A line that cannot run.
struct Error {
    std::string what;
    std::string note;  // an optional second line, e.g. the system's reason
};

// A signal asked the run to stop (interrupt.h).
struct Interrupted {};

// The tokens of one line, comment removed.
Args tokens(std::string_view line);

// A token in a message: quoted, control bytes escaped, long ones cut short.
std::string quote(std::string_view s);
// Text for a message (a file name, the system's reason, a number as
// written): control bytes escaped as \xNN, so that nothing echoed can drive
// the terminal, and cut short after `max` bytes.
std::string printable(std::string_view s, std::size_t max = std::string_view::npos);
// A file name in a message: quoted, control bytes escaped, never cut.
std::string quote_path(std::string_view path);

double parse_real(const std::string& s);
// A decimal integer (or, with base 0, also 0x... and 0...) within lo..hi.
long long parse_integer(const std::string& s, long long lo, long long hi, const char* what,
                        int base = 10);
int parse_int(const std::string& s, const char* what);
// A key: a letter A to Z as the host's keyboard scan code, or a code 0..255.
long long parse_key(const std::string& k);

// A name a vessel may have; throws Error when it may not.
void check_vessel_name(const std::string& name);

// A token that names a file (`what`: "plug-in", "sound add-on"); throws Error
// when it holds a control byte: a NUL would silently cut the name short.
void check_path(const std::string& token, const char* what);

// The reading a `set` or `until` quantity names, if it names one.
std::optional<host::Reading> find_quantity(std::string_view name);

struct Command {
    const char* name;
    int min_args, max_args;  // not counting the command itself
    bool needs_plugin;
    bool pilot;  // what the pilot does: noted among the flight log's events
    void (Runner::*run)(const Args& args);
    const char* usage;
};

// The command called `name`, or null.
const Command* find_command(std::string_view name);
// The command a line's tokens (not empty) call, with as many arguments as it
// takes; throws Error when there is no such command or the count is wrong.
const Command& command_for(const Args& args);

}  // namespace vmhost
