// The scenario reader: tokens, numbers, names and keys, the command table,
// and run_scenario, which reads a scenario line by line and hands each line
// to the runner.
#include "reader.h"

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

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

std::string quote(std::string_view s) {
    std::string q = "'";
    std::size_t n = 0;
    for (unsigned char c : s) {
        if (++n > 64) {
            q += "...";
            break;
        }
        if (c < 0x20 || c >= 0x7f) {
            static const char hex[] = "0123456789abcdef";
            q += "\\x";
            q += hex[c >> 4];
            q += hex[c & 15];
        } else {
            q += static_cast<char>(c);
        }
    }
    return q + "'";
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
        throw Error{std::string(what) + " " + s + " is out of range (" + std::to_string(lo) + ".." +
                        std::to_string(hi) + ")",
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
    // Names the scenario language uses itself.
    if (name == "null" || name == "warp" || name == "heading")
        throw Error{"the vessel name " + quote(name) + " is reserved", ""};
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
    std::size_t pos = 0;
    int number = 0;
    Runner runner(options, name, err, &number);
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
        host::trace_flush();
        std::fprintf(err, "%s:%d: error: %s\n", name.c_str(), number, e.what.c_str());
        if (!e.note.empty())
            std::fprintf(err, "%s:%d: note: %s\n", name.c_str(), number, e.note.c_str());
        // The trace ends at the faulty line. The vessels still alive are
        // deleted and the plug-in unloaded all the same, so that its objects
        // are released, but unrecorded: no scenario line asked for it.
        host::trace_to(nullptr);
        runner.finish();
        return kBadInput;
    }
    runner.finish();
    host::trace_flush();
    return host::violations() > violations_before ? kContractBroken : kOk;
}

}  // namespace vmhost
