// The cost floor of a callback: the host calls it makes, recorded once through
// the host's recording mode and replayed, with the same arguments, by a loop
// that does nothing else.
#pragma once

#include <string>
#include <vector>

#include "recording.h"
#include "vmapi.h"

namespace bench {

class Replay {
  public:
    // Records the host calls `callback` makes and prepares them for replay on
    // `vessel` (the object that made them). False, with error() saying why,
    // when a call cannot be replayed.
    template <class Callback>
    bool record(const VESSEL* vessel, Callback callback) {
        std::vector<host::RecordedCall> calls(kCapacity);
        std::size_t count = 0;
        host::record_to(calls.data(), calls.size(), &count);
        callback();
        host::record_to(nullptr, 0, nullptr);
        return prepare(vessel, calls, count);
    }

    // Makes every recorded call once, in order. Returns the sum of the results
    // so that nothing of the work can be left out.
    double run() const;

    std::size_t calls() const { return steps_.size(); }
    const std::string& error() const { return error_; }

  private:
    static constexpr std::size_t kCapacity = 512;

    enum class Op {
        get_time_acceleration,
        set_time_acceleration,
        get_focus_heading,
        get_induced_drag,
        get_airspeed,
        get_altitude,
        get_pitch,
        get_bank,
        get_aoa,
        ground_contact,
        get_fuel_mass,
        set_fuel_mass,
        set_cw,
        set_thruster_max0,
        get_thruster_level,
        get_thruster_group_level,
        get_control_surface_level,
        set_control_surface_level,
        add_force,
        set_animation,
        insert_mesh,
        set_mesh_visibility_mode,
    };

    struct Step {
        Op op;
        long long i[2];
        double d[4];
        void* p;
        VECTOR3 v[2];
        bool null_vec;
    };

    bool prepare(const VESSEL* vessel, const std::vector<host::RecordedCall>& calls,
                 std::size_t count);

    const VESSEL* vessel_ = nullptr;
    std::vector<Step> steps_;
    std::string error_;
};

}  // namespace bench
