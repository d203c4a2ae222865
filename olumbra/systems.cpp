// The airliner's per-step systems, run once after every simulation step in a
// fixed order. Every rate is an amount per step: the step length is not used.
#include <algorithm>

#include "airliner.h"
#include "shared_state.h"
#include "sound_client.h"

using namespace olumbra;

namespace {

constexpr double kMaxTimeAcceleration = 10.0;

// Flight envelope: drag coefficients (forward, backward, lateral, vertical)
// and maximum thrust of the normal, reduced and cut bands.
struct EnvelopeBand {
    double cw_z_pos, cw_z_neg, cw_x, cw_y;
    double max_thrust;
};
constexpr EnvelopeBand kNormal = {0.3, 0.3, 0.67, 0.92, 400000.0};
constexpr EnvelopeBand kReduced = {1.0, 1.0, 1.0, 1.0, 300000.0};
constexpr EnvelopeBand kCut = {555.0, 555.0, 555.0, 555.0, 0.0};
constexpr double kReducedAirspeed = 200.0, kCutAirspeed = 230.0;      // m/s
constexpr double kReducedAltitude = 17000.0, kCutAltitude = 20000.0;  // m

constexpr double kSteeringGain = 100000.0;  // N per (m/s x rudder level)
constexpr double kSteeringArm = 0.33;       // m either side of the centre

constexpr double kWheelRollSpeedLimit = 30.0;                 // m/s
constexpr double kWheelRollPerSpeed = 0.0033333333333333335;  // phase per step per m/s
constexpr double kWheelsShownBelowGear = 0.05;

constexpr double kGearTravel = 0.00242;  // per step: 414 steps end to end

// Moves a gear-like part one step towards its commanded end; returns to idle
// at the end stop. Command 1 raises, any other non-zero value lowers.
void move_gear(int& cmd, double& pos) {
    if (cmd == 1) {
        pos += kGearTravel;
        if (pos > 1.0) {
            pos = 1.0;
            cmd = 0;
        }
    } else {
        pos -= kGearTravel;
        if (pos < 0.0) {
            pos = 0.0;
            cmd = 0;
        }
    }
}

}  // namespace

void Airliner::clbkPostStep(double, double, double) {
    // 1. Time acceleration cap.
    if (vmapiGetTimeAcceleration() > kMaxTimeAcceleration)
        vmapiSetTimeAcceleration(kMaxTimeAcceleration);

    // 2. The airspeed the wheel roll uses.
    const double first_airspeed = GetAirspeed();

    // 3. Flight envelope, which is the whole engine model. Rules are applied
    // in order and a later one overrides an earlier: the altitude bands win
    // over the airspeed bands.
    {
        const double v = GetAirspeed();
        const double h = GetAltitude();
        auto apply = [this](const EnvelopeBand& b) {
            SetCW(b.cw_z_pos, b.cw_z_neg, b.cw_x, b.cw_y);
            SetThrusterMax0(th_main, b.max_thrust);
        };
        if (v >= kCutAirspeed) apply(kCut);
        if (v >= kReducedAirspeed && v < kCutAirspeed) apply(kReduced);
        if (h >= kCutAltitude) apply(kCut);
        if (h >= kReducedAltitude && h < kCutAltitude) apply(kReduced);
        if (v < kReducedAirspeed && h < kReducedAltitude) apply(kNormal);
    }

    // 4. Ground steering.
    if (GroundContact()) ApplyGroundSteering();

    // 5. Wheel roll: the phase runs whenever the aircraft moves, but the wheels
    // turn on screen only on the ground with the gear down.
    if (wheel_rot > 1.0) wheel_rot = 0.0;
    if (first_airspeed > 0.0) {
        if (wheel_rot > 1.0) wheel_rot = 0.0;
        wheel_rot += std::min(first_airspeed, kWheelRollSpeedLimit) * kWheelRollPerSpeed;
        if (GroundContact() && gear_pos < kWheelsShownBelowGear)
            SetAnimation(anim_wheels, wheel_rot);
    }

    // 6. Landing gear and 7. gear lever: they move only while airborne; on the
    // ground a command waits for lift-off.
    if (gear_cmd != 0 && !GroundContact()) {
        move_gear(gear_cmd, gear_pos);
        SetAnimation(anim_gear, gear_pos);
    }
    if (gear_lever_cmd != 0 && !GroundContact()) {
        move_gear(gear_lever_cmd, gear_lever_pos);
        SetAnimation(anim_gear_lever, gear_lever_pos);
    }

    // 8. Throttle levers.
    SetAnimation(anim_throttle, GetThrusterLevel(th_main));

    // 9. Engine sound, pitched by the thrust level.
    {
        const double level = GetThrusterLevel(th_main);
        if (level > 0.0) {
            eng_freq = engine_frequency(level);
            PlayVesselWave(sound_id, kEngineSlot, 1, 255, static_cast<int>(eng_freq));
        } else if (level == 0.0) {
            StopVesselWave(sound_id, kEngineSlot);
        }
    }

    // 10. Lights switch: strobes and night or day cockpit.
    if (lights_on == 1.0 && lights_changed == 1.0) {
        lights_changed = 0.0;
        beacon_right.active = beacon_left.active = true;
        SwapCockpitMeshes();
    }
    if (lights_on == 0.0 && lights_changed == 1.0) {
        lights_changed = 0.0;
        beacon_right.active = beacon_left.active = false;
        SwapCockpitMeshes();
    }

    // 11. Altimeter.
    {
        const double needle = altimeter.update(GetAltitude());
        SetAnimation(anim_alt_needle, needle);
        for (int k = 0; k < 5; ++k) SetAnimation(anim_alt_digit[k], altimeter.drum[k]);
    }

    // 12. Angle-of-attack gauge: 1/6 rad is full scale.
    SetAnimation(anim_aoa, GetAOA() * 6.0);

    // 13. Heading indicator, for the vessel that has the input focus.
    vmapiGetFocusHeading(&focus_heading);
    SetAnimation(anim_heading, focus_heading * 0.16 + 0.001);

    // 14. Airspeed indicator: 1 at rest down to 0 at 600 m/s.
    {
        const double v = std::clamp(GetAirspeed(), 0.0, 600.0);
        SetAnimation(anim_airspeed, std::clamp((600.0 - v) * 0.0016666666666666668, 0.0, 1.0));
    }

    // 15. Bank indicator: 0.5 with level wings, the ends at +-3 rad.
    SetAnimation(anim_bank, std::clamp((GetBank() + 3.0) * 0.16666666666666666, 0.0, 1.0));

    // 16. Clock.
    cockpit_clock.advance(vmapiGetTimeAcceleration());
    SetAnimation(anim_clock_sec, cockpit_clock.seconds);
    SetAnimation(anim_clock_min, cockpit_clock.minutes);
    SetAnimation(anim_clock_hour, cockpit_clock.hours);
}

void Airliner::ApplyGroundSteering() {
    const double force = GetAirspeed() * GetControlSurfaceLevel(AIRCTRL_RUDDER) * kSteeringGain;
    if (vmapiGetTimeAcceleration() > kMaxTimeAcceleration) return;
    // Equal and opposite side forces ahead of and behind the centre: a pure
    // turning moment about the vertical axis.
    AddForce(_V(force, 0.0, 0.0), _V(0.0, 0.0, kSteeringArm));
    AddForce(_V(-force, 0.0, 0.0), _V(0.0, 0.0, -kSteeringArm));
}

void Airliner::SwapCockpitMeshes() {
    if (lights_on != 1.0 && lights_on != 0.0) return;
    const bool night = lights_on == 1.0;
    UINT index = kFirstCockpitMeshIndex;
    for (const CockpitMesh& m : cockpit_meshes) {
        const UINT inserted = InsertMesh(night ? *m.night : *m.day, index++, &m.offset);
        SetMeshVisibilityMode(inserted, MESHVIS_VC);
    }
}
