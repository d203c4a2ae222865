#include "replay.h"

#include <cstring>

namespace bench {
namespace {

// The argument kinds of each host operation a callback may make, in order:
// r a real, i an integer, p a handle, v a vector.
struct Signature {
    const char* name;
    int op;
    const char* args;
};

}  // namespace

bool Replay::prepare(const VESSEL* vessel, const std::vector<host::RecordedCall>& calls,
                     std::size_t count) {
    static const Signature signatures[] = {
        {"vmapiGetTimeAcceleration", int(Op::get_time_acceleration), ""},
        {"vmapiSetTimeAcceleration", int(Op::set_time_acceleration), "r"},
        {"vmapiGetFocusHeading", int(Op::get_focus_heading), ""},
        {"vmapiGetInducedDrag", int(Op::get_induced_drag), "rrr"},
        {"GetAirspeed", int(Op::get_airspeed), ""},
        {"GetAltitude", int(Op::get_altitude), ""},
        {"GetPitch", int(Op::get_pitch), ""},
        {"GetBank", int(Op::get_bank), ""},
        {"GetAOA", int(Op::get_aoa), ""},
        {"GroundContact", int(Op::ground_contact), ""},
        {"GetFuelMass", int(Op::get_fuel_mass), ""},
        {"SetFuelMass", int(Op::set_fuel_mass), "r"},
        {"SetCW", int(Op::set_cw), "rrrr"},
        {"SetThrusterMax0", int(Op::set_thruster_max0), "pr"},
        {"GetThrusterLevel", int(Op::get_thruster_level), "p"},
        {"GetThrusterGroupLevel", int(Op::get_thruster_group_level), "p"},
        {"GetControlSurfaceLevel", int(Op::get_control_surface_level), "i"},
        {"SetControlSurfaceLevel", int(Op::set_control_surface_level), "ir"},
        {"AddForce", int(Op::add_force), "vv"},
        {"SetAnimation", int(Op::set_animation), "ir"},
        {"InsertMesh", int(Op::insert_mesh), "piv"},
        {"SetMeshVisibilityMode", int(Op::set_mesh_visibility_mode), "ii"},
    };

    vessel_ = vessel;
    steps_.clear();
    error_.clear();
    if (count > calls.size()) {
        error_ = "more calls than the recording holds";
        return false;
    }
    for (std::size_t n = 0; n < count; ++n) {
        const host::RecordedCall& c = calls[n];
        const std::string name = c.name ? c.name : "null";
        const Signature* sig = nullptr;
        for (const Signature& s : signatures)
            if (name == s.name) sig = &s;
        if (!sig) {
            error_ = "cannot replay call " + std::to_string(n + 1) + ": " + name;
            return false;
        }
        Step step{};
        step.op = static_cast<Op>(sig->op);
        int reals = 0, integers = 0, vecs = 0;
        const std::size_t nargs = std::strlen(sig->args);
        for (std::size_t k = 0; k < nargs; ++k) {
            using Kind = host::RecordedToken::Kind;
            const host::RecordedToken& t = c.tokens[k];
            const char want = sig->args[k];
            const bool ok =
                static_cast<int>(k) < c.count &&
                ((want == 'r' && t.kind == Kind::real) ||
                 (want == 'i' && t.kind == Kind::integer) ||
                 (want == 'p' && t.kind == Kind::pointer) || (want == 'v' && t.kind == Kind::vec));
            if (!ok) {
                error_ = "unexpected arguments of " + name;
                return false;
            }
            if (want == 'r') step.d[reals++] = t.real_value;
            if (want == 'i') step.i[integers++] = t.integer_value;
            if (want == 'p') step.p = const_cast<void*>(t.ptr);
            if (want == 'v') {
                step.v[vecs++] = t.vec_value;
                step.null_vec = t.ptr == nullptr;
            }
        }
        steps_.push_back(step);
    }
    return true;
}

double Replay::run() const {
    const VESSEL& v = *vessel_;
    double sum = 0;
    double heading = 0;
    for (const Step& s : steps_) {
        switch (s.op) {
            case Op::get_time_acceleration:
                sum += vmapiGetTimeAcceleration();
                break;
            case Op::set_time_acceleration:
                vmapiSetTimeAcceleration(s.d[0]);
                break;
            case Op::get_focus_heading:
                sum += vmapiGetFocusHeading(&heading);
                break;
            case Op::get_induced_drag:
                sum += vmapiGetInducedDrag(s.d[0], s.d[1], s.d[2]);
                break;
            case Op::get_airspeed:
                sum += v.GetAirspeed();
                break;
            case Op::get_altitude:
                sum += v.GetAltitude();
                break;
            case Op::get_pitch:
                sum += v.GetPitch();
                break;
            case Op::get_bank:
                sum += v.GetBank();
                break;
            case Op::get_aoa:
                sum += v.GetAOA();
                break;
            case Op::ground_contact:
                sum += v.GroundContact();
                break;
            case Op::get_fuel_mass:
                sum += v.GetFuelMass();
                break;
            case Op::set_fuel_mass:
                v.SetFuelMass(s.d[0]);
                break;
            case Op::set_cw:
                v.SetCW(s.d[0], s.d[1], s.d[2], s.d[3]);
                break;
            case Op::set_thruster_max0:
                v.SetThrusterMax0(s.p, s.d[0]);
                break;
            case Op::get_thruster_level:
                sum += v.GetThrusterLevel(s.p);
                break;
            case Op::get_thruster_group_level:
                sum += v.GetThrusterGroupLevel(s.p);
                break;
            case Op::get_control_surface_level:
                sum += v.GetControlSurfaceLevel(static_cast<SurfaceType>(s.i[0]));
                break;
            case Op::set_control_surface_level:
                v.SetControlSurfaceLevel(static_cast<SurfaceType>(s.i[0]), s.d[0]);
                break;
            case Op::add_force:
                v.AddForce(s.v[0], s.v[1]);
                break;
            case Op::set_animation:
                v.SetAnimation(static_cast<unsigned>(s.i[0]), s.d[0]);
                break;
            case Op::insert_mesh:
                sum += v.InsertMesh(s.p, static_cast<unsigned>(s.i[0]),
                                    s.null_vec ? nullptr : &s.v[0]);
                break;
            case Op::set_mesh_visibility_mode:
                v.SetMeshVisibilityMode(static_cast<unsigned>(s.i[0]),
                                        static_cast<MeshVisibility>(s.i[1]));
                break;
        }
    }
    return sum + heading;
}

}  // namespace bench
