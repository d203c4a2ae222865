// The runner's flying: the flight model switched on and off, the pilot's
// inputs, the autopilot and `until`; after every step, the rows of the flight
// log and the progress line; and at the end, whether the flight did what its
// scenario asked.
#include <cstdio>

#include "flightlog.h"
#include "runner.h"

namespace vmhost {
namespace {

// Where a vessel is, for a message.
std::string whereabouts(const Vessel& v) {
    const double speed = host::reading(v.handle, host::Reading::airspeed);
    if (host::reading(v.handle, host::Reading::ground) != 0)
        return v.name + " on the ground at " + fixed(speed, 1) + " m/s";
    return v.name + " in the air at " + fixed(host::reading(v.handle, host::Reading::altitude), 0) +
           " m, " + fixed(speed, 1) + " m/s";
}

// A number of steps as simulated time, "1200 s".
std::string duration(long long steps) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.10g s", static_cast<double>(steps) / kStepsPerSecond);
    return buf;
}

// The log's sample of a vessel, the gear left to the caller.
Sample sample_of(VesselHandle vessel, double time) {
    const host::Flight f = host::flight_state(vessel);
    Sample s;
    s.time = time;
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
    s.flaps = host::reading(vessel, host::Reading::flap);
    s.lights = f.lights;
    return s;
}

}  // namespace

void Runner::run(const cmd::Physics& c) {
    host::set_physics(c.on);
}

// Taking the elevator or the ailerons by hand takes that axis off the
// autopilot.
void Runner::run(const cmd::Pilot& c) {
    const VesselHandle v = vessel(c.vessel).handle;
    if (c.control == host::Reading::elevator) host::autopilot_off(v, true, false);
    if (c.control == host::Reading::aileron) host::autopilot_off(v, false, true);
    host::set_reading(v, c.control, c.level);
}

void Runner::run(const cmd::Brake& c) {
    host::set_brake(vessel(c.vessel).handle, c.level);
}

void Runner::run(const cmd::AutopilotHold& c) {
    host::autopilot_hold(vessel(c.vessel).handle, c.hold, c.target);
}

void Runner::run(const cmd::AutopilotOff& c) {
    host::autopilot_off(vessel(c.vessel).handle, c.pitch, c.bank);
}

bool Runner::reached(const Vessel& v, const cmd::Condition& c) const {
    using Kind = cmd::Condition::Kind;
    if (c.kind == Kind::airborne || c.kind == Kind::grounded)
        return (host::reading(v.handle, host::Reading::ground) == 0) == (c.kind == Kind::airborne);
    const double now =
        c.reading ? host::reading(v.handle, *c.reading) : host::flight_state(v.handle).climb;
    return c.kind == Kind::above ? now >= c.value : now <= c.value;
}

// Steps until the condition holds, at most the limit. Running out is a
// failure of the flight with physics on; without, the readings are only what
// the scenario set, and it is a warning.
void Runner::run(const cmd::Until& c) {
    Vessel& v = vessel(c.vessel);
    host::physics_step(0);  // a vessel created since is set on the ground first
    long long n = 0;
    while (!reached(v, c.condition) && n < c.limit && v.alive) {
        one_step();
        ++n;
    }
    if (reached(v, c.condition)) return;
    std::string what = quote(c.text);
    what += " gave up after " + std::to_string(n) + " steps (" + duration(n) + "): ";
    what += whereabouts(v);
    host::remark(what.c_str());
    if (host::physics()) {
        fail(line_, what);
    } else {
        messages_.put(line_, "warning", what);
    }
}

void Runner::fail(long long line, const std::string& what) {
    failed_ = true;
    messages_.put(line, "failed", what);
    if (options_.log)
        options_.log->fail(line > 0 ? "line " + std::to_string(line) + ": " + what : what);
}

Status Runner::verdict() {
    if (options_.lift_off)
        for (const Vessel& v : vessels_)
            if (!v.left_ground) fail(0, v.name + " never left the ground");
    if (const int broken = host::violations() - violations_before_; broken > 0) {
        fail(0, "the plug-in broke the host contract " + std::to_string(broken) +
                    (broken == 1 ? " time" : " times") + " (the '!' lines of the trace)");
        return kContractBroken;
    }
    return failed_ ? kFlightFailed : kOk;
}

// After a step: which vessels have left the ground, a row of the flight log
// for each live vessel, and while flying now and then the progress line.
void Runner::after_step() {
    const bool flying = host::physics();
    const bool logged_now = options_.log && (flying || !options_.flown_only);
    if (logged_now && flying) options_.log->mark_flown();
    for (std::size_t i = 0; i < vessels_.size(); ++i) {
        Vessel& v = vessels_[i];
        if (!v.alive) continue;
        if (flying && host::reading(v.handle, host::Reading::ground) == 0) v.left_ground = true;
        if (!logged_now) continue;
        const int number = logged(i);
        Sample s = sample_of(v.handle, simt_);
        const int animations = host::animation_count(v.handle);
        const double* anims = host::animation_states(v.handle);
        const int gear = options_.log->gear_animation(number);
        if (gear >= 0 && gear < animations) s.gear = anims[gear];
        options_.log->record(number, s, anims, animations);
    }
    if (options_.progress && flying && steps_ % kStepsPerSecond == 0) show_progress();
}

// The first live vessel's state, on a line redrawn in place.
void Runner::show_progress() {
    for (const Vessel& v : vessels_) {
        if (!v.alive) continue;
        const host::Flight f = host::flight_state(v.handle);
        char line[256];
        std::snprintf(line, sizeof line,
                      "%7.1f s  %s  alt %6.0f m  %5.1f m/s  climb %5.1f m/s  thrust %3.0f %%"
                      "  fuel %5.0f kg  pitch %5.1f deg",
                      simt_, v.name.c_str(), f.altitude, f.airspeed, f.climb, f.thrust * 100,
                      f.fuel, f.pitch * 57.29577951308232);
        messages_.progress(line);
        return;
    }
}

// A pilot's command, for the events of the flight log of the vessel it names.
void Runner::note(const Line& line) {
    if (!options_.log) return;
    const std::string* name = std::visit(
        [](const auto& c) -> const std::string* {
            if constexpr (requires { c.vessel; }) {
                return &c.vessel;
            } else {
                return nullptr;
            }
        },
        line.command);
    if (!name) return;
    for (std::size_t i = 0; i < vessels_.size(); ++i)
        if (vessels_[i].alive && vessels_[i].name == *name)
            options_.log->note(logged(i), simt_, line.pilot);
}

// Vessel i's number in the flight log; it is added at its first mention.
int Runner::logged(std::size_t i) {
    logged_.resize(vessels_.size(), -1);
    if (logged_[i] < 0)
        logged_[i] = options_.log->add_vessel(vessels_[i].name, plugin_name_,
                                              host::animation_count(vessels_[i].handle));
    return logged_[i];
}

}  // namespace vmhost
