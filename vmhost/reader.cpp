// The scenario reader: tokens, numbers, names and keys, the command table,
// and run_scenario, which reads a scenario line by line and hands each line
// to the runner.
#include "reader.h"

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "files.h"
#include "runner.h"
#include "scenario.h"

namespace vmhost {
namespace {

// clang-format off
const Command kCommands[] = {
    // name       args  plug-in pilot  run                 usage
    {"sound",     1, 1, false, false, &Runner::sound,     "sound MODE"},
    {"load",      1, 1, false, false, &Runner::load,      "load PLUGIN"},
    {"create",    1, 2, true,  false, &Runner::create,    "create NAME [MODEL]"},
    {"set",       2, 3, true,  false, &Runner::set,
     "set NAME QUANTITY VALUE, set warp VALUE or set heading VALUE"},
    {"key",       2, 6, true,  true,  &Runner::key,       "key NAME KEY [up] [shift] [ctrl] [alt]"},
    {"vc",        1, 2, true,  false, &Runner::vc,        "vc NAME [ID]"},
    {"airfoil",   3, 5, true,  false, &Runner::airfoil,   "airfoil NAME INDEX ANGLE [MACH [RE]]"},
    {"version",   0, 0, true,  false, &Runner::version,   "version"},
    {"step",      0, 1, true,  false, &Runner::step,      "step [N]"},
    {"delete",    1, 1, true,  false, &Runner::remove,    "delete NAME"},
    {"unload",    0, 0, true,  false, &Runner::unload,    "unload"},
    {"physics",   1, 1, true,  true,  &Runner::physics,   "physics on|off"},
    {"throttle",  2, 2, true,  true,  &Runner::throttle,  "throttle NAME LEVEL"},
    {"elevator",  2, 2, true,  true,  &Runner::elevator,  "elevator NAME LEVEL"},
    {"aileron",   2, 2, true,  true,  &Runner::aileron,   "aileron NAME LEVEL"},
    {"rudder",    2, 2, true,  true,  &Runner::rudder,    "rudder NAME LEVEL"},
    {"trim",      2, 2, true,  true,  &Runner::trim,      "trim NAME LEVEL"},
    {"brake",     2, 2, true,  true,  &Runner::brake,     "brake NAME LEVEL"},
    {"autopilot", 2, 3, true,  true,  &Runner::autopilot,
     "autopilot NAME pitch|climb|bank VALUE or autopilot NAME off [pitch|bank]"},
    {"until",     2, 5, true,  false, &Runner::until,
     "until NAME airborne|grounded [MAXSTEPS] or until NAME QUANTITY above|below VALUE [MAXSTEPS]"},
};

const struct {
    const char* name;
    host::Reading reading;
} kQuantities[] = {
    {"airspeed", host::Reading::airspeed}, {"altitude", host::Reading::altitude},
    {"pitch",    host::Reading::pitch},    {"bank",     host::Reading::bank},
    {"aoa",      host::Reading::aoa},      {"ground",   host::Reading::ground},
    {"fuel",     host::Reading::fuel},     {"thrust",   host::Reading::thrust},
    {"elevator", host::Reading::elevator}, {"rudder",   host::Reading::rudder},
    {"aileron",  host::Reading::aileron},  {"flap",     host::Reading::flap},
    {"trim",     host::Reading::trim},
};
// clang-format on

// Letters A to Z as the host's keyboard scan codes.
int letter_code(char c) {
    static const struct {
        const char* row;
        int first;
    } rows[] = {{"QWERTYUIOP", 0x10}, {"ASDFGHJKL", 0x1E}, {"ZXCVBNM", 0x2C}};
    for (const auto& r : rows)
        if (const char* p = std::strchr(r.row, c); p && c)
            return r.first + static_cast<int>(p - r.row);
    return -1;
}

}  // namespace

Args tokens(std::string_view line) {
    if (const auto hash = line.find('#'); hash != std::string_view::npos)
        line = line.substr(0, hash);
    Args out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        const std::size_t start = i;
        while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        if (i > start) out.emplace_back(line.substr(start, i - start));
    }
    return out;
}

namespace {

bool is_control(unsigned char c) {
    return c < 0x20 || c == 0x7f;
}

// `s` with the bytes `escaped` picks written as \xNN, cut after `max` bytes.
template <class Escaped>
std::string shown(std::string_view s, std::size_t max, Escaped escaped) {
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (i == max) return out + "...";
        const auto c = static_cast<unsigned char>(s[i]);
        if (escaped(c)) {
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

}  // namespace

std::string quote(std::string_view s) {
    std::string q = "'";
    q += shown(s, 64, [](unsigned char c) { return is_control(c) || c >= 0x80; });
    q += '\'';
    return q;
}

std::string printable(std::string_view s, std::size_t max) {
    return shown(s, max, is_control);
}

std::string quote_path(std::string_view path) {
    std::string q = "'";
    q += printable(path);
    q += '\'';
    return q;
}

double parse_real(const std::string& s) {
    const char* begin = s.c_str();
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(begin, &end);
    if (s.empty() || end != begin + s.size()) throw Error{quote(s) + " is not a number", ""};
    return v;
}

long long parse_integer(const std::string& s, long long lo, long long hi, const char* what,
                        int base) {
    const char* begin = s.c_str();
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(begin, &end, base);
    if (s.empty() || end != begin + s.size() || std::isspace(static_cast<unsigned char>(s[0])))
        throw Error{quote(s) + " is not an integer", ""};
    if (errno == ERANGE || v < lo || v > hi)
        throw Error{std::string(what) + " " + printable(s, 64) + " is out of range (" +
                        std::to_string(lo) + ".." + std::to_string(hi) + ")",
                    ""};
    return v;
}

int parse_int(const std::string& s, const char* what) {
    return static_cast<int>(parse_integer(s, INT32_MIN, INT32_MAX, what));
}

long long parse_key(const std::string& k) {
    if (k.size() == 1 && k[0] >= 'A' && k[0] <= 'Z') return letter_code(k[0]);
    if (!k.empty() && std::isdigit(static_cast<unsigned char>(k[0]))) {
        const bool hex = k.size() > 1 && k[0] == '0' && (k[1] == 'x' || k[1] == 'X');
        return parse_integer(k, 0, 255, "key code", hex ? 16 : 10);
    }
    throw Error{"unknown key " + quote(k) + " (A to Z or a code 0..255)", ""};
}

void check_vessel_name(const std::string& name) {
    bool valid = !name.empty();
    for (unsigned char c : name) valid = valid && (std::isalnum(c) || c == '_');
    if (!valid)
        throw Error{"invalid vessel name " + quote(name) + " (letters, digits and _ only)", ""};
    // Names the scenario language uses itself, and the names the trace gives
    // the module, host objects and records: a vessel so named would read as
    // one of them.
    static const char* const kWords[] = {"null", "warp", "heading", "module"};
    static const char* const kNumbered[] = {"mesh", "ph", "th", "thg", "ac",
                                            "tf",   "bl", "ex", "mfd", "cf"};
    bool reserved = false;
    for (const char* w : kWords) reserved = reserved || name == w;
    for (std::string_view prefix : kNumbered)
        reserved =
            reserved || (name.size() > prefix.size() && name.starts_with(prefix) &&
                         name.find_first_not_of("0123456789", prefix.size()) == std::string::npos);
    if (reserved) throw Error{"the vessel name " + quote(name) + " is reserved", ""};
}

void check_path(const std::string& token, const char* what) {
    for (char c : token)
        if (is_control(static_cast<unsigned char>(c)))
            throw Error{
                std::string("the ") + what + " path " + quote(token) + " holds a control byte", ""};
}

std::optional<host::Reading> find_quantity(std::string_view name) {
    for (const auto& q : kQuantities)
        if (name == q.name) return q.reading;
    return std::nullopt;
}

const Command* find_command(std::string_view name) {
    for (const Command& c : kCommands)
        if (name == c.name) return &c;
    return nullptr;
}

namespace {

void flush_trace(const RunOptions& options) {
    if (options.trace) {
        options.trace->flush();
    } else {
        host::trace_flush();
    }
}

}  // namespace

const Command& command_for(const Args& args) {
    const Command* c = find_command(args[0]);
    if (!c) throw Error{"unknown command " + quote(args[0]), ""};
    const int n = static_cast<int>(args.size()) - 1;
    if (n < c->min_args || n > c->max_args)
        throw Error{"wrong number of arguments: " + std::string(c->usage), ""};
    return *c;
}

Status run_scenario(const std::string& name, const std::string& text, std::FILE* err,
                    const RunOptions& options) {
    const int violations_before = host::violations();
    const std::string shown_name = printable(name);
    std::size_t pos = 0;
    long long number = 0;
    Runner runner(options, shown_name, err, &number);
    try {
        while (pos < text.size()) {
            std::size_t end = text.find('\n', pos);
            if (end == std::string::npos) end = text.size();
            ++number;
            const Args args = tokens(std::string_view(text).substr(pos, end - pos));
            pos = end + 1;
            if (!args.empty()) runner.line(args);
        }
    } catch (const Error& e) {
        flush_trace(options);
        std::fprintf(err, "%s:%lld: error: %s\n", shown_name.c_str(), number, e.what.c_str());
        if (!e.note.empty())
            std::fprintf(err, "%s:%lld: note: %s\n", shown_name.c_str(), number,
                         printable(e.note).c_str());
        // The trace ends at the faulty line. The vessels still alive are
        // deleted and the plug-in unloaded all the same, so that its objects
        // are released, but unrecorded: no scenario line asked for it.
        host::trace_to(nullptr);
        runner.finish();
        return kBadInput;
    } catch (const Interrupted&) {
        // Noted between two calls into the plug-in, so the trace holds whole
        // lines; it ends with this remark. The rest goes as after an error.
        host::remark("interrupted");
        flush_trace(options);
        host::trace_to(nullptr);
        runner.finish();
        return kInterrupted;
    }
    runner.finish();
    flush_trace(options);
    return host::violations() > violations_before ? kContractBroken : kOk;
}

}  // namespace vmhost
