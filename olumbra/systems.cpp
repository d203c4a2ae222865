// The airliner's per-step systems, run once after every simulation step in a
// fixed order. Every rate is an amount per step: the step length is not used.
#include "airliner.h"
#include "kit.h"
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

constexpr kit::GroundSteering kSteering = {.gain = 100000.0, .arm = 0.33};  // N per m/s, m
constexpr kit::WheelRoll kWheels = {.top_speed = 30.0, .per_metre = 0.0033333333333333335};
constexpr double kWheelsShownBelowGear = 0.05;

constexpr double kGearTravel = 0.00242;  // per step: 414 steps end to end

}  // namespace

void Airliner::clbkPostStep(double, double, double) {
    // 1. Time acceleration cap.
    kit::cap_time_acceleration(kMaxTimeAcceleration);

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
    if (GroundContact()) kit::steer_on_ground(*this, kSteering, kMaxTimeAcceleration);

    // 5. Wheel roll: the wheels turn on screen only on the ground with the
    // gear down.
    if (kit::roll_wheels(wheel_rot, first_airspeed, kWheels) && GroundContact() &&
        gear_pos < kWheelsShownBelowGear)
        SetAnimation(anim_wheels, wheel_rot);

    // 6. Landing gear and 7. gear lever: they move only while airborne; on the
    // ground a command waits for lift-off.
    if (gear_cmd != 0 && !GroundContact()) {
        kit::travel(gear_cmd, gear_pos, kGearTravel);
        SetAnimation(anim_gear, gear_pos);
    }
    if (gear_lever_cmd != 0 && !GroundContact()) {
        kit::travel(gear_lever_cmd, gear_lever_pos, kGearTravel);
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
    if (kit::take_request(lights_changed, lights_on)) {
        beacon_right.active = beacon_left.active = lights_on == 1.0;
        kit::show_cockpit(*this, cockpit_meshes, kFirstCockpitMeshIndex, lights_on == 1.0);
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
    kit::show_focus_heading(*this, anim_heading, focus_heading);

    // 14. Airspeed indicator: 1 at rest down to 0 at 600 m/s.
    SetAnimation(anim_airspeed, kit::falling_needle(GetAirspeed(), 600.0));

    // 15. Bank indicator: 0.5 with level wings, the ends at +-3 rad.
    SetAnimation(anim_bank, kit::centred_gauge(GetBank(), 3.0));

    // 16. Clock.
    kit::run_clock(*this, cockpit_clock, {anim_clock_sec, anim_clock_min, anim_clock_hour});
}
