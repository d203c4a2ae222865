// The runner's flying: the flight model switched on and off, the pilot's
// inputs, the autopilot and `until`, and, after every step, the rows of the
// flight log and the progress line.
#include <functional>

#include "flightlog.h"
#include "runner.h"

namespace vmhost {
namespace {

constexpr long long kUntilSteps = 60000;  // 20 minutes

}  // namespace

void Runner::physics(const Args& a) {
    if (a[0] != "on" && a[0] != "off") throw Error{"physics is on or off, not " + quote(a[0]), ""};
    host::set_physics(a[0] == "on");
}

// A pilot input: the level of the engines or of a control surface. Taking the
// elevator or the ailerons by hand takes that axis off the autopilot.
void Runner::pilot(const Args& a, host::Reading r) {
    Vessel& v = vessel(a[0]);
    const double level = parse_real(a[1]);
    if (r == host::Reading::elevator) host::autopilot_off(v.handle, true, false);
    if (r == host::Reading::aileron) host::autopilot_off(v.handle, false, true);
    host::set_reading(v.handle, r, level);
}

void Runner::throttle(const Args& a) {
    pilot(a, host::Reading::thrust);
}
void Runner::elevator(const Args& a) {
    pilot(a, host::Reading::elevator);
}
void Runner::aileron(const Args& a) {
    pilot(a, host::Reading::aileron);
}
void Runner::rudder(const Args& a) {
    pilot(a, host::Reading::rudder);
}
void Runner::trim(const Args& a) {
    pilot(a, host::Reading::trim);
}
void Runner::brake(const Args& a) {
    host::set_brake(vessel(a[0]).handle, parse_real(a[1]));
}

void Runner::autopilot(const Args& a) {
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
void Runner::until(const Args& a) {
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
        if (const auto r = find_quantity(a[1]))
            get = [&v, r = *r] { return host::reading(v.handle, r); };
        if (!get) throw Error{"unknown quantity " + quote(a[1]), ""};
        done = [get, value, above] { return above ? get() >= value : get() <= value; };
        limit_at = 4;
    }
    if (a.size() > limit_at + 1) throw Error{"too many arguments: " + quote(a[limit_at + 1]), ""};
    const long long limit =
        a.size() > limit_at ? parse_integer(a[limit_at], 0, kMaxSteps, "step limit") : kUntilSteps;
    host::physics_step(0);  // a vessel created since is set on the ground first
    long long n = 0;
    while (!done() && n < limit && v.alive) {
        one_step();
        ++n;
    }
    if (!done()) {
        const std::string what = "'until' gave up after " + std::to_string(n) + " steps";
        host::remark(what.c_str());
        std::fprintf(err_, "%s:%lld: warning: %s\n", name_.c_str(), *line_number_, what.c_str());
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

// A pilot's command, for the events of the flight log of the vessel it names.
void Runner::note(const Args& args) {
    if (!options_.log || args.size() < 2) return;
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

}  // namespace vmhost
