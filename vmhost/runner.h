// The runner: carries out a scenario's commands, as the reader read them, on
// the plug-in and its vessels. runner.cpp holds the plug-in's lifecycle and
// the plain commands; flying.cpp the flight model, the pilot's inputs, the
// autopilot, `until`, the flight log and whether the flight did what its
// scenario asked.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "command.h"
#include "host.h"
#include "library.h"
#include "message.h"
#include "scenario.h"

namespace vmhost {

struct Vessel {
    std::string name;
    VesselHandle handle;
    VESSEL* object;   // what vmvcInit returned
    VESSEL2* callee;  // the same object when the host can drive it, else null
    bool alive;
    bool left_ground = false;  // seen off the ground after a step with physics on
};

class Runner {
  public:
    Runner(const RunOptions& options, Messages& messages);

    // Before each line: a noted signal (throws Interrupted) or a failed
    // trace (TraceFailed) stops the run, and nothing may follow `unload`.
    void next_line();
    // Throws Error while no plug-in is loaded.
    void need_plugin() const;
    // Runs a line; throws Error when it cannot run.
    void run(const Line& line);
    // The end of the scenario: what `unload` does, if it is still to be done.
    void finish();
    // After a scenario that ran to its end: kOk, or why not (each reason
    // reported, and kept in the flight log for its summary).
    Status verdict();

    // Each command. The fuzzers call them directly; each throws Error as its
    // line would.
    void run(const cmd::Sound& c);
    void run(const cmd::Load& c);
    void run(const cmd::Create& c);
    void run(const cmd::SetReading& c);
    void run(const cmd::SetWarp& c);
    void run(const cmd::SetHeading& c);
    void run(const cmd::Key& c);
    void run(const cmd::Vc& c);
    void run(const cmd::Airfoil& c);
    void run(const cmd::Version& c);
    void run(const cmd::Step& c);
    void run(const cmd::Delete& c);
    void run(const cmd::Unload& c);
    // Flying (flying.cpp).
    void run(const cmd::Physics& c);
    void run(const cmd::Pilot& c);
    void run(const cmd::Brake& c);
    void run(const cmd::AutopilotHold& c);
    void run(const cmd::AutopilotOff& c);
    void run(const cmd::Until& c);

    // The live vessel called `name`.
    Vessel& vessel(const std::string& name);
    // Every vessel of the run, in creation order, the deleted ones too.
    const std::vector<Vessel>& vessels() const { return vessels_; }
    // What the plug-in answered to the last `key`: 1 when it took the key.
    int key_answer() const { return key_answer_; }
    // A key with any keyboard state the plug-in may see: `kstate` holds 256
    // bytes, 0x80 for a key held down.
    int press_key(Vessel& v, std::uint32_t code, bool down, char* kstate);

  private:
    using VmvcInit = VESSEL* (*)(VesselHandle, int);
    using VmvcExit = void (*)(VESSEL*);
    using ModuleVersion = int (*)();

    void stop_if_asked() const;
    void open_plugin(const std::string& path, const std::string& given);
    void one_step();
    VESSEL2& callee(Vessel& v);
    void destroy(Vessel& v);

    // Flying (flying.cpp).
    bool reached(const Vessel& v, const cmd::Condition& c) const;
    void fail(long long line, const std::string& what);
    void after_step();
    void show_progress();
    void note(const Line& line);
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
    long long steps_ = 0;

    RunOptions options_;
    Messages& messages_;
    long long line_ = 0;       // the line running
    std::string plugin_name_;  // as `load` named it
    std::vector<int> logged_;  // each vessel's number in the flight log, or -1
    int violations_before_;    // broken host contract rules before the run
    bool failed_ = false;      // the flight did not do what its scenario asked
    int key_answer_ = 0;
};

// Runs the lines of `text` until its end, `number` counting them; throws
// what a line throws (scenario.cpp).
void run_lines(const std::string& text, Runner& runner, long long& number);

}  // namespace vmhost
