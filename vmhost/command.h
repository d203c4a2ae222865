// The scenario's commands as the reader hands them to the runner: one line,
// its numbers, keys and names already parsed and checked, with its place in
// the scenario for messages. The runner carries them out and never sees a
// token; what a command needs to know about the run (a vessel still alive, a
// plug-in loaded) the runner checks.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "host.h"

namespace vmhost {

// A step is 1/50 s of simulated time.
inline constexpr int kStepsPerSecond = 50;
inline constexpr double kStepLength = 1.0 / kStepsPerSecond;  // s
// The most steps one `step` or `until` takes.
inline constexpr long long kMaxSteps = 100'000'000;

// A line that cannot run.
struct Error {
    std::string what;
    std::string note;  // an optional second line, e.g. the system's reason
    // Notes on what would be right: the nearest valid name, the valid ones.
    std::vector<std::string> hints = {};
};

// A signal asked the run to stop (interrupt.h).
struct Interrupted {};

// The trace could not be written: the run stops, as nothing more of it
// would reach its reader.
struct TraceFailed {};

namespace cmd {

// MODE none, full, no-id, partial, or the path of a library (`path`).
struct Sound {
    std::string mode;
    bool path = false;
};
struct Load {
    std::string plugin;  // an aircraft's name or a path
};
struct Create {
    std::string name;  // a name a vessel may have
    int model = 1;
};
struct SetReading {
    std::string vessel;
    host::Reading reading;
    double value;
};
struct SetWarp {
    double warp;
};
struct SetHeading {
    std::optional<double> heading;  // none: the host has no heading to give
};
struct Key {
    std::string vessel;
    std::uint32_t code;  // 0..255
    bool down = true;
    bool shift = false, ctrl = false, alt = false;
};
struct Vc {
    std::string vessel;
    int id = 0;
};
struct Airfoil {
    std::string vessel;
    long long index;  // 0 and up; whether the vessel has it is the runner's to check
    double angle, mach = 0, reynolds = 0;
};
struct Version {};
struct Step {
    long long count = 1;  // 0..kMaxSteps
};
struct Delete {
    std::optional<std::string> target;  // none: vmvcExit(null)
};
struct Unload {};

// Flying.
struct Physics {
    bool on;
};
// The engines' level (Reading::thrust) or a control surface's.
struct Pilot {
    std::string vessel;
    host::Reading control;
    double level;
};
struct Brake {
    std::string vessel;
    double level;
};
struct AutopilotHold {
    std::string vessel;
    host::Hold hold;
    double target;
};
struct AutopilotOff {
    std::string vessel;
    bool pitch, bank;  // the axes switched off
};
// What `until` waits for: the vessel leaving or meeting the ground, or a
// reading (none: the climb rate) reaching a value.
struct Condition {
    enum Kind { airborne, grounded, above, below } kind;
    std::optional<host::Reading> reading;
    double value = 0;
};
struct Until {
    std::string vessel;
    Condition condition;
    long long limit;   // steps, 0..kMaxSteps
    std::string text;  // the condition as written, "until v1 altitude above 100"
};

}  // namespace cmd

using Command = std::variant<cmd::Sound, cmd::Load, cmd::Create, cmd::SetReading, cmd::SetWarp,
                             cmd::SetHeading, cmd::Key, cmd::Vc, cmd::Airfoil, cmd::Version,
                             cmd::Step, cmd::Delete, cmd::Unload, cmd::Physics, cmd::Pilot,
                             cmd::Brake, cmd::AutopilotHold, cmd::AutopilotOff, cmd::Until>;

// One line of a scenario, read.
struct Line {
    long long number;  // from 1
    Command command;
    // A pilot's command as written, which the flight log notes among the
    // events of the vessel it names; empty for the others.
    std::string pilot;
};

}  // namespace vmhost
