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

#include "vmapi_types.h"

class VMAPI VESSEL {
  public:
    // Called by the plug-in's vessel class constructor with the handle and
    // flight model the host passed to vmvcInit.
    VESSEL(OBJHANDLE hVessel, int fmodel = 1);
    virtual ~VESSEL();
    VESSEL(const VESSEL&) = delete;
    VESSEL& operator=(const VESSEL&) = delete;

    // --- Identity and state readings (any time after construction) ---
    OBJHANDLE GetHandle() const;
    int GetFlightModel() const;  // 0 simple, 1 or more realistic
    double GetAirspeed() const;  // m/s
    double GetAltitude() const;  // m above ground
    double GetPitch() const;     // rad
    double GetBank() const;      // rad
    double GetAOA() const;       // rad
    bool GroundContact() const;

    // --- Shape and mass (normally from clbkSetClassCaps) ---
    void SetSize(double size) const;
    void SetEmptyMass(double m) const;
    // Drag coefficients for airflow along +z, -z, x and y.
    void SetCW(double cw_z_pos, double cw_z_neg, double cw_x, double cw_y) const;
    void SetWingAspect(double aspect) const;
    void SetWingEffectiveness(double eff) const;
    void SetCrossSections(const VECTOR3& cs) const;
    void SetRotDrag(const VECTOR3& rd) const;
    void SetPMI(const VECTOR3& pmi) const;
    void SetTrimScale(double scale) const;
    void SetPitchMomentScale(double scale) const;
    void SetBankMomentScale(double scale) const;
    void SetTouchdownPoints(const VECTOR3& pt1, const VECTOR3& pt2, const VECTOR3& pt3) const;

    // --- Aerodynamics ---
    // Registers a lifting surface whose coefficients the host asks `cf` for.
    void CreateAirfoil(AIRFOIL_ORIENTATION align, const VECTOR3& ref, AirfoilCoeffFunc cf, double c,
                       double S, double A) const;
    // A control surface of `type`, moving animation `anim` with its level.
    void CreateControlSurface(AIRCTRL_TYPE type, double area, double dCl, const VECTOR3& ref,
                              int axis, UINT anim) const;
    void SetControlSurfaceLevel(AIRCTRL_TYPE type, double level) const;
    double GetControlSurfaceLevel(AIRCTRL_TYPE type) const;
    // A force for the current step only, at point r of the vessel frame.
    void AddForce(const VECTOR3& F, const VECTOR3& r) const;

    // --- Propulsion ---
    // maxmass kg; mass -1 means full; efficiency 0..1.
    PROPELLANT_HANDLE CreatePropellantResource(double maxmass, double mass = -1.0,
                                               double efficiency = 1.0) const;
    THRUSTER_HANDLE CreateThruster(const VECTOR3& pos, const VECTOR3& dir, double maxth0,
                                   PROPELLANT_HANDLE hp, double isp0, double isp_ref = 0.0,
                                   double p_ref = 101.4e3) const;
    THGROUP_HANDLE CreateThrusterGroup(THRUSTER_HANDLE* th, int nth, THGROUP_TYPE type) const;
    void AddExhaustStream(THRUSTER_HANDLE th, const VECTOR3& pos, PARTICLESTREAMSPEC* pss) const;
    void SetThrusterMax0(THRUSTER_HANDLE th, double maxth0) const;
    double GetThrusterLevel(THRUSTER_HANDLE th) const;
    double GetThrusterGroupLevel(THGROUP_HANDLE thg) const;
    double GetFuelMass() const;  // kg, the vessel's first propellant resource
    void SetFuelMass(double m) const;

    // --- Visuals ---
    // Attaches a mesh; returns its index in the vessel's mesh list.
    UINT AddMesh(MESHHANDLE hMesh, const VECTOR3* ofs = nullptr) const;
    // Replaces the mesh at an existing index; returns that index.
    UINT InsertMesh(MESHHANDLE hMesh, UINT idx, const VECTOR3* ofs = nullptr) const;
    void SetMeshVisibilityMode(UINT idx, WORD mode) const;
    // The host keeps `bs` and reads it in place while the vessel lives.
    void AddBeacon(BEACONLIGHTSPEC* bs);
    // Returns the new animation's id: 0, 1, 2... per vessel.
    UINT CreateAnimation(double initial_state) const;
    // The host keeps `trans`; `parent` makes the component follow another one.
    ANIMATIONCOMPONENT_HANDLE AddAnimationComponent(UINT anim, double state0, double state1,
                                                    MGROUP_TRANSFORM* trans,
                                                    ANIMATIONCOMPONENT_HANDLE parent = nullptr);
    void SetAnimation(UINT anim, double state) const;

    // --- Camera ---
    void SetCameraOffset(const VECTOR3& co) const;
    void SetCameraDefaultDirection(const VECTOR3& cd) const;
    void SetCameraRotationRange(double left, double right, double up, double down) const;

  private:
    OBJHANDLE vessel_;
    int flight_model_;
};

class VMAPI VESSEL2 : public VESSEL {
  public:
    VESSEL2(OBJHANDLE hVessel, int fmodel = 1);

    // Once, after construction: define the vessel. `cfg` is the class
    // configuration file, or null.
    virtual void clbkSetClassCaps(FILEHANDLE cfg);
    // Once, after clbkSetClassCaps and before the first step.
    virtual void clbkPostCreation();
    // After every simulation step: simulation time, step length (s) and date
    // (modified Julian date).
    virtual void clbkPostStep(double simt, double simdt, double mjd);
    // A buffered key event: scan code, press (true) or release, and the
    // 256-entry key-state table. Return 1 when consumed, 0 to let the host act.
    virtual int clbkConsumeBufferedKey(DWORD key, bool down, char* kstate);
    // The pilot enters virtual-cockpit view `id`. Return true when supported.
    virtual bool clbkLoadVC(int id);

    // Host defaults; the aircraft of this project keep them.
    virtual void clbkPreStep(double simt, double simdt, double mjd);
    virtual void clbkSaveState(FILEHANDLE scn);
    virtual void clbkLoadStateEx(FILEHANDLE scn, void* status);
    virtual void clbkVisualCreated(void* vis, int refcount);
    virtual void clbkVisualDestroyed(void* vis, int refcount);
    virtual void clbkFocusChanged(bool getfocus, OBJHANDLE hNewVessel, OBJHANDLE hOldVessel);
    virtual bool clbkLoadPanel(int id);
    virtual bool clbkDrawHUD(int mode, const void* hps, void* skp);
    virtual int clbkConsumeDirectKey(char* kstate);
};
