// The runner: carries out a scenario's commands on the plug-in and its
// vessels, line by line as the reader hands them over. runner.cpp holds the
// plug-in's lifecycle and the plain commands; flying.cpp the flight model,
// the pilot's inputs, the autopilot, `until` and the flight log.
#pragma once

#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

#include "host.h"
#include "library.h"
#include "reader.h"
#include "scenario.h"

namespace vmhost {

// The most steps one `step` or `until` takes.
inline constexpr long long kMaxSteps = 100'000'000;

struct Vessel {
    std::string name;
    VesselHandle handle;
    VESSEL* object;   // what vmvcInit returned
    VESSEL2* callee;  // the same object when the host can drive it, else null
    bool alive;
};

class Runner {
  public:
    Runner(const RunOptions& options, const std::string& name, std::FILE* err,
           const long long* line_number);

    // Runs one line; throws Error when it cannot run.
    void line(const Args& args);
    // The end of the scenario: what `unload` does, if it is still to be done.
    void finish();

    // The commands of the table in reader.cpp, each given its arguments.
    void sound(const Args& a);
    void load(const Args& a);
    void create(const Args& a);
    void set(const Args& a);
    void key(const Args& a);
    void vc(const Args& a);
    void airfoil(const Args& a);
    void version(const Args& a);
    void step(const Args& a);
    void remove(const Args& a);
    void unload(const Args& a);
    // Flying.
    void physics(const Args& a);
    void throttle(const Args& a);
    void elevator(const Args& a);
    void aileron(const Args& a);
    void rudder(const Args& a);
    void trim(const Args& a);
    void brake(const Args& a);
    void autopilot(const Args& a);
    void until(const Args& a);

    // The same commands with their arguments already read: the text commands
    // above read theirs and call these, and the fuzzers call them directly.
    // Each throws Error as its text command does.
    void load_plugin(const std::string& plugin);
    void create_vessel(const std::string& name, int model);
    // The live vessel called `name`.
    Vessel& vessel(const std::string& name);
    // `kstate` is the keyboard state the plug-in sees: 256 bytes, 0x80 for a
    // key held down. (A reading is set on the host: host::set_reading.)
    int press_key(Vessel& v, std::uint32_t code, bool down, char* kstate);
    bool load_vc(Vessel& v, int id);
    void call_airfoil(Vessel& v, long long index, double angle, double mach, double re);
    int module_version();
    void run_steps(long long n);
    void delete_vessel(Vessel* v);  // null: vmvcExit(null)

  private:
    using VmvcInit = VESSEL* (*)(VesselHandle, int);
    using VmvcExit = void (*)(VESSEL*);
    using ModuleVersion = int (*)();

    void open_plugin(const std::string& path, const std::string& given);
    void one_step();
    void check_new_name(const std::string& name) const;
    VESSEL2& callee(Vessel& v);
    void destroy(Vessel& v);

    // Flying (flying.cpp).
    void pilot(const Args& a, host::Reading r);
    void record();
    void note(const Args& args);
    int logged(std::size_t i);

    std::string bin_dir_;
    bool sound_chosen_ = false;
    library::Handle plugin_ = nullptr;
    bool unloaded_ = false;
    bool created_ = false;
    VmvcInit init_ = nullptr;
    VmvcExit exit_ = nullptr;
    ModuleVersion version_ = nullptr;
    std::vector<Vessel> vessels_;  // creation order
    // Each name's latest vessel in vessels_: a scenario that creates and
    // deletes thousands of vessels still finds one by name at once.
    std::unordered_map<std::string, std::size_t> latest_;
    double simt_ = 0.0;

    RunOptions options_;
    const std::string& name_;  // of the scenario, as messages show it
    std::FILE* err_;
    const long long* line_number_;  // the line being run
    bool progress_shown_ = false;
    std::string plugin_name_;  // as `load` named it
    std::vector<int> logged_;  // each vessel's number in the flight log, or -1
    long long steps_ = 0;
};

}  // namespace vmhost
