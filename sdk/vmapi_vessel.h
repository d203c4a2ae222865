// Host SDK: the vessel interface.
//
// VESSEL is the host's side of one vessel: every method is implemented by the
// host and acts on the vessel the object was constructed for. VESSEL2 adds the
// callbacks through which the host drives a plug-in's vessel class; a plug-in
// derives from VESSEL2 and overrides the callbacks it needs.
//
// Lifetime, as the host drives it: the plug-in's vmvcInit constructs the
// object; then clbkSetClassCaps once, clbkPostCreation once, clbkPostStep after
// every simulation step, clbkConsumeBufferedKey on key presses, clbkLoadVC when
// the pilot enters the virtual cockpit; finally vmvcExit destroys it. All calls
// come from the host's simulation thread, and so must every call the plug-in
// makes on a VESSEL method: the object is not safe to share between threads.
//
// Ownership: the plug-in owns its vessel object and every record it passes by
// pointer; the host owns every handle it returns (meshes, thrusters, tanks,
// groups, animation components) and keeps them valid while the vessel lives.
// Arguments passed by reference are read during the call only.
#pragma once

#include <cstdint>

#include "vmapi_types.h"

class VMAPI VESSEL {
  public:
    // Called by the plug-in's vessel class constructor with the handle and
    // flight model the host passed to vmvcInit.
    VESSEL(VesselHandle vessel, int flight_model = 1);
    virtual ~VESSEL();
    VESSEL(const VESSEL&) = delete;
    VESSEL& operator=(const VESSEL&) = delete;

    // --- Identity and state readings (any time after construction) ---
    VesselHandle GetHandle() const;
    int GetFlightModel() const;  // 0 simple, 1 or more realistic
    double GetAirspeed() const;  // m/s
    double GetAltitude() const;  // m above ground
    double GetPitch() const;     // rad
    double GetBank() const;      // rad
    double GetAOA() const;       // rad
    bool GroundContact() const;

    // --- Shape and mass (normally from clbkSetClassCaps) ---
    void SetSize(double size) const;
    void SetEmptyMass(double mass) const;
    // Drag coefficients for airflow along +z, -z, x and y.
    void SetCW(double forward, double backward, double lateral, double vertical) const;
    void SetWingAspect(double aspect) const;
    void SetWingEffectiveness(double effectiveness) const;
    void SetCrossSections(const VECTOR3& areas) const;
    void SetRotDrag(const VECTOR3& drag) const;
    void SetPMI(const VECTOR3& inertia) const;
    void SetTrimScale(double scale) const;
    void SetPitchMomentScale(double scale) const;
    void SetBankMomentScale(double scale) const;
    void SetTouchdownPoints(const VECTOR3& front, const VECTOR3& left, const VECTOR3& right) const;

    // --- Aerodynamics ---
    // Registers a lifting surface whose coefficients the host asks `function` for.
    void CreateAirfoil(LiftDirection direction, const VECTOR3& reference,
                       AirfoilCoefficientFunction function, double chord, double area,
                       double aspect) const;
    // A control surface of `type`, moving animation `animation` with its level.
    void CreateControlSurface(SurfaceType type, double area, double lift_change,
                              const VECTOR3& reference, HingeAxis axis, unsigned animation) const;
    void SetControlSurfaceLevel(SurfaceType type, double level) const;
    double GetControlSurfaceLevel(SurfaceType type) const;
    // A force for the current step only, at point `at` of the vessel frame.
    void AddForce(const VECTOR3& force, const VECTOR3& at) const;

    // --- Propulsion ---
    // max_mass kg; mass -1 means full; efficiency 0..1.
    PropellantHandle CreatePropellantResource(double max_mass, double mass = -1.0,
                                              double efficiency = 1.0) const;
    // Specific impulse `isp` m/s in vacuum, `isp_at_reference` at pressure
    // `reference_pressure` Pa (0: the same as in vacuum).
    ThrusterHandle CreateThruster(const VECTOR3& position, const VECTOR3& direction,
                                  double max_thrust, PropellantHandle propellant, double isp,
                                  double isp_at_reference = 0.0,
                                  double reference_pressure = 101.4e3) const;
    ThrusterGroupHandle CreateThrusterGroup(ThrusterHandle* thrusters, int count,
                                            ThrusterGroupType type) const;
    void AddExhaustStream(ThrusterHandle thruster, const VECTOR3& position,
                          PARTICLESTREAMSPEC* exhaust) const;
    void SetThrusterMax0(ThrusterHandle thruster, double max_thrust) const;
    double GetThrusterLevel(ThrusterHandle thruster) const;
    double GetThrusterGroupLevel(ThrusterGroupHandle group) const;
    double GetFuelMass() const;  // kg, the vessel's first propellant resource
    void SetFuelMass(double mass) const;

    // --- Visuals ---
    // Attaches a mesh; returns its index in the vessel's mesh list.
    unsigned AddMesh(MeshHandle mesh, const VECTOR3* offset = nullptr) const;
    // Replaces the mesh at an existing index; returns that index.
    unsigned InsertMesh(MeshHandle mesh, unsigned index, const VECTOR3* offset = nullptr) const;
    void SetMeshVisibilityMode(unsigned index, MeshVisibility mode) const;
    // The host keeps `light` and reads it in place while the vessel lives.
    void AddBeacon(BEACONLIGHTSPEC* light);
    // Returns the new animation's id: 0, 1, 2... per vessel.
    unsigned CreateAnimation(double initial_state) const;
    // The host keeps `transform`; `parent` makes the component follow another one.
    ComponentHandle AddAnimationComponent(unsigned animation, double state0, double state1,
                                          MGROUP_TRANSFORM* transform,
                                          ComponentHandle parent = nullptr);
    void SetAnimation(unsigned animation, double state) const;

    // --- Camera ---
    void SetCameraOffset(const VECTOR3& offset) const;
    void SetCameraDefaultDirection(const VECTOR3& direction) const;
    void SetCameraRotationRange(double left, double right, double up, double down) const;

  private:
    VesselHandle vessel_;
    int flight_model_;
};

// The callbacks through which the host drives a vessel class, in this slot
// order. Anything else the host does with a vessel is its own business.
class VMAPI VESSEL2 : public VESSEL {
  public:
    VESSEL2(VesselHandle vessel, int flight_model = 1);

    // Once, after construction: define the vessel. `config` is the class
    // configuration file, or null.
    virtual void clbkSetClassCaps(ConfigFileHandle config);
    // Once, after clbkSetClassCaps and before the first step.
    virtual void clbkPostCreation();
    // After every simulation step: simulation time, step length (s) and date
    // (modified Julian date).
    virtual void clbkPostStep(double sim_time, double step_length, double date);
    // A buffered key event: scan code (vmapi_keys.h), press (true) or release,
    // and the 256-entry key-state table. Return 1 when consumed, 0 to let the
    // host act.
    virtual int clbkConsumeBufferedKey(std::uint32_t key, bool down, char* key_state);
    // The pilot enters virtual-cockpit view `id`. Return true when supported.
    virtual bool clbkLoadVC(int id);
};
