// The runner's plain commands and the plug-in's lifecycle: loading it,
// creating, driving and deleting its vessels, stepping, and unloading it.
// Every call into the plug-in goes through host::plugin_call.
#include "runner.h"

#include <cctype>
#include <cstdint>
#include <filesystem>

#include "aircraft.h"
#include "interrupt.h"
#include "plugin_call.h"

namespace vmhost {
namespace {

constexpr double kStepLength = 0.02;   // s
constexpr double kStartMjd = 51544.5;  // modified Julian date at simt 0

const char* const kSoundModes[] = {"none", "full", "no-id", "partial"};

// The options' watch, told around one call into the plug-in.
class Watched {
  public:
    Watched(CallWatch* watch, CallKind kind) : watch_(watch), kind_(kind) {
        if (watch_) watch_->enter(kind_);
    }
    ~Watched() {
        if (watch_) watch_->leave(kind_);
    }
    Watched(const Watched&) = delete;
    Watched& operator=(const Watched&) = delete;

  private:
    CallWatch* watch_;
    CallKind kind_;
};

}  // namespace

Runner::Runner(const RunOptions& options, const std::string& name, std::FILE* err,
               const long long* line_number)
    : bin_dir_(library::executable_dir()),
      options_(options),
      name_(name),
      err_(err),
      line_number_(line_number) {}

void Runner::line(const Args& args) {
    if (interrupt_signal()) throw Interrupted{};
    if (unloaded_) throw Error{"nothing may follow 'unload'", ""};
    const Command& c = command_for(args);
    if (c.needs_plugin && !plugin_) throw Error{"no plug-in loaded yet ('load' first)", ""};
    (this->*c.run)(Args(args.begin() + 1, args.end()));
    if (c.pilot) note(args);
}

void Runner::sound(const Args& a) {
    if (created_) throw Error{"'sound' must come before the first 'create'", ""};
    if (sound_chosen_) throw Error{"the sound add-on was already chosen", ""};
    // MODE may also be the path of a library of the add-on's name (a broken
    // install, say), written with a slash.
    const bool is_path = a[0].find_first_of("/\\") != std::string::npos;
    if (is_path) check_path(a[0], "sound add-on");
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

void Runner::load(const Args& a) {
    load_plugin(a[0]);
}

void Runner::load_plugin(const std::string& plugin) {
    if (plugin_) throw Error{"the plug-in is already loaded", ""};
    check_path(plugin, "plug-in");
    std::string path = plugin;
    std::error_code ec;
    if (!options_.plugin.empty()) {
        path = options_.plugin;
    } else if (const Aircraft* known = find_aircraft(plugin)) {
        path = bin_dir_ + "/" + library::plugin_file(known->library);
    } else if (const std::filesystem::path beside = std::filesystem::path(options_.folder) / plugin;
               std::filesystem::path(plugin).is_relative() && !options_.folder.empty() &&
               !std::filesystem::exists(plugin, ec) && std::filesystem::exists(beside, ec)) {
        path = beside.string();
    }
    // The call into the plug-in is its load hook, run while the library is
    // opened.
    host::plugin_call([] { host::Line(">").word("load"); },
                      [&] { open_plugin(path, options_.plugin.empty() ? plugin : path); });
}

// Opens the plug-in library and finds its entry points; one that is no
// plug-in ends the scenario right there.
void Runner::open_plugin(const std::string& path, const std::string& given) {
    host::begin_module_load();
    std::string reason;
    plugin_ = library::open(path, &reason);
    plugin_name_ = given;
    host::end_module_load();
    if (!plugin_) throw Error{"cannot load plug-in " + quote(given), reason};
    init_ = reinterpret_cast<VmvcInit>(library::symbol(plugin_, "vmvcInit"));
    exit_ = reinterpret_cast<VmvcExit>(library::symbol(plugin_, "vmvcExit"));
    version_ = reinterpret_cast<ModuleVersion>(library::symbol(plugin_, "GetModuleVersion"));
    if (!init_ || !exit_)
        throw Error{"plug-in " + quote(given) + " does not export vmvcInit and vmvcExit", ""};
}

void Runner::create(const Args& a) {
    check_new_name(a[0]);  // before the model: a bad name is the first fault
    create_vessel(a[0], a.size() > 1 ? parse_int(a[1], "flight model") : 1);
}

void Runner::check_new_name(const std::string& name) const {
    check_vessel_name(name);
    if (const auto it = latest_.find(name); it != latest_.end() && vessels_[it->second].alive)
        throw Error{"vessel " + quote(name) + " already exists", ""};
}

void Runner::create_vessel(const std::string& name, int model) {
    check_new_name(name);
    created_ = true;
    const Watched watched(options_.watch, CallKind::create);

    Vessel v{name, host::create_vessel(name.c_str(), model), nullptr, nullptr, true};
    host::plugin_call([&] { host::Line(">").word("vmvcInit").handle(v.handle).integer(model); },
                      [&] {
                          v.object = init_(v.handle, model);
                          v.callee = host::vessel_object(v.handle, v.object);
                      },
                      [&] {
                          // An object the host did not see being constructed as a VESSEL2
                          // cannot be driven; it is still handed back to vmvcExit.
                          host::Line("<").word(!v.object ? "null" : v.callee ? "object" : "?");
                          if (v.object && !v.callee)
                              host::violation()
                                  .word("vmvcInit")
                                  .word("returned an object not constructed for")
                                  .word(name.c_str());
                      });
    latest_[name] = vessels_.size();
    vessels_.push_back(v);
    if (!v.callee) return;
    host::plugin_call(
        v.handle, host::Callback::set_class_caps,
        [] { host::Line(">").word("clbkSetClassCaps").word("null"); },
        [&] { v.callee->clbkSetClassCaps(nullptr); });
    host::plugin_call(
        v.handle, host::Callback::post_creation, [] { host::Line(">").word("clbkPostCreation"); },
        [&] { v.callee->clbkPostCreation(); });
}

void Runner::set(const Args& a) {
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
    const std::optional<host::Reading> q = find_quantity(a[1]);
    if (!q) throw Error{"unknown quantity " + quote(a[1]), ""};
    const double value = parse_real(a[2]);
    if (*q == host::Reading::ground && value != 0.0 && value != 1.0)
        throw Error{"ground is 0 or 1, not " + printable(a[2], 64), ""};
    host::set_reading(v.handle, *q, value);
}

void Runner::key(const Args& a) {
    Vessel& v = vessel(a[0]);
    const long long code = parse_key(a[1]);
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
    press_key(v, static_cast<DWORD>(code), down, kstate);
}

int Runner::press_key(Vessel& v, DWORD code, bool down, char* kstate) {
    VESSEL2& c = callee(v);
    const Watched watched(options_.watch, CallKind::key);
    return host::plugin_call(
        v.handle, host::Callback::key,
        [&] { host::Line(">").word("clbkConsumeBufferedKey").integer(code).boolean(down); },
        [&] { return c.clbkConsumeBufferedKey(code, down, kstate); },
        [](int r) { host::Line("<").integer(r); });
}

void Runner::vc(const Args& a) {
    Vessel& v = vessel(a[0]);
    load_vc(v, a.size() > 1 ? parse_int(a[1], "cockpit view") : 0);
}

bool Runner::load_vc(Vessel& v, int id) {
    VESSEL2& c = callee(v);
    return host::plugin_call(
        v.handle, host::Callback::load_vc, [&] { host::Line(">").word("clbkLoadVC").integer(id); },
        [&] { return c.clbkLoadVC(id); }, [](bool r) { host::Line("<").boolean(r); });
}

void Runner::airfoil(const Args& a) {
    Vessel& v = vessel(a[0]);
    const long long index = parse_integer(a[1], 0, INT32_MAX, "airfoil index");
    const double angle = parse_real(a[2]);
    const double mach = a.size() > 3 ? parse_real(a[3]) : 0.0;
    const double re = a.size() > 4 ? parse_real(a[4]) : 0.0;
    call_airfoil(v, index, angle, mach, re);
}

void Runner::call_airfoil(Vessel& v, long long index, double angle, double mach, double re) {
    if (index < 0 || index >= host::airfoil_count(v.handle))
        throw Error{"vessel " + quote(v.name) + " has no airfoil " + std::to_string(index), ""};
    const AirfoilCoeffFunc f = host::airfoil_function(v.handle, index);
    if (!f)
        throw Error{
            "airfoil " + std::to_string(index) + " of vessel " + quote(v.name) + " has no function",
            ""};
    double cl = 0.0, cm = 0.0, cd = 0.0;
    const Watched watched(options_.watch, CallKind::coefficient);
    host::coeff_call(f, angle, mach, re, &cl, &cm, &cd);
}

void Runner::version(const Args&) {
    module_version();
}

int Runner::module_version() {
    if (!version_) throw Error{"the plug-in does not export GetModuleVersion", ""};
    return host::plugin_call([] { host::Line(">").word("GetModuleVersion"); },
                             [&] { return version_(); }, [](int r) { host::Line("<").integer(r); });
}

void Runner::step(const Args& a) {
    run_steps(a.empty() ? 1 : parse_integer(a[0], 0, kMaxSteps, "step count"));
}

void Runner::run_steps(long long n) {
    for (long long i = 0; i < n; ++i) one_step();
}

// One simulation step: the time acceleration asked for takes effect, the
// flight model moves the vessels (with physics on), then every live vessel
// gets its post-step, and the flight log its rows.
void Runner::one_step() {
    if (interrupt_signal()) throw Interrupted{};
    host::apply_pending_warp();
    host::physics_step(kStepLength);
    const double mjd = kStartMjd + simt_ / 86400.0;
    for (Vessel& v : vessels_) {
        if (!v.alive || !v.callee) continue;
        const Watched watched(options_.watch, CallKind::post_step);
        host::plugin_call(
            v.handle, host::Callback::post_step,
            [&] { host::Line(">").word("clbkPostStep").real(simt_).real(kStepLength).real(mjd); },
            [&] { v.callee->clbkPostStep(simt_, kStepLength, mjd); });
    }
    simt_ += kStepLength;
    ++steps_;
    record();
}

void Runner::remove(const Args& a) {
    delete_vessel(a[0] == "null" ? nullptr : &vessel(a[0]));
}

void Runner::delete_vessel(Vessel* v) {
    if (v) return destroy(*v);
    host::plugin_call([] { host::Line(">").word("vmvcExit").word("null"); },
                      [&] { exit_(nullptr); });
}

void Runner::destroy(Vessel& v) {
    const Watched watched(options_.watch, CallKind::destroy);
    host::plugin_call(
        v.handle, host::Callback::exit,
        [&] { host::Line(">").word("vmvcExit").word(v.object ? v.name.c_str() : "null"); },
        [&] {
            exit_(v.object);
            // Gone before the host looks at the lights: a deleted vessel has none.
            v.alive = false;
            v.object = nullptr;
            v.callee = nullptr;
            host::delete_vessel(v.handle);
        });
}

void Runner::unload(const Args&) {
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
    const auto it = latest_.find(name);
    if (it == latest_.end()) throw Error{"unknown vessel " + quote(name), ""};
    Vessel& v = vessels_[it->second];
    if (!v.alive) throw Error{"vessel " + quote(name) + " was deleted", ""};
    return v;
}

VESSEL2& Runner::callee(Vessel& v) {
    if (!v.callee) throw Error{"vessel " + quote(v.name) + " has no plug-in object", ""};
    return *v.callee;
}

}  // namespace vmhost
