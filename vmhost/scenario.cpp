#include "scenario.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>
#include <string_view>
#include <vector>

#include "flightlog.h"
#include "host.h"
#include "library.h"

namespace vmhost {
namespace {

// A line that cannot run; caught by the run loop and reported with its place.
struct Error {
    std::string what;
    std::string note;  // an optional second line, e.g. the system's reason
};

constexpr double kStepLength = 0.02;   // s
constexpr double kStartMjd = 51544.5;  // modified Julian date at simt 0
constexpr long long kMaxSteps = 100'000'000;

// A token in a message: quoted, control bytes escaped, long ones cut short.
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

// A decimal integer (or, with base 0, also 0x... and 0...) within lo..hi.
long long parse_integer(const std::string& s, long long lo, long long hi, const char* what,
                        int base = 10) {
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

const struct {
    const char* name;
    host::Reading reading;
} kQuantities[] = {
    {"airspeed", host::Reading::airspeed}, {"altitude", host::Reading::altitude},
    {"pitch", host::Reading::pitch},       {"bank", host::Reading::bank},
    {"aoa", host::Reading::aoa},           {"ground", host::Reading::ground},
    {"fuel", host::Reading::fuel},         {"thrust", host::Reading::thrust},
    {"elevator", host::Reading::elevator}, {"rudder", host::Reading::rudder},
    {"aileron", host::Reading::aileron},   {"flap", host::Reading::flap},
    {"trim", host::Reading::trim},
};

const char* const kSoundModes[] = {"none", "full", "no-id", "partial"};

// Names the scenario language uses itself.
bool reserved_name(const std::string& n) {
    return n == "null" || n == "warp" || n == "heading";
}

bool valid_name(const std::string& n) {
    if (n.empty()) return false;
    for (unsigned char c : n)
        if (!std::isalnum(c) && c != '_') return false;
    return true;
}

using VmvcInit = VESSEL* (*)(OBJHANDLE, int);
using VmvcExit = void (*)(VESSEL*);
using ModuleVersion = int (*)();

struct Vessel {
    std::string name;
    OBJHANDLE handle;
    VESSEL* object;   // what vmvcInit returned
    VESSEL2* callee;  // the same object when the host can drive it, else null
    bool alive;
};

class Runner {
  public:
    Runner(const RunOptions& options, const std::string& name, std::FILE* err,
           const int* line_number)
        : bin_dir_(library::executable_dir()),
          options_(options),
          name_(name),
          err_(err),
          line_number_(line_number) {}

    // Runs one line; throws Error when it cannot run.
    void line(const std::vector<std::string>& args);
    // The end of the scenario: what `unload` does, if it is still to be done.
    void finish();

  private:
    using Args = const std::vector<std::string>&;
    using Handler = void (Runner::*)(Args);
    struct Command {
        const char* name;
        int min_args, max_args;  // not counting the command itself
        const char* usage;
        bool needs_plugin;
        Handler run;
    };
    static const Command kCommands[];

    void sound(Args a);
    void load(Args a);
    void create(Args a);
    void set(Args a);
    void key(Args a);
    void vc(Args a);
    void airfoil(Args a);
    void version(Args a);
    void step(Args a);
    void remove(Args a);
    void unload(Args a);

    // Flying: the flight model, pilot inputs, autopilot, the flight log.
    void physics(Args a);
    void throttle(Args a);
    void elevator(Args a);
    void aileron(Args a);
    void rudder(Args a);
    void trim(Args a);
    void brake(Args a);
    void autopilot(Args a);
    void until(Args a);
    void pilot(Args a, host::Reading r);
    void one_step();
    void record();
    void note(const std::vector<std::string>& args);
    int logged(std::size_t i);

    Vessel& vessel(const std::string& name);
    VESSEL2& callee(Vessel& v);
    void destroy(Vessel& v);

    std::string bin_dir_;
    bool sound_chosen_ = false;
    library::Handle plugin_ = nullptr;
    bool unloaded_ = false;
    bool created_ = false;
    VmvcInit init_ = nullptr;
    VmvcExit exit_ = nullptr;
    ModuleVersion version_ = nullptr;
    std::vector<Vessel> vessels_;  // creation order
    double simt_ = 0.0;

    RunOptions options_;
    const std::string& name_;  // of the scenario, for warnings
    std::FILE* err_;
    const int* line_number_;  // the line being run
    bool progress_shown_ = false;
    std::string plugin_name_;  // as `load` named it
    std::vector<int> logged_;  // each vessel's number in the flight log, or -1
    long long steps_ = 0;
};

const Runner::Command Runner::kCommands[] = {
    {"sound", 1, 1, "sound MODE", false, &Runner::sound},
    {"load", 1, 1, "load PLUGIN", false, &Runner::load},
    {"create", 1, 2, "create NAME [MODEL]", true, &Runner::create},
    {"set", 2, 3, "set NAME QUANTITY VALUE, set warp VALUE or set heading VALUE", true,
     &Runner::set},
    {"key", 2, 6, "key NAME KEY [up] [shift] [ctrl] [alt]", true, &Runner::key},
    {"vc", 1, 2, "vc NAME [ID]", true, &Runner::vc},
    {"airfoil", 3, 5, "airfoil NAME INDEX ANGLE [MACH [RE]]", true, &Runner::airfoil},
    {"version", 0, 0, "version", true, &Runner::version},
    {"step", 0, 1, "step [N]", true, &Runner::step},
    {"delete", 1, 1, "delete NAME", true, &Runner::remove},
    {"unload", 0, 0, "unload", true, &Runner::unload},
    {"physics", 1, 1, "physics on|off", true, &Runner::physics},
    {"throttle", 2, 2, "throttle NAME LEVEL", true, &Runner::throttle},
    {"elevator", 2, 2, "elevator NAME LEVEL", true, &Runner::elevator},
    {"aileron", 2, 2, "aileron NAME LEVEL", true, &Runner::aileron},
    {"rudder", 2, 2, "rudder NAME LEVEL", true, &Runner::rudder},
    {"trim", 2, 2, "trim NAME LEVEL", true, &Runner::trim},
    {"brake", 2, 2, "brake NAME LEVEL", true, &Runner::brake},
    {"autopilot", 2, 3, "autopilot NAME pitch|climb|bank VALUE or autopilot NAME off [pitch|bank]",
     true, &Runner::autopilot},
    {"until", 2, 5,
     "until NAME airborne|grounded [MAXSTEPS] or until NAME QUANTITY above|below VALUE [MAXSTEPS]",
     true, &Runner::until},
};

void Runner::line(const std::vector<std::string>& args) {
    if (unloaded_) throw Error{"nothing may follow 'unload'", ""};
    for (const Command& c : kCommands) {
        if (args[0] != c.name) continue;
        const int n = static_cast<int>(args.size()) - 1;
        if (n < c.min_args || n > c.max_args)
            throw Error{"wrong number of arguments: " + std::string(c.usage), ""};
        if (c.needs_plugin && !plugin_) throw Error{"no plug-in loaded yet ('load' first)", ""};
        const std::vector<std::string> rest(args.begin() + 1, args.end());
        (this->*c.run)(rest);
        note(args);
        return;
    }
    throw Error{"unknown command " + quote(args[0]), ""};
}

void Runner::sound(Args a) {
    if (created_) throw Error{"'sound' must come before the first 'create'", ""};
    if (sound_chosen_) throw Error{"the sound add-on was already chosen", ""};
    // MODE may also be the path of a library of the add-on's name (a broken
    // install, say), written with a slash.
    const bool is_path = a[0].find_first_of("/\\") != std::string::npos;
    bool known = is_path;
    for (const char* m : kSoundModes) known = known || a[0] == m;
    if (!known)
        throw Error{"unknown sound mode " + quote(a[0]) + " (none, full, no-id, partial or a path)",
                    ""};
    sound_chosen_ = true;
    if (a[0] == "none") return;
    // Present in the process from now on, as if the user had activated the
    // add-on; the host never unloads it.
    const std::string path = is_path ? a[0] : bin_dir_ + "/sound-" + a[0] + "/VelmoraSound.dll";
    std::string reason;
    if (!library::open(path, &reason))
        throw Error{"cannot load the sound add-on " + quote(path), reason};
}

void Runner::load(Args a) {
    if (plugin_) throw Error{"the plug-in is already loaded", ""};
    std::string path = a[0];
    if (path == "tarvik") path = bin_dir_ + "/" + library::plugin_file("Tarvik");
    if (path == "olumbra") path = bin_dir_ + "/" + library::plugin_file("Olumbra");
    host::Line(">").word("load");
    host::begin_module_load();
    std::string reason;
    plugin_ = library::open(path, &reason);
    plugin_name_ = a[0];
    host::end_module_load();
    if (!plugin_) throw Error{"cannot load plug-in " + quote(a[0]), reason};
    init_ = reinterpret_cast<VmvcInit>(library::symbol(plugin_, "vmvcInit"));
    exit_ = reinterpret_cast<VmvcExit>(library::symbol(plugin_, "vmvcExit"));
    version_ = reinterpret_cast<ModuleVersion>(library::symbol(plugin_, "GetModuleVersion"));
    if (!init_ || !exit_)
        throw Error{"plug-in " + quote(a[0]) + " does not export vmvcInit and vmvcExit", ""};
    host::check_lights();
}

void Runner::create(Args a) {
    const std::string& name = a[0];
    if (!valid_name(name))
        throw Error{"invalid vessel name " + quote(name) + " (letters, digits and _ only)", ""};
    if (reserved_name(name)) throw Error{"the vessel name " + quote(name) + " is reserved", ""};
    for (const Vessel& v : vessels_)
        if (v.alive && v.name == name) throw Error{"vessel " + quote(name) + " already exists", ""};
    const int model = a.size() > 1 ? parse_int(a[1], "flight model") : 1;
    created_ = true;

    Vessel v{name, host::create_vessel(name.c_str(), model), nullptr, nullptr, true};
    host::Line(">").word("vmvcInit").handle(v.handle).integer(model);
    v.object = init_(v.handle, model);
    v.callee = host::vessel_object(v.handle, v.object);
    // An object the host did not see being constructed as a VESSEL2 cannot be
    // driven; it is still handed back to vmvcExit.
    host::Line("<").word(!v.object ? "null" : v.callee ? "object" : "?");
    if (v.object && !v.callee)
        host::violation()
            .word("vmvcInit")
            .word("returned an object not constructed for")
            .word(name.c_str());
    vessels_.push_back(v);
    host::check_lights();
    if (!v.callee) return;
    host::calling(v.handle, host::Callback::set_class_caps);
    host::Line(">").word("clbkSetClassCaps").word("null");
    v.callee->clbkSetClassCaps(nullptr);
    host::check_lights();
    host::calling(v.handle, host::Callback::post_creation);
    host::Line(">").word("clbkPostCreation");
    v.callee->clbkPostCreation();
    host::check_lights();
}

void Runner::set(Args a) {
    if (a[0] == "warp" || a[0] == "heading") {
        if (a.size() != 2) throw Error{"wrong number of arguments: set " + a[0] + " VALUE", ""};
        if (a[0] == "warp") {
            host::set_warp(parse_real(a[1]));
        } else if (a[1] == "none") {
            host::clear_focus_heading();
        } else {
            host::set_focus_heading(parse_real(a[1]));
        }
        return;
    }
    if (a.size() != 3) throw Error{"wrong number of arguments: set NAME QUANTITY VALUE", ""};
    Vessel& v = vessel(a[0]);
    for (const auto& q : kQuantities) {
        if (a[1] != q.name) continue;
        const double value = parse_real(a[2]);
        if (q.reading == host::Reading::ground && value != 0.0 && value != 1.0)
            throw Error{"ground is 0 or 1, not " + a[2], ""};
        host::set_reading(v.handle, q.reading, value);
        return;
    }
    throw Error{"unknown quantity " + quote(a[1]), ""};
}

void Runner::key(Args a) {
    Vessel& v = vessel(a[0]);
    const std::string& k = a[1];
    long long code;
    if (k.size() == 1 && k[0] >= 'A' && k[0] <= 'Z') {
        code = letter_code(k[0]);
    } else if (!k.empty() && std::isdigit(static_cast<unsigned char>(k[0]))) {
        const bool hex = k.size() > 1 && k[0] == '0' && (k[1] == 'x' || k[1] == 'X');
        code = parse_integer(k, 0, 255, "key code", hex ? 16 : 10);
    } else {
        throw Error{"unknown key " + quote(k) + " (A to Z or a code 0..255)", ""};
    }
    bool down = true;
    char kstate[256] = {};
    const struct {
        const char* name;
        DWORD scan;
    } modifiers[] = {
        {"shift", OAPI_KEY_LSHIFT}, {"ctrl", OAPI_KEY_LCONTROL}, {"alt", OAPI_KEY_LALT}};
    bool seen[4] = {};
    for (std::size_t i = 2; i < a.size(); ++i) {
        int which = -1;
        if (a[i] == "up") which = 3;
        for (int m = 0; m < 3; ++m)
            if (a[i] == modifiers[m].name) which = m;
        if (which < 0)
            throw Error{"unknown key option " + quote(a[i]) + " (up, shift, ctrl, alt)", ""};
        if (seen[which]) throw Error{"key option " + quote(a[i]) + " given twice", ""};
        seen[which] = true;
        if (which == 3) {
            down = false;
        } else {
            kstate[modifiers[which].scan] = static_cast<char>(0x80);
        }
    }
    VESSEL2& c = callee(v);
    host::calling(v.handle, host::Callback::key);
    host::Line(">").word("clbkConsumeBufferedKey").integer(code).boolean(down);
    const int r = c.clbkConsumeBufferedKey(static_cast<DWORD>(code), down, kstate);
    host::Line("<").integer(r);
    host::check_lights();
}

void Runner::vc(Args a) {
    Vessel& v = vessel(a[0]);
    const int id = a.size() > 1 ? parse_int(a[1], "cockpit view") : 0;
    VESSEL2& c = callee(v);
    host::calling(v.handle, host::Callback::load_vc);
    host::Line(">").word("clbkLoadVC").integer(id);
    const bool r = c.clbkLoadVC(id);
    host::Line("<").boolean(r);
    host::check_lights();
}

void Runner::airfoil(Args a) {
    Vessel& v = vessel(a[0]);
    const long long index = parse_integer(a[1], 0, INT32_MAX, "airfoil index");
    const double angle = parse_real(a[2]);
    const double mach = a.size() > 3 ? parse_real(a[3]) : 0.0;
    const double re = a.size() > 4 ? parse_real(a[4]) : 0.0;
    if (index >= host::airfoil_count(v.handle))
        throw Error{"vessel " + quote(v.name) + " has no airfoil " + a[1], ""};
    const AirfoilCoeffFunc f = host::airfoil_function(v.handle, index);
    if (!f) throw Error{"airfoil " + a[1] + " of vessel " + quote(v.name) + " has no function", ""};
    double cl = 0.0, cm = 0.0, cd = 0.0;
    host::Line(">").coeff(f).real(angle).real(mach).real(re);
    f(angle, mach, re, &cl, &cm, &cd);
    host::Line("<").real(cl).real(cm).real(cd);
    host::check_lights();
}

void Runner::version(Args) {
    if (!version_) throw Error{"the plug-in does not export GetModuleVersion", ""};
    host::Line(">").word("GetModuleVersion");
    const int r = version_();
    host::Line("<").integer(r);
    host::check_lights();
}

void Runner::step(Args a) {
    const long long n = a.empty() ? 1 : parse_integer(a[0], 0, kMaxSteps, "step count");
    for (long long i = 0; i < n; ++i) one_step();
}

// One simulation step: the time acceleration asked for takes effect, the
// flight model moves the vessels (with physics on), then every live vessel
// gets its post-step.
void Runner::one_step() {
    host::apply_pending_warp();
    host::physics_step(kStepLength);
    const double mjd = kStartMjd + simt_ / 86400.0;
    for (Vessel& v : vessels_) {
        if (!v.alive || !v.callee) continue;
        host::calling(v.handle, host::Callback::post_step);
        host::Line(">").word("clbkPostStep").real(simt_).real(kStepLength).real(mjd);
        v.callee->clbkPostStep(simt_, kStepLength, mjd);
        host::check_lights();
    }
    simt_ += kStepLength;
    ++steps_;
    record();
}

void Runner::remove(Args a) {
    if (a[0] == "null") {
        host::Line(">").word("vmvcExit").word("null");
        exit_(nullptr);
        host::check_lights();
        return;
    }
    destroy(vessel(a[0]));
}

void Runner::destroy(Vessel& v) {
    host::calling(v.handle, host::Callback::exit);
    host::Line(">").word("vmvcExit").word(v.object ? v.name.c_str() : "null");
    exit_(v.object);
    v.alive = false;
    v.object = nullptr;
    v.callee = nullptr;
    host::delete_vessel(v.handle);
    host::check_lights();
}

void Runner::unload(Args) {
    for (Vessel& v : vessels_)
        if (v.alive) destroy(v);
    host::Line(">").word("unload");
    library::close(plugin_);
    host::module_unloaded();
    unloaded_ = true;
}

void Runner::finish() {
    if (progress_shown_) std::fputc('\n', err_);
    progress_shown_ = false;
    if (!plugin_ || unloaded_) return;
    host::remark("end of scenario: unload");
    unload({});
}

Vessel& Runner::vessel(const std::string& name) {
    Vessel* deleted = nullptr;
    for (Vessel& v : vessels_) {
        if (v.name != name) continue;
        if (v.alive) return v;
        deleted = &v;
    }
    if (deleted) throw Error{"vessel " + quote(name) + " was deleted", ""};
    throw Error{"unknown vessel " + quote(name), ""};
}

VESSEL2& Runner::callee(Vessel& v) {
    if (!v.callee) throw Error{"vessel " + quote(v.name) + " has no plug-in object", ""};
    return *v.callee;
}

// ---- Flying ------------------------------------------------------------------

void Runner::physics(Args a) {
    if (a[0] != "on" && a[0] != "off") throw Error{"physics is on or off, not " + quote(a[0]), ""};
    host::set_physics(a[0] == "on");
}

// A pilot input: the level of the engines or of a control surface. Taking the
// elevator or the ailerons by hand takes that axis off the autopilot.
void Runner::pilot(Args a, host::Reading r) {
    Vessel& v = vessel(a[0]);
    const double level = parse_real(a[1]);
    if (r == host::Reading::elevator) host::autopilot_off(v.handle, true, false);
    if (r == host::Reading::aileron) host::autopilot_off(v.handle, false, true);
    host::set_reading(v.handle, r, level);
}

void Runner::throttle(Args a) {
    pilot(a, host::Reading::thrust);
}
void Runner::elevator(Args a) {
    pilot(a, host::Reading::elevator);
}
void Runner::aileron(Args a) {
    pilot(a, host::Reading::aileron);
}
void Runner::rudder(Args a) {
    pilot(a, host::Reading::rudder);
}
void Runner::trim(Args a) {
    pilot(a, host::Reading::trim);
}
void Runner::brake(Args a) {
    host::set_brake(vessel(a[0]).handle, parse_real(a[1]));
}

void Runner::autopilot(Args a) {
    Vessel& v = vessel(a[0]);
    if (a[1] == "off") {
        if (a.size() == 2) {
            host::autopilot_off(v.handle, true, true);
        } else if (a[2] == "pitch" || a[2] == "climb") {
            host::autopilot_off(v.handle, true, false);
        } else if (a[2] == "bank") {
            host::autopilot_off(v.handle, false, true);
        } else {
            throw Error{"unknown autopilot axis " + quote(a[2]) + " (pitch, bank)", ""};
        }
        return;
    }
    const struct {
        const char* name;
        host::Hold hold;
    } modes[] = {
        {"pitch", host::Hold::pitch}, {"climb", host::Hold::climb}, {"bank", host::Hold::bank}};
    for (const auto& m : modes) {
        if (a[1] != m.name) continue;
        if (a.size() != 3)
            throw Error{"wrong number of arguments: autopilot NAME " + a[1] + " VALUE", ""};
        host::autopilot_hold(v.handle, m.hold, parse_real(a[2]));
        return;
    }
    throw Error{"unknown autopilot mode " + quote(a[1]) + " (pitch, climb, bank, off)", ""};
}

// Steps until a reading of the vessel crosses a value (or it leaves or meets
// the ground), at most MAXSTEPS steps; running out of steps is a warning.
void Runner::until(Args a) {
    Vessel& v = vessel(a[0]);
    std::function<bool()> done;
    std::size_t limit_at;
    if (a[1] == "airborne" || a[1] == "grounded") {
        const bool air = a[1] == "airborne";
        done = [&v, air] { return (host::reading(v.handle, host::Reading::ground) == 0) == air; };
        limit_at = 2;
    } else {
        if (a.size() < 4 || (a[2] != "above" && a[2] != "below"))
            throw Error{"wrong arguments: until NAME QUANTITY above|below VALUE [MAXSTEPS]", ""};
        const double value = parse_real(a[3]);
        const bool above = a[2] == "above";
        std::function<double()> get;
        if (a[1] == "climb") get = [&v] { return host::flight_state(v.handle).climb; };
        for (const auto& q : kQuantities)
            if (a[1] == q.name) get = [&v, r = q.reading] { return host::reading(v.handle, r); };
        if (!get) throw Error{"unknown quantity " + quote(a[1]), ""};
        done = [get, value, above] { return above ? get() >= value : get() <= value; };
        limit_at = 4;
    }
    if (a.size() > limit_at + 1) throw Error{"too many arguments: " + quote(a[limit_at + 1]), ""};
    const long long limit =
        a.size() > limit_at ? parse_integer(a[limit_at], 0, kMaxSteps, "step limit") : 60000;
    host::physics_step(0);  // a vessel created since is set on the ground first
    long long n = 0;
    while (!done() && n < limit && v.alive) {
        one_step();
        ++n;
    }
    if (!done()) {
        const std::string what = "'until' gave up after " + std::to_string(n) + " steps";
        host::remark(what.c_str());
        std::fprintf(err_, "%s:%d: warning: %s\n", name_.c_str(), *line_number_, what.c_str());
    }
}

// After a step: a row of the flight log for every live vessel, and the
// progress line now and then.
void Runner::record() {
    if (options_.log) {
        for (std::size_t i = 0; i < vessels_.size(); ++i) {
            const Vessel& v = vessels_[i];
            if (!v.alive) continue;
            const int number = logged(i);
            const int animations = host::animation_count(v.handle);
            const host::Flight f = host::flight_state(v.handle);
            Sample s;
            s.time = simt_;
            s.x = f.x;
            s.z = f.z;
            s.altitude = f.altitude;
            s.airspeed = f.airspeed;
            s.climb = f.climb;
            s.pitch = f.pitch;
            s.bank = f.bank;
            s.heading = f.heading;
            s.aoa = f.aoa;
            s.thrust = f.thrust;
            s.thrust_max = f.thrust_max;
            s.fuel = f.fuel;
            s.ground = f.ground ? 1 : 0;
            s.flaps = host::reading(v.handle, host::Reading::flap);
            s.lights = f.lights;
            const double* anims = host::animation_states(v.handle);
            const int gear = options_.log->gear_animation(number);
            if (gear >= 0 && gear < animations) s.gear = anims[gear];
            options_.log->record(number, s, anims, animations);
        }
    }
    if (options_.progress && steps_ % 50 == 0) {
        for (const Vessel& v : vessels_) {
            if (!v.alive) continue;
            const host::Flight f = host::flight_state(v.handle);
            std::fprintf(err_,
                         "\r%8.1f s  %-10s alt %7.0f m  %6.1f m/s  climb %6.1f m/s  pitch %6.1f deg"
                         "  thrust %3.0f %%  fuel %6.0f kg ",
                         simt_, v.name.c_str(), f.altitude, f.airspeed, f.climb,
                         f.pitch * 57.29577951308232, f.thrust * 100, f.fuel);
            std::fflush(err_);
            progress_shown_ = true;
            break;
        }
    }
}

// What the pilot did, for the events of the flight log.
void Runner::note(const std::vector<std::string>& args) {
    if (!options_.log) return;
    static const char* const kPilot[] = {"key",  "throttle", "elevator",  "aileron", "rudder",
                                         "trim", "brake",    "autopilot", "physics"};
    const bool pilot = std::find_if(std::begin(kPilot), std::end(kPilot), [&](const char* c) {
                           return args[0] == c;
                       }) != std::end(kPilot);
    if (!pilot || args.size() < 2) return;
    std::string what;
    for (const std::string& s : args) what += (what.empty() ? "" : " ") + s;
    for (std::size_t i = 0; i < vessels_.size(); ++i)
        if (vessels_[i].alive && vessels_[i].name == args[1])
            options_.log->note(logged(i), simt_, what);
}

// Vessel i's number in the flight log; it is added at its first mention.
int Runner::logged(std::size_t i) {
    logged_.resize(vessels_.size(), -1);
    if (logged_[i] < 0)
        logged_[i] = options_.log->add_vessel(vessels_[i].name, plugin_name_,
                                              host::animation_count(vessels_[i].handle));
    return logged_[i];
}

// The tokens of one line, comment removed.
std::vector<std::string> tokens(std::string_view line) {
    if (const auto hash = line.find('#'); hash != std::string_view::npos)
        line = line.substr(0, hash);
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        const std::size_t start = i;
        while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        if (i > start) out.emplace_back(line.substr(start, i - start));
    }
    return out;
}

}  // namespace

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
            const auto args = tokens(std::string_view(text).substr(pos, end - pos));
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
