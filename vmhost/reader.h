// The scenario reader: a line's tokens, the numbers, names and keys in them,
// and the table of commands, one row per form a command takes, from which a
// line is read into its typed command (command.h). A line that cannot be read
// is thrown as an Error; run_scenario (scenario.cpp) reports it with its place.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "command.h"
#include "message.h"

namespace vmhost {

using Args = std::vector<std::string>;

// The tokens of one line, comment removed.
Args tokens(std::string_view line);

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

// The forms the commands take, one per usage: the rows of the command table,
// in this order.
// clang-format off
enum class Form {
    sound, load, create, set_reading, set_warp, set_heading, key, vc, airfoil, version, step,
    remove, unload, physics, throttle, elevator, aileron, rudder, trim, brake, autopilot_hold,
    autopilot_off, until_contact, until_contact_within, until_reading, until_reading_within,
    last = until_reading_within
};
// clang-format on
inline constexpr int kFormCount = static_cast<int>(Form::last) + 1;

// A row of the command table. Its usage is the whole grammar of the form:
// the command's name first, words in capitals stand for arguments, [...] for
// optional ones, a|b for one of these words. How many arguments the form
// takes is counted from it.
struct Row {
    using Read = Command (*)(const Args& args);

    Form form;
    const char* usage;
    Read read;  // reads a line of the command, whichever of its forms it is
    bool needs_plugin;
    bool pilot;              // what the pilot does: noted among the flight log's events
    int min_args, max_args;  // not counting the command itself

    constexpr Row(Form f, const char* u, Read r, bool plugin, bool by_pilot)
        : form(f),
          usage(u),
          read(r),
          needs_plugin(plugin),
          pilot(by_pilot),
          min_args(count_args(u, false)),
          max_args(count_args(u, true)) {}

  private:
    static constexpr int count_args(const char* usage, bool optional) {
        int n = -1;  // the command's name is no argument
        for (const char* p = usage; *p; ++p)
            if ((p == usage || p[-1] == ' ') && (optional || *p != '[')) ++n;
        return n;
    }
};

// The command a line's tokens (not empty) call: the first row of its forms.
// Throws Error when there is no such command or none of its forms takes as
// many arguments.
const Row& command_for(const Args& args);
// The line `number`, of the command `row` as command_for found it, read.
// Throws Error when its form's count or an argument is wrong.
Line read_line(const Row& row, const Args& args, long long number);

}  // namespace vmhost
