// The runner's plain commands and the plug-in's lifecycle: loading it,
// creating, driving and deleting its vessels, stepping, and unloading it.
// Every call into the plug-in goes through host::plugin_call.
#include "runner.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <filesystem>

#include "aircraft.h"
#include "cli.h"
#include "files.h"
#include "interrupt.h"
#include "plugin_call.h"

namespace vmhost {
namespace {

constexpr double kStartMjd = 51544.5;  // modified Julian date at simt 0

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

// Notes on the aircraft a bare name (no folder, no file extension) may have
// meant; none for a path.
std::vector<std::string> aircraft_hints(const std::string& given) {
    if (given.find_first_of("/\\.") != std::string::npos) return {};
    return cli::suggest(given, aircraft_list(), "aircraft");
}

// Whether `given` is an aircraft's name (all lower case) in other letters.
bool names_aircraft_in_other_letters(std::string given) {
    for (char& c : given) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return find_aircraft(given) != nullptr;
}

}  // namespace

Runner::Runner(const RunOptions& options, Messages& messages)
    : bin_dir_(library::executable_dir()),
      options_(options),
      messages_(messages),
      violations_before_(host::violations()) {}

void Runner::stop_if_asked() const {
    if (interrupt_signal()) throw Interrupted{};
    if (options_.trace && std::ferror(options_.trace->file)) {
        // The failed write was the last call to set a reason, most likely:
        // keep it, before a flush tries again and says less.
        if (options_.trace->error == 0) options_.trace->error = write_failure();
        throw TraceFailed{};
    }
}

void Runner::next_line() {
    stop_if_asked();
    if (unloaded_) throw Error{"nothing may follow 'unload'", ""};
}

void Runner::need_plugin() const {
    if (!plugin_) throw Error{"no plug-in loaded yet ('load' first)", ""};
}

void Runner::run(const Line& line) {
    line_ = line.number;
    std::visit([this](const auto& c) { run(c); }, line.command);
    if (!line.pilot.empty()) note(line);
}

void Runner::run(const cmd::Sound& c) {
    if (created_) throw Error{"'sound' must come before the first 'create'", ""};
    if (sound_chosen_) throw Error{"the sound add-on was already chosen", ""};
    sound_chosen_ = true;
    if (c.mode == "none") return;
    // Present in the process from now on, as if the user had activated the
    // add-on; the host never unloads it.
    const std::string path = c.path ? c.mode : bin_dir_ + "/sound-" + c.mode + "/VelmoraSound.dll";
    std::string reason;
    if (!library::open(path, &reason))
        throw Error{"cannot load the sound add-on " + quote(path), reason};
}

void Runner::run(const cmd::Load& c) {
    if (plugin_) throw Error{"the plug-in is already loaded", ""};
    std::string path = c.plugin;
    std::error_code ec;
    if (!options_.plugin.empty()) {
        path = options_.plugin;
    } else if (const Aircraft* known = find_aircraft(c.plugin)) {
        path = plugin_path(*known);
    } else if (names_aircraft_in_other_letters(c.plugin)) {
        // A mistake, which a file system that ignores case would otherwise
        // load as a path.
        throw Error{"unknown aircraft " + quote(c.plugin), "", aircraft_hints(c.plugin)};
    } else if (const std::filesystem::path beside =
                   std::filesystem::path(options_.folder) / c.plugin;
               std::filesystem::path(c.plugin).is_relative() && !options_.folder.empty() &&
               !std::filesystem::exists(c.plugin, ec) && std::filesystem::exists(beside, ec)) {
        path = beside.string();
    }
    // The call into the plug-in is its load hook, run while the library is
    // opened.
    host::plugin_call([] { host::Line(">").word("load"); },
                      [&] { open_plugin(path, options_.plugin.empty() ? c.plugin : path); });
}

// Opens the plug-in library and finds its entry points; one that is no
// plug-in ends the scenario right there.
void Runner::open_plugin(const std::string& path, const std::string& given) {
    host::begin_module_load();
    std::string reason;
    plugin_ = library::open(path, &reason);
    plugin_name_ = given;
    host::end_module_load();
    if (!plugin_) throw Error{"cannot load plug-in " + quote(given), reason, aircraft_hints(given)};
    init_ = reinterpret_cast<VmvcInit>(library::symbol(plugin_, "vmvcInit"));
    exit_ = reinterpret_cast<VmvcExit>(library::symbol(plugin_, "vmvcExit"));
    version_ = reinterpret_cast<ModuleVersion>(library::symbol(plugin_, "GetModuleVersion"));
    if (!init_ || !exit_)
        throw Error{"plug-in " + quote(given) + " does not export vmvcInit and vmvcExit", ""};
}

void Runner::run(const cmd::Create& c) {
    const std::string& name = c.name;
    const int model = c.model;
    if (const auto it = latest_.find(name); it != latest_.end() && vessels_[it->second].alive)
        throw Error{"vessel " + quote(name) + " already exists", ""};
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

void Runner::run(const cmd::SetReading& c) {
    host::set_reading(vessel(c.vessel).handle, c.reading, c.value);
}

void Runner::run(const cmd::SetWarp& c) {
    host::set_warp(c.warp);
}

void Runner::run(const cmd::SetHeading& c) {
    if (c.heading) {
        host::set_focus_heading(*c.heading);
    } else {
        host::clear_focus_heading();
    }
}

void Runner::run(const cmd::Key& c) {
    Vessel& v = vessel(c.vessel);
    char kstate[256] = {};
    const struct {
        bool held;
        std::uint32_t scan;
    } modifiers[] = {{c.shift, key_code("LeftShift")},
                     {c.ctrl, key_code("LeftCtrl")},
                     {c.alt, key_code("LeftAlt")}};
    for (const auto& m : modifiers)
        if (m.held) kstate[m.scan] = static_cast<char>(0x80);
    key_answer_ = press_key(v, c.code, c.down, kstate);
}

int Runner::press_key(Vessel& v, std::uint32_t code, bool down, char* kstate) {
    VESSEL2& c = callee(v);
    const Watched watched(options_.watch, CallKind::key);
    return host::plugin_call(
        v.handle, host::Callback::key,
        [&] { host::Line(">").word("clbkConsumeBufferedKey").integer(code).boolean(down); },
        [&] { return c.clbkConsumeBufferedKey(code, down, kstate); },
        [](int r) { host::Line("<").integer(r); });
}

void Runner::run(const cmd::Vc& c) {
    Vessel& v = vessel(c.vessel);
    VESSEL2& object = callee(v);
    host::plugin_call(
        v.handle, host::Callback::load_vc,
        [&] { host::Line(">").word("clbkLoadVC").integer(c.id); },
        [&] { return object.clbkLoadVC(c.id); }, [](bool r) { host::Line("<").boolean(r); });
}

void Runner::run(const cmd::Airfoil& c) {
    Vessel& v = vessel(c.vessel);
    const long long index = c.index;
    if (index < 0 || index >= host::airfoil_count(v.handle))
        throw Error{"vessel " + quote(v.name) + " has no airfoil " + std::to_string(index), ""};
    const AirfoilCoefficientFunction f = host::airfoil_function(v.handle, index);
    if (!f)
        throw Error{
            "airfoil " + std::to_string(index) + " of vessel " + quote(v.name) + " has no function",
            ""};
    double cl = 0.0, cm = 0.0, cd = 0.0;
    const Watched watched(options_.watch, CallKind::coefficient);
    host::coeff_call(f, c.angle, c.mach, c.reynolds, &cl, &cm, &cd);
}

void Runner::run(const cmd::Version&) {
    if (!version_) throw Error{"the plug-in does not export GetModuleVersion", ""};
    host::plugin_call([] { host::Line(">").word("GetModuleVersion"); }, [&] { return version_(); },
                      [](int r) { host::Line("<").integer(r); });
}

void Runner::run(const cmd::Step& c) {
    for (long long i = 0; i < c.count; ++i) one_step();
}

// One simulation step: the time acceleration asked for takes effect, the
// flight model moves the vessels (with physics on), then every live vessel
// gets its post-step, and the flight log its rows.
void Runner::one_step() {
    stop_if_asked();
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
    after_step();
}

void Runner::run(const cmd::Delete& c) {
    if (c.target) return destroy(vessel(*c.target));
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

void Runner::run(const cmd::Unload&) {
    for (Vessel& v : vessels_)
        if (v.alive) destroy(v);
    host::Line(">").word("unload");
    library::close(plugin_);
    host::module_unloaded();
    unloaded_ = true;
}

void Runner::finish() {
    messages_.end_progress();
    if (!plugin_ || unloaded_) return;
    host::remark("end of scenario: unload");
    run(cmd::Unload{});
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
