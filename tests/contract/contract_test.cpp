// The host's contract checks that a scenario cannot reach (vmhost itself
// keeps the callback order) or that are easier to see in one process: the
// order of callbacks, and records changed behind the host's back.
#include "trace_test.h"

namespace {

using Contract = TraceTest;
using Lines = std::vector<std::string>;

TEST_F(Contract, CallbacksOutOfTheirOrderAreReported) {
    VesselHandle h = host::create_vessel("a", 1);
    VESSEL2 object(h, 1);
    host::calling(h, host::Callback::post_step);
    host::calling(h, host::Callback::post_creation);
    EXPECT_EQ(broken(), (Lines{"! clbkPostStep before clbkPostCreation on a",
                               "! clbkPostCreation before clbkSetClassCaps on a"}));
    host::calling(h, host::Callback::set_class_caps);
    host::calling(h, host::Callback::set_class_caps);
    host::calling(h, host::Callback::post_creation);
    host::calling(h, host::Callback::post_creation);
    EXPECT_EQ(broken(),
              (Lines{"! clbkSetClassCaps (again) on a", "! clbkPostCreation (again) on a"}));
    host::calling(h, host::Callback::key);
    host::calling(h, host::Callback::load_vc);
    host::calling(h, host::Callback::post_step);
    host::calling(h, host::Callback::exit);
    EXPECT_EQ(broken(), Lines{});
    host::delete_vessel(h);
    host::calling(h, host::Callback::post_step);
    EXPECT_EQ(broken(), Lines{"! clbkPostStep on deleted vessel a"});
    EXPECT_EQ(host::violations(), 5);
}

TEST_F(Contract, TheDocumentedOrderBreaksNothing) {
    VesselHandle h = host::create_vessel("a", 1);
    VESSEL2 object(h, 1);
    for (host::Callback c :
         {host::Callback::set_class_caps, host::Callback::post_creation, host::Callback::post_step,
          host::Callback::key, host::Callback::load_vc, host::Callback::post_step,
          host::Callback::exit})
        host::calling(h, c);
    EXPECT_EQ(host::violations(), 0);
}

TEST_F(Contract, ARecordChangedAfterHandOverIsReportedOnce) {
    VesselHandle h = host::create_vessel("a", 1);
    VESSEL2 object(h, 1);
    unsigned groups[2] = {4, 5};
    TranslationTransform shift(0, groups, 2, {0, 0, 1});
    const unsigned anim = object.CreateAnimation(0);
    object.AddAnimationComponent(anim, 0, 1, &shift);
    host::check_lights();
    EXPECT_EQ(broken(), Lines{});

    groups[1] = 6;  // the group list is part of the record
    host::check_lights();
    host::check_lights();
    EXPECT_EQ(broken(),
              Lines{"! record tf1{trans mesh=0 groups=[4,6] shift=(0,0,1)} changed after the "
                    "host took it"});
    shift.shift.z = 2;
    host::check_lights();
    EXPECT_EQ(broken().size(), 1u);
    EXPECT_EQ(host::violations(), 2);
}

TEST_F(Contract, ALightMaySwitchButNotMove) {
    VesselHandle h = host::create_vessel("a", 1);
    VESSEL2 object(h, 1);
    VECTOR3 pos{1, 2, 3}, col{1, 1, 1};
    BEACONLIGHTSPEC light{LightShape::star, &pos, &col, 0.1, 0.5, 1, 0.1, 0, false};
    object.AddBeacon(&light);
    light.active = true;
    host::check_lights();
    EXPECT_EQ(broken(), Lines{});
    col.y = 0.5;  // what the record points to counts too
    host::check_lights();
    EXPECT_EQ(broken().size(), 1u);
    light.time_offset = 0.25;
    host::check_lights();
    EXPECT_EQ(broken().size(), 1u);
}

TEST_F(Contract, RecordsAreForgottenWithTheObjectThatHandedThemOver) {
    VesselHandle a = host::create_vessel("a", 1);
    VesselHandle b = host::create_vessel("b", 1);
    unsigned groups[1] = {1};
    RotationTransform shared(0, groups, 1, {0, 0, 0}, {1, 0, 0}, 1.0f);
    auto* first = new VESSEL2(a, 1);
    auto* second = new VESSEL2(b, 1);
    first->AddAnimationComponent(first->CreateAnimation(0), 0, 1, &shared);
    second->AddAnimationComponent(second->CreateAnimation(0), 0, 1, &shared);
    delete first;
    host::delete_vessel(a);
    shared.angle = 2.0f;  // still kept for b
    host::check_lights();
    EXPECT_EQ(broken().size(), 1u);
    delete second;
    host::delete_vessel(b);
    shared.angle = 3.0f;  // nobody's any more
    host::check_lights();
    EXPECT_EQ(broken(), Lines{});
}

TEST_F(Contract, ChecksCountWhileTracingIsOff) {
    host::trace_to(nullptr);
    VesselHandle h = host::create_vessel("a", 1);
    VESSEL2 object(h, 1);
    object.SetAnimation(3, 1);
    object.SetThrusterMax0(nullptr, 1);
    EXPECT_EQ(host::violations(), 2);
    host::reset();
    EXPECT_EQ(host::violations(), 0);
}

}  // namespace
