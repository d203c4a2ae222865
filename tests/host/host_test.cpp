// The host library's behaviour as a plug-in sees it: the vessel records a
// scenario sets up, what the host operations return, the trace they write.
#include <algorithm>
#include <thread>

#include "counting_new.h"
#include "trace_test.h"

namespace {

// What a plug-in's vessel class is: the host's VESSEL2 with nothing added.
struct Craft : VESSEL2 {
    using VESSEL2::VESSEL2;
};

using Vessels = TraceTest;
using host::Reading;

TEST_F(Vessels, ConstructionIsTracedAndTheObjectFoundAgain) {
    VesselHandle h = host::create_vessel("v1", 2);
    Craft c(h, 2);
    EXPECT_EQ(line(), "VESSEL2 v1 2");
    EXPECT_EQ(host::vessel_object(h, &c), &c);
    Craft other(h, 2);  // a second object for the same vessel replaces the first
    EXPECT_EQ(host::vessel_object(h, &c), nullptr);
    EXPECT_EQ(c.GetHandle(), h);
    EXPECT_EQ(c.GetFlightModel(), 2);
    lines();
    int junk = 0;
    EXPECT_EQ(host::vessel_object(&junk, &c), nullptr);
    EXPECT_EQ(host::vessel_object(h, nullptr), nullptr);
}

TEST_F(Vessels, MeshIndicesAnimationIdsAndGlobalMeshes) {
    Craft a(host::create_vessel("a", 1)), b(host::create_vessel("b", 1));
    MeshHandle m1 = vmapiLoadMeshGlobal("Vorn\\Hull");
    MeshHandle m2 = vmapiLoadMeshGlobal("Vorn\\Hull-Cockpit");
    EXPECT_EQ(vmapiLoadMeshGlobal("Vorn\\Hull"), m1);
    EXPECT_NE(m1, m2);
    lines();
    const VECTOR3 ofs{0, -0.333, 2.1};
    EXPECT_EQ(a.AddMesh(m1), 0u);
    EXPECT_EQ(a.AddMesh(m2, &ofs), 1u);
    EXPECT_EQ(b.AddMesh(m2), 0u);
    EXPECT_EQ(a.InsertMesh(m2, 0, &ofs), 0u);
    EXPECT_EQ(a.InsertMesh(m1, 2), 2u);            // the next free index appends
    EXPECT_EQ(a.InsertMesh(m1, 9), unsigned(-1));  // no such index
    EXPECT_EQ(a.AddMesh(m1), 3u);
    EXPECT_EQ(lines(), (std::vector<std::string>{
                           "AddMesh mesh1 null = 0", "AddMesh mesh2 (0,-0.333,2.1) = 1",
                           "AddMesh mesh2 null = 0", "InsertMesh mesh2 0 (0,-0.333,2.1) = 0",
                           "InsertMesh mesh1 2 null = 2", "InsertMesh mesh1 9 null = 4294967295",
                           "AddMesh mesh1 null = 3"}));

    EXPECT_EQ(a.CreateAnimation(0), 0u);
    EXPECT_EQ(a.CreateAnimation(0.5), 1u);
    EXPECT_EQ(b.CreateAnimation(1), 0u);
    EXPECT_EQ(lines(), (std::vector<std::string>{"CreateAnimation 0 = 0", "CreateAnimation 0.5 = 1",
                                                 "CreateAnimation 1 = 0"}));
}

TEST_F(Vessels, HandlesAreNumberedPerKindInOrderOfCreation) {
    Craft a(host::create_vessel("a", 1));
    PropellantHandle ph = a.CreatePropellantResource(10000);
    ThrusterHandle th[2] = {a.CreateThruster({0, 0, -5}, {0, 0, 1}, 0, ph, 50000),
                            a.CreateThruster({0, 0, 5}, {0, 0, -1}, 1, nullptr, 1, 2, 3)};
    a.CreateThrusterGroup(th, 2, ThrusterGroupType::main);
    unsigned g[] = {1};
    TranslationTransform t(0, g, 1, {0, 0, 1});
    ComponentHandle ac = a.AddAnimationComponent(0, 0, 1, &t);
    a.AddAnimationComponent(0, 0.5, 1, &t, ac);
    EXPECT_EQ(
        lines(),
        (std::vector<std::string>{
            "VESSEL2 a 1", "CreatePropellantResource 10000 -1 1 = ph1",
            "CreateThruster (0,0,-5) (0,0,1) 0 ph1 50000 0 101400 = th1",
            "CreateThruster (0,0,5) (0,0,-1) 1 null 1 2 3 = th2",
            "CreateThrusterGroup [th1,th2] 2 0 = thg1",
            "AddAnimationComponent 0 0 1 tf1{trans mesh=0 groups=[1] shift=(0,0,1)} null = ac1",
            "AddAnimationComponent 0 0.5 1 tf1{trans mesh=0 groups=[1] shift=(0,0,1)} ac1 = ac2"}));
}

TEST_F(Vessels, ReadingsComeFromTheScenarioAndThePlugInsOwnSetters) {
    VesselHandle h = host::create_vessel("v1", 1), h2 = host::create_vessel("v2", 1);
    Craft c(h), c2(h2);
    EXPECT_EQ(c.GetFuelMass(), 0.0);  // no propellant yet
    c.CreatePropellantResource(10000, 5000);
    c.CreatePropellantResource(300);  // only the first one counts
    EXPECT_EQ(c.GetFuelMass(), 10000.0);
    c.SetFuelMass(42);
    EXPECT_EQ(host::reading(h, Reading::fuel), 42.0);
    host::set_reading(h, Reading::fuel, 7);
    EXPECT_EQ(c.GetFuelMass(), 7.0);

    host::set_reading(h, Reading::airspeed, 45);
    host::set_reading(h, Reading::ground, 1);
    host::set_reading(h, Reading::aoa, -0.1);
    EXPECT_EQ(c.GetAirspeed(), 45.0);
    EXPECT_TRUE(c.GroundContact());
    EXPECT_EQ(c.GetAOA(), -0.1);
    EXPECT_EQ(c2.GetAirspeed(), 0.0);
    EXPECT_FALSE(c2.GroundContact());

    c.SetControlSurfaceLevel(SurfaceType::flap, 0.006);
    EXPECT_EQ(host::reading(h, Reading::flap), 0.006);
    host::set_reading(h, Reading::trim, -0.5);
    EXPECT_EQ(c.GetControlSurfaceLevel(SurfaceType::elevator_trim), -0.5);
    constexpr auto kUnknown = SurfaceType{5};
    c.SetControlSurfaceLevel(kUnknown, 1);  // not kept
    EXPECT_EQ(c.GetControlSurfaceLevel(kUnknown), 0.0);

    ThrusterHandle th = c.CreateThruster({0, 0, 0}, {0, 0, 1}, 0, nullptr, 1);
    ThrusterGroupHandle thg = c.CreateThrusterGroup(&th, 1, ThrusterGroupType::main);
    ThrusterHandle th2 = c2.CreateThruster({0, 0, 0}, {0, 0, 1}, 0, nullptr, 1);
    host::set_reading(h, Reading::thrust, 0.5);
    host::set_reading(h2, Reading::thrust, 0.25);
    lines();
    EXPECT_EQ(c.GetThrusterLevel(th), 0.5);
    EXPECT_EQ(c.GetThrusterGroupLevel(thg), 0.5);
    EXPECT_EQ(c.GetThrusterLevel(th2), 0.25);  // the level of the thruster's own vessel
    EXPECT_EQ(lines(), (std::vector<std::string>{"GetThrusterLevel th1 = 0.5",
                                                 "GetThrusterGroupLevel thg1 = 0.5",
                                                 "GetThrusterLevel th2 = 0.25"}));
}

TEST_F(Vessels, TimeAccelerationRequestsWaitForTheNextStep) {
    EXPECT_EQ(vmapiGetTimeAcceleration(), 1.0);
    vmapiSetTimeAcceleration(10);
    EXPECT_EQ(vmapiGetTimeAcceleration(), 1.0);
    host::apply_pending_warp();
    EXPECT_EQ(vmapiGetTimeAcceleration(), 10.0);
    host::apply_pending_warp();  // nothing pending: stays
    EXPECT_EQ(vmapiGetTimeAcceleration(), 10.0);
    vmapiSetTimeAcceleration(100);
    host::set_warp(2);  // replaces the pending request
    host::apply_pending_warp();
    EXPECT_EQ(vmapiGetTimeAcceleration(), 2.0);
    EXPECT_EQ(lines(), (std::vector<std::string>{
                           "vmapiGetTimeAcceleration = 1", "vmapiSetTimeAcceleration 10",
                           "vmapiGetTimeAcceleration = 1", "vmapiGetTimeAcceleration = 10",
                           "vmapiGetTimeAcceleration = 10", "vmapiSetTimeAcceleration 100",
                           "vmapiGetTimeAcceleration = 2"}));
}

TEST_F(Vessels, FocusHeading) {
    double h = -7;
    EXPECT_TRUE(vmapiGetFocusHeading(&h));
    EXPECT_EQ(h, 0.0);
    host::set_focus_heading(1.2);
    EXPECT_TRUE(vmapiGetFocusHeading(&h));
    EXPECT_EQ(h, 1.2);
    host::clear_focus_heading();
    h = -7;
    EXPECT_FALSE(vmapiGetFocusHeading(&h));
    EXPECT_EQ(h, -7.0);
    host::set_focus_heading(3);
    EXPECT_TRUE(vmapiGetFocusHeading(nullptr));
    EXPECT_EQ(lines(), (std::vector<std::string>{
                           "vmapiGetFocusHeading = 1 0", "vmapiGetFocusHeading = 1 1.2",
                           "vmapiGetFocusHeading = 0", "vmapiGetFocusHeading = 1"}));
}

TEST_F(Vessels, InducedDragAndDates) {
    EXPECT_EQ(vmapiGetInducedDrag(0.30774999999999997, 2.266, 0.6), 0.022173543111823107);
    EXPECT_EQ(line(), "vmapiGetInducedDrag 0.30774999999999997 2.266 0.6 = 0.022173543111823107");
    EXPECT_EQ(Date2Int("Apr 25 2006"), 20060425);
    EXPECT_EQ(line(), R"(Date2Int "Apr 25 2006" = 20060425)");
    EXPECT_EQ(Date2Int("Jan  2 2024"), 20240102);
    EXPECT_EQ(Date2Int("Dec 31 1999"), 19991231);
    for (const char* bad : {"", "Apr", "Apr 25", "Foo 25 2006", "apr 25 2006", "Apr 25 2006 x",
                            "Apr 0 2006", "Apr 250 2006", "Apr25 2006"})
        EXPECT_EQ(Date2Int(bad), 0) << bad;
    EXPECT_EQ(Date2Int(nullptr), 0);
    EXPECT_EQ(lines().back(), "Date2Int null = 0");
}

TEST_F(Vessels, LightChangesAfterACallReturned) {
    VesselHandle ha = host::create_vessel("a", 1), hb = host::create_vessel("b", 1);
    Craft a(ha), b(hb);
    VECTOR3 p{0, 0, 0};
    BEACONLIGHTSPEC l0{LightShape::star, &p, &p, 1, 1, 1, 1, 0, false},
        l1{LightShape::star, &p, &p, 1, 1, 1, 1, 0, true};
    a.AddBeacon(&l0);
    a.AddBeacon(&l1);
    b.AddBeacon(&l0);  // one record may serve several vessels
    lines();
    host::check_lights();
    EXPECT_TRUE(lines().empty());
    l0.active = true;
    l1.active = false;
    host::check_lights();
    EXPECT_EQ(lines(),
              (std::vector<std::string>{"* light a 0 on", "* light a 1 off", "* light b 0 on"}));
    host::check_lights();
    EXPECT_TRUE(lines().empty());
    host::delete_vessel(ha);
    l0.active = false;
    host::check_lights();
    EXPECT_EQ(lines(), (std::vector<std::string>{"* light b 0 off"}));
}

TEST_F(Vessels, MalformedCallsAreTracedAndIgnored) {
    int junk = 0;
    Craft stray(&junk);  // constructed for a handle the host never gave out
    EXPECT_EQ(line(), "VESSEL2 ? 1");
    EXPECT_EQ(stray.AddMesh(nullptr), 0u);
    EXPECT_EQ(stray.GetAirspeed(), 0.0);
    stray.AddBeacon(nullptr);
    stray.SetFuelMass(1);
    EXPECT_EQ(stray.GetFuelMass(), 0.0);

    Craft c(host::create_vessel("v", 1));
    lines();
    c.CreateThrusterGroup(nullptr, 3, ThrusterGroupType::main);
    void* unknown = &junk;
    c.CreateThrusterGroup(&unknown, 1, ThrusterGroupType::main);
    c.SetThrusterMax0(unknown, 1);
    c.AddExhaustStream(nullptr, {0, 0, 0}, nullptr);
    c.AddAnimationComponent(5, 0, 1, nullptr);
    c.SetAnimation(99, 1);
    vmapiVCRegisterMFD(0, nullptr);
    EXPECT_EQ(vmapiLoadMeshGlobal(nullptr), nullptr);
    EXPECT_EQ(lines(),
              (std::vector<std::string>{
                  "CreateThrusterGroup null 3 0 = thg1", "CreateThrusterGroup [?] 1 0 = thg2",
                  "SetThrusterMax0 ? 1", "AddExhaustStream null (0,0,0) null",
                  "AddAnimationComponent 5 0 1 null null = ac1", "SetAnimation 99 1",
                  "vmapiVCRegisterMFD 0 null", "vmapiLoadMeshGlobal null = null"}));
}

TEST_F(Vessels, TheModuleHandleIsTheOneGivenWhileLoading) {
    int module_object = 0, other_object = 0;
    // Handles that stand for two loaded libraries.
    const auto module = reinterpret_cast<ModuleHandle>(&module_object);
    const auto other = reinterpret_cast<ModuleHandle>(&other_object);
    InitLib(module);
    EXPECT_EQ(line(), "InitLib ?");
    host::begin_module_load();
    InitLib(module);
    host::end_module_load();
    InitLib(other);
    InitLib(module);
    EXPECT_EQ(lines(), (std::vector<std::string>{"InitLib module", "InitLib ?", "InitLib module"}));
    host::module_unloaded();
    InitLib(module);
    EXPECT_EQ(line(), "InitLib ?");
}

TEST_F(Vessels, AHostCallFromAForeignThreadIsABrokenRuleOncePerOperationAndTearsNoLine) {
    Craft c(host::create_vessel("v1", 1));
    lines();
    host::begin_module_load();  // this thread drives the simulation from now on
    host::end_module_load();
    const int before = host::violations();
    std::thread own([&] {
        for (int i = 0; i < 2000; ++i) c.GetAltitude();
        c.GetAirspeed();
    });
    for (int i = 0; i < 2000; ++i) c.GetPitch();
    own.join();
    std::vector<std::string> foreign, other;
    for (const std::string& l : trace()) (l.starts_with("! ") ? foreign : other).push_back(l);
    std::sort(foreign.begin(), foreign.end());
    EXPECT_EQ(foreign,
              (std::vector<std::string>{"! host call from a foreign thread: GetAirspeed",
                                        "! host call from a foreign thread: GetAltitude"}));
    EXPECT_EQ(other, std::vector<std::string>(2000, "GetPitch = 0"));
    EXPECT_EQ(host::violations() - before, 2);
}

TEST_F(Vessels, PerStepCallsAllocateNothingEvenWhenTraced) {
    VesselHandle h = host::create_vessel("v1", 1);
    Craft c(h);
    PropellantHandle ph = c.CreatePropellantResource(10000);
    ThrusterHandle th = c.CreateThruster({0, 0, -5}, {0, 0, 1}, 0, ph, 50000);
    ThrusterGroupHandle thg = c.CreateThrusterGroup(&th, 1, ThrusterGroupType::main);
    MeshHandle m = vmapiLoadMeshGlobal("Vorn\\Hull");
    c.AddMesh(m);
    c.AddMesh(m);
    const unsigned anim = c.CreateAnimation(0);
    VECTOR3 p{1, 2, 3};
    BEACONLIGHTSPEC light{LightShape::star, &p, &p, 1, 1, 1, 1, 0, false};
    c.AddBeacon(&light);
    VCMFDSPEC mfd{1, 100};
    vmapiVCRegisterMFD(0, &mfd);  // records are named when first seen
    vmapiLoadMeshGlobal("Vorn\\Hull");

    for (int tracing = 1; tracing >= 0; --tracing) {
        host::trace_to(tracing ? trace_file() : nullptr);
        const std::size_t before = counting_new::allocations();
        for (int step = 0; step < 50; ++step) {
            double heading;
            vmapiSetTimeAcceleration(vmapiGetTimeAcceleration());
            host::apply_pending_warp();
            c.SetCW(0.3, 0.3, c.GetAirspeed(), c.GetAltitude());
            c.SetThrusterMax0(th, 3e5);
            c.GetThrusterLevel(th);
            c.GetThrusterGroupLevel(thg);
            c.GroundContact();
            c.InsertMesh(m, 1, &p);
            c.SetMeshVisibilityMode(1, MeshVisibility::exterior_and_cockpit);
            c.SetControlSurfaceLevel(SurfaceType::flap,
                                     c.GetControlSurfaceLevel(SurfaceType::flap));
            c.AddForce(p, p);
            c.SetAnimation(anim, 0.5);
            c.SetFuelMass(c.GetFuelMass());
            c.GetPitch();
            c.GetBank();
            c.GetAOA();
            vmapiGetFocusHeading(&heading);
            vmapiGetInducedDrag(0.3, 2.266, 0.6);
            vmapiVCRegisterMFD(0, &mfd);
            vmapiLoadMeshGlobal("Vorn\\Hull");
            light.active = !light.active;
            host::check_lights();
        }
        EXPECT_EQ(counting_new::allocations() - before, 0u) << (tracing ? "traced" : "untraced");
    }
    host::trace_to(trace_file());
}

// What host.h calls through is found by name; a name the library does not
// know is no interface, not an error.
TEST(ControlInterface, IsFoundByItsNameAndNoOtherNameFindsOne) {
    EXPECT_EQ(host::extension(host::kControlId), &host::control());
    EXPECT_EQ(host::extension("velmora.host-control.0"), nullptr);
    EXPECT_EQ(host::extension(nullptr), nullptr);
}

}  // namespace
