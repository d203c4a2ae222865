// The trace's spelling of numbers, vectors, lists, texts, handles and records.
#include <cmath>
#include <limits>

#include "trace_test.h"

namespace {

using Format = TraceTest;
using host::Line;

TEST_F(Format, NumbersInTheirShortestExactForm) {
    Line("n").real(5).real(0.3).real(-0.4165482).real(3e5).real(1e-5).real(0.1 + 0.2);
    EXPECT_EQ(line(), "n 5 0.3 -0.4165482 3e+05 1e-05 0.30000000000000004");
    Line("n").real(std::nan("")).real(-std::numeric_limits<double>::infinity()).real(-0.0);
    EXPECT_EQ(line(), "n nan -inf -0");
    Line("f").single(6.2831855f).single(-0.31415927f).single(0.5f);
    EXPECT_EQ(line(), "f 6.2831855 -0.31415927 0.5");
    Line("i").integer(20060425).integer(-1).integer(4294967295LL).boolean(true).boolean(false);
    EXPECT_EQ(line(), "i 20060425 -1 4294967295 1 0");
}

TEST_F(Format, VectorsListsAndTexts) {
    const VECTOR3 v{0, -1.332981, 2.818237};
    const unsigned groups[] = {68, 70, 75};
    Line("v").vec(v).vec(nullptr).list(groups, 3).list(groups, 0).list(nullptr, 2);
    EXPECT_EQ(line(), "v (0,-1.332981,2.818237) null [68,70,75] [] null");
    Line("t").text("Vorn\\Hull").text("").text(nullptr).text("Sound\\Hull\\Hull-Engine.wav");
    EXPECT_EQ(line(), R"(t "Vorn\Hull" "" null "Sound\Hull\Hull-Engine.wav")");
    int unknown = 0;
    Line("h").handle(nullptr).handle(&unknown).result().word("x");
    EXPECT_EQ(line(), "h null ? = x");
}

TEST_F(Format, RecordsAreNamedByIdentityAndShowTheirContentsEachTime) {
    unsigned g1[] = {84}, g2[] = {32, 34};
    RotationTransform rot(0, g1, 1, {0, -1.332981, 2.818237}, {1, 0, 0}, 6.2831855f);
    TranslationTransform trans(1, g2, 2, {0, 0, -0.1});
    Line("a").transform(&rot).transform(&trans).transform(nullptr);
    EXPECT_EQ(line(),
              "a tf1{rot mesh=0 groups=[84] ref=(0,-1.332981,2.818237) axis=(1,0,0) "
              "angle=6.2831855} tf2{trans mesh=1 groups=[32,34] shift=(0,0,-0.1)} null");
    rot.angle = 1.5f;
    Line("a").transform(&rot);
    EXPECT_EQ(line(),
              "a tf1{rot mesh=0 groups=[84] ref=(0,-1.332981,2.818237) axis=(1,0,0) "
              "angle=1.5}");
    TranslationTransform broken(2, nullptr, 3, {1, 2, 3});
    Line("a").transform(&broken);
    EXPECT_EQ(line(), "a tf3{trans mesh=2 groups=null shift=(1,2,3)}");

    VECTOR3 pos{5.31316, 0.5186034, 1.567917}, col{0.043, 0.161, 0.992};
    BEACONLIGHTSPEC light{LightShape::star, &pos, &col, 0.12, 0.6, 1.13, 0.05, 0.6, false};
    BEACONLIGHTSPEC dark{LightShape{0}, nullptr, nullptr, 0, 0, 0, 0, 0, true};
    Line("b").light(&light).light(&dark).light(nullptr);
    EXPECT_EQ(line(),
              "b bl1{shape=2 pos=(5.31316,0.5186034,1.567917) col=(0.043,0.161,0.992) size=0.12 "
              "falloff=0.6 period=1.13 duration=0.05 tofs=0.6 active=0} bl2{shape=0 pos=null "
              "col=null size=0 falloff=0 period=0 duration=0 tofs=0 active=1} null");

    PARTICLESTREAMSPEC ex{0,
                          0.8,
                          565,
                          119,
                          0.019,
                          0.121,
                          1.51,
                          1.11,
                          ExhaustLighting::diffuse,
                          ExhaustLevelMap::square_root_between_bounds,
                          0,
                          2,
                          ExhaustAtmosphereMap::logarithmic_between_bounds,
                          0.0001,
                          1,
                          nullptr};
    Line("e").exhaust(&ex);
    EXPECT_EQ(line(),
              "e ex1{flags=0 srcsize=0.8 srcrate=565 v0=119 srcspread=0.019 lifetime=0.121 "
              "growthrate=1.51 atmslowdown=1.11 ltype=1 levelmap=4 lmin=0 lmax=2 atmsmap=2 "
              "amin=1e-04 amax=1 tex=null}");

    VCMFDSPEC d1{1, 100}, d2{1, 101};
    Line("d").display(&d1).display(&d2).display(&d1);
    EXPECT_EQ(line(), "d mfd1{mesh=1 group=100} mfd2{mesh=1 group=101} mfd1{mesh=1 group=100}");
}

void coeff_a(double, double, double, double*, double*, double*) {}
void coeff_b(double, double, double, double*, double*, double*) {}

TEST_F(Format, CoefficientFunctionsByIdentity) {
    Line("c").coeff(coeff_b).coeff(coeff_a).coeff(coeff_b).coeff(nullptr);
    EXPECT_EQ(line(), "c cf1 cf2 cf1 null");
}

TEST_F(Format, LongLinesAreWrittenWhole) {
    std::vector<unsigned> many(5000, 7);
    Line("l").list(many.data(), static_cast<long long>(many.size()));
    const std::string l = line();
    EXPECT_EQ(l.size(), 2 + 1 + 5000 * 2);
    EXPECT_EQ(l.substr(0, 6), "l [7,7");
    EXPECT_EQ(l.substr(l.size() - 3), ",7]");
}

TEST_F(Format, NothingIsWrittenWhileTracingIsOff) {
    host::trace_to(nullptr);
    EXPECT_FALSE(host::tracing());
    Line("x").real(1).text("y");
    host::remark("z");
    host::trace_to(trace_file());
    EXPECT_TRUE(lines().empty());
    host::remark("back on");
    EXPECT_EQ(line(), "# back on");
}

}  // namespace
