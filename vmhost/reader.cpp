// The scenario reader: tokens, numbers, names and keys, and the command
// table with the reading of each command.
#include "reader.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "cli.h"

namespace vmhost {
namespace {

// clang-format off
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
static_assert(std::size(kQuantities) == host::kReadingCount, "a name for every reading");

std::vector<std::string> quantity_names() {
    std::vector<std::string> names;
    for (const auto& q : kQuantities) names.emplace_back(q.name);
    return names;
}

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
    std::vector<std::string> letters;
    for (char c = 'A'; c <= 'Z'; ++c) letters.emplace_back(1, c);
    throw Error{"unknown key " + quote(k) + " (A to Z or a code 0..255)", "",
                cli::suggest(k, letters)};
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

namespace {

const Row& row(Form f);

// Throws unless the line has as many arguments as form `f` takes. The
// message shows the form's usage with the words the line chose, "autopilot
// NAME pitch VALUE" rather than "autopilot NAME pitch|climb|bank VALUE".
void expect(Form f, const Args& a) {
    const Row& r = row(f);
    const auto n = static_cast<int>(a.size()) - 1;
    if (n >= r.min_args && n <= r.max_args) return;
    std::string usage;
    std::size_t i = 0;
    for (const Args words = tokens(r.usage); const std::string& w : words) {
        const bool chosen = w.find('|') != std::string::npos && w[0] != '[' && i < a.size();
        usage += (usage.empty() ? "" : " ") + (chosen ? a[i] : w);
        ++i;
    }
    throw Error{"wrong number of arguments: " + usage, ""};
}

std::string joined(const Args& a, std::size_t from, std::size_t to) {
    std::string s;
    for (std::size_t i = from; i < to && i < a.size(); ++i) s += (s.empty() ? "" : " ") + a[i];
    return s;
}

// The reading of each command: it picks the form its words ask for, checks
// that form's count where the command has several, and parses the arguments.
// a[0] is the command.

const char* const kSoundModes[] = {"none", "full", "no-id", "partial"};

// The notes for an unknown quantity: what `set` takes, and `until` also
// `climb`.
std::vector<std::string> quantity_hints(const std::string& given, bool climb) {
    std::vector<std::string> names = quantity_names();
    if (climb) names.emplace_back("climb");
    return cli::suggest(given, names, "quantities");
}

Command read_sound(const Args& a) {
    // MODE may also be the path of a library of the add-on's name (a broken
    // install, say), written with a slash.
    const bool is_path = a[1].find_first_of("/\\") != std::string::npos;
    if (is_path) check_path(a[1], "sound add-on");
    bool known = is_path;
    for (const char* m : kSoundModes) known = known || a[1] == m;
    if (!known)
        throw Error{"unknown sound mode " + quote(a[1]) + " (none, full, no-id, partial or a path)",
                    "", cli::suggest(a[1], {std::begin(kSoundModes), std::end(kSoundModes)})};
    return cmd::Sound{a[1], is_path};
}

Command read_load(const Args& a) {
    check_path(a[1], "plug-in");
    return cmd::Load{a[1]};
}

Command read_create(const Args& a) {
    check_vessel_name(a[1]);  // before the model: a bad name is the first fault
    return cmd::Create{a[1], a.size() > 2 ? parse_int(a[2], "flight model") : 1};
}

Command read_set(const Args& a) {
    if (a[1] == "warp") {
        expect(Form::set_warp, a);
        return cmd::SetWarp{parse_real(a[2])};
    }
    if (a[1] == "heading") {
        expect(Form::set_heading, a);
        if (a[2] == "none") return cmd::SetHeading{};
        return cmd::SetHeading{parse_real(a[2])};
    }
    expect(Form::set_reading, a);
    const std::optional<host::Reading> q = find_quantity(a[2]);
    if (!q) throw Error{"unknown quantity " + quote(a[2]), "", quantity_hints(a[2], false)};
    const double value = parse_real(a[3]);
    if (*q == host::Reading::ground && value != 0.0 && value != 1.0)
        throw Error{"ground is 0 or 1, not " + printable(a[3], 64), ""};
    return cmd::SetReading{a[1], *q, value};
}

Command read_key(const Args& a) {
    cmd::Key k{a[1], static_cast<std::uint32_t>(parse_key(a[2]))};
    static const char* const kOptions[] = {"up", "shift", "ctrl", "alt"};
    bool seen[std::size(kOptions)] = {};
    for (std::size_t i = 3; i < a.size(); ++i) {
        std::size_t which = 0;
        while (which < std::size(kOptions) && a[i] != kOptions[which]) ++which;
        if (which == std::size(kOptions))
            throw Error{"unknown key option " + quote(a[i]) + " (up, shift, ctrl, alt)", "",
                        cli::suggest(a[i], {std::begin(kOptions), std::end(kOptions)})};
        if (seen[which]) throw Error{"key option " + quote(a[i]) + " given twice", ""};
        seen[which] = true;
    }
    k.down = !seen[0];
    k.shift = seen[1];
    k.ctrl = seen[2];
    k.alt = seen[3];
    return k;
}

Command read_vc(const Args& a) {
    return cmd::Vc{a[1], a.size() > 2 ? parse_int(a[2], "cockpit view") : 0};
}

Command read_airfoil(const Args& a) {
    cmd::Airfoil f{a[1], parse_integer(a[2], 0, INT32_MAX, "airfoil index"), parse_real(a[3])};
    if (a.size() > 4) f.mach = parse_real(a[4]);
    if (a.size() > 5) f.reynolds = parse_real(a[5]);
    return f;
}

Command read_version(const Args&) {
    return cmd::Version{};
}

Command read_step(const Args& a) {
    return cmd::Step{a.size() > 1 ? parse_integer(a[1], 0, kMaxSteps, "step count") : 1};
}

Command read_delete(const Args& a) {
    if (a[1] == "null") return cmd::Delete{};
    return cmd::Delete{a[1]};
}

Command read_unload(const Args&) {
    return cmd::Unload{};
}

Command read_physics(const Args& a) {
    if (a[1] != "on" && a[1] != "off")
        throw Error{"physics is on or off, not " + quote(a[1]), "",
                    cli::suggest(a[1], {"on", "off"})};
    return cmd::Physics{a[1] == "on"};
}

// The pilot's inputs set the readings of their names; the throttle sets the
// engines' level.
Command read_pilot(const Args& a) {
    const host::Reading r = a[0] == "throttle" ? host::Reading::thrust : *find_quantity(a[0]);
    return cmd::Pilot{a[1], r, parse_real(a[2])};
}

Command read_brake(const Args& a) {
    return cmd::Brake{a[1], parse_real(a[2])};
}

Command read_autopilot(const Args& a) {
    if (a[2] == "off") {
        if (a.size() == 3) return cmd::AutopilotOff{a[1], true, true};
        if (a[3] == "pitch" || a[3] == "climb") return cmd::AutopilotOff{a[1], true, false};
        if (a[3] == "bank") return cmd::AutopilotOff{a[1], false, true};
        throw Error{"unknown autopilot axis " + quote(a[3]) + " (pitch, bank)", "",
                    cli::suggest(a[3], {"pitch", "bank"})};
    }
    const struct {
        const char* name;
        host::Hold hold;
    } holds[] = {
        {"pitch", host::Hold::pitch}, {"climb", host::Hold::climb}, {"bank", host::Hold::bank}};
    for (const auto& h : holds) {
        if (a[2] != h.name) continue;
        expect(Form::autopilot_hold, a);
        return cmd::AutopilotHold{a[1], h.hold, parse_real(a[3])};
    }
    throw Error{"unknown autopilot mode " + quote(a[2]) + " (pitch, climb, bank, off)", "",
                cli::suggest(a[2], {"pitch", "climb", "bank", "off"})};
}

// The default time `until` waits: 20 minutes.
constexpr long long kUntilSteps = 20LL * 60 * kStepsPerSecond;

// A time limit in seconds as whole steps, a started step counted whole.
long long steps_within(const std::string& s) {
    const double seconds = parse_real(s);
    constexpr long long kMaxSeconds = kMaxSteps / kStepsPerSecond;
    if (!(seconds >= 0 && seconds <= kMaxSeconds))
        throw Error{"time limit " + printable(s, 64) + " is out of range (0.." +
                        std::to_string(kMaxSeconds) + " s)",
                    ""};
    // 0.1 s is a hair more than 5 steps in binary; it still means 5.
    return static_cast<long long>(std::ceil(seconds * kStepsPerSecond - 1e-6));
}

Command read_until(const Args& a) {
    cmd::Until u{a[1], {cmd::Condition::airborne, std::nullopt, 0}, kUntilSteps, ""};
    std::size_t limit_at = 3;  // where MAXSTEPS or `within` would be
    const bool contact = a[2] == "airborne" || a[2] == "grounded";
    if (contact) {
        u.condition.kind = a[2] == "airborne" ? cmd::Condition::airborne : cmd::Condition::grounded;
    } else {
        if (a.size() < 5 || (a[3] != "above" && a[3] != "below"))
            throw Error{std::string("wrong arguments: ") + row(Form::until_reading).usage + " or " +
                            row(Form::until_reading_within).usage,
                        ""};
        u.condition.kind = a[3] == "above" ? cmd::Condition::above : cmd::Condition::below;
        u.condition.value = parse_real(a[4]);
        if (a[2] != "climb") {
            u.condition.reading = find_quantity(a[2]);
            if (!u.condition.reading)
                throw Error{"unknown quantity " + quote(a[2]), "", quantity_hints(a[2], true)};
        }
        limit_at = 5;
    }
    const bool within = a.size() > limit_at && a[limit_at] == "within";
    if (contact) {
        expect(within ? Form::until_contact_within : Form::until_contact, a);
    } else {
        expect(within ? Form::until_reading_within : Form::until_reading, a);
    }
    if (within) {
        u.limit = steps_within(a[limit_at + 1]);
    } else if (a.size() > limit_at) {
        u.limit = parse_integer(a[limit_at], 0, kMaxSteps, "step limit");
    }
    u.text = joined(a, 0, limit_at);
    return u;
}

// The command table: every form of every command, with its usage, how a line
// of its command is read, whether it needs the plug-in loaded and whether
// it is the pilot's.
constexpr Row kRows[] = {
    {Form::sound, "sound MODE", read_sound, false, false},
    {Form::load, "load PLUGIN", read_load, false, false},
    {Form::create, "create NAME [MODEL]", read_create, true, false},
    {Form::set_reading, "set NAME QUANTITY VALUE", read_set, true, false},
    {Form::set_warp, "set warp VALUE", read_set, true, false},
    {Form::set_heading, "set heading VALUE", read_set, true, false},
    {Form::key, "key NAME KEY [up] [shift] [ctrl] [alt]", read_key, true, true},
    {Form::vc, "vc NAME [ID]", read_vc, true, false},
    {Form::airfoil, "airfoil NAME INDEX ANGLE [MACH [RE]]", read_airfoil, true, false},
    {Form::version, "version", read_version, true, false},
    {Form::step, "step [N]", read_step, true, false},
    {Form::remove, "delete NAME", read_delete, true, false},
    {Form::unload, "unload", read_unload, true, false},
    {Form::physics, "physics on|off", read_physics, true, true},
    {Form::throttle, "throttle NAME LEVEL", read_pilot, true, true},
    {Form::elevator, "elevator NAME LEVEL", read_pilot, true, true},
    {Form::aileron, "aileron NAME LEVEL", read_pilot, true, true},
    {Form::rudder, "rudder NAME LEVEL", read_pilot, true, true},
    {Form::trim, "trim NAME LEVEL", read_pilot, true, true},
    {Form::brake, "brake NAME LEVEL", read_brake, true, true},
    {Form::autopilot_hold, "autopilot NAME pitch|climb|bank VALUE", read_autopilot, true, true},
    {Form::autopilot_off, "autopilot NAME off [pitch|bank]", read_autopilot, true, true},
    {Form::until_contact, "until NAME airborne|grounded [MAXSTEPS]", read_until, true, false},
    {Form::until_contact_within, "until NAME airborne|grounded within SECONDS", read_until, true,
     false},
    {Form::until_reading, "until NAME QUANTITY above|below VALUE [MAXSTEPS]", read_until, true,
     false},
    {Form::until_reading_within, "until NAME QUANTITY above|below VALUE within SECONDS", read_until,
     true, false},
};

constexpr bool rows_in_form_order() {
    for (int i = 0; i < kFormCount; ++i)
        if (static_cast<int>(kRows[i].form) != i) return false;
    return std::size(kRows) == kFormCount;
}
static_assert(rows_in_form_order(), "one row per form, in the order of Form");

const Row& row(Form f) {
    return kRows[static_cast<int>(f)];
}

// The command's name: the first word of a usage.
std::string_view name_of(const Row& r) {
    const std::string_view u = r.usage;
    return u.substr(0, u.find(' '));
}

// The usages of every form of `command`, "a, b or c".
std::string usages(std::string_view command) {
    std::vector<const char*> forms;
    for (const Row& r : kRows)
        if (name_of(r) == command) forms.push_back(r.usage);
    std::string s;
    for (std::size_t i = 0; i < forms.size(); ++i)
        s += (i == 0 ? "" : i + 1 == forms.size() ? " or " : ", ") + std::string(forms[i]);
    return s;
}

}  // namespace

const Row& command_for(const Args& args) {
    const Row* first = nullptr;
    int lo = INT32_MAX, hi = -1;
    for (const Row& r : kRows) {
        if (name_of(r) != args[0]) continue;
        if (!first) first = &r;
        lo = std::min(lo, r.min_args);
        hi = std::max(hi, r.max_args);
    }
    if (!first) {
        std::vector<std::string> names;
        for (const Row& r : kRows)
            if (names.empty() || names.back() != name_of(r)) names.emplace_back(name_of(r));
        throw Error{"unknown command " + quote(args[0]), "", cli::suggest(args[0], names)};
    }
    const auto n = static_cast<int>(args.size()) - 1;
    if (n < lo || n > hi) throw Error{"wrong number of arguments: " + usages(args[0]), ""};
    return *first;
}

Line read_line(const Row& row, const Args& args, long long number) {
    return {number, row.read(args), row.pilot ? joined(args, 0, args.size()) : ""};
}

}  // namespace vmhost
