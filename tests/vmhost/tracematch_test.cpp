// The scenario harness's matching rules.
#include "tracematch.h"

#include <gtest/gtest.h>

namespace {

using tracematch::lines_equal;

TEST(LinesEqual, NumbersCompareByValueWhereverTheyStand) {
    EXPECT_TRUE(lines_equal("SetThrusterMax0 th1 300000", "SetThrusterMax0 th1 3e+05"));
    EXPECT_TRUE(lines_equal("GetPitch = 0", "GetPitch = -0"));
    EXPECT_TRUE(lines_equal("AddForce (0,0,0.50) (1e1,0,0)", "AddForce (0,0,0.5) (10,0,0)"));
    EXPECT_TRUE(lines_equal("CreateThrusterGroup [th1] 1 0 = thg1",
                            "CreateThrusterGroup [th1] 1 0 = thg1"));
    EXPECT_TRUE(lines_equal("x tf1{rot mesh=0 groups=[84,85] angle=6.28318550}",
                            "x tf1{rot mesh=0 groups=[84,85] angle=6.2831855}"));
    EXPECT_TRUE(lines_equal("< nan -inf", "< -nan -inf"));
    EXPECT_TRUE(lines_equal("GetAirspeed   =  45", "GetAirspeed = 45"));
}

TEST(LinesEqual, EverythingElseIsExactText) {
    EXPECT_FALSE(lines_equal("SetSize 5", "SetSize 5.000001"));
    EXPECT_FALSE(lines_equal("AddMesh mesh1 null = 0", "AddMesh mesh01 null = 0"));
    EXPECT_FALSE(lines_equal("AddMesh mesh1 null = 0", "AddMesh mesh1 null = 0 1"));
    EXPECT_FALSE(lines_equal("GetAirspeed = 45", "GetAirspeed 45"));
    EXPECT_FALSE(lines_equal("x (1,2,3)", "x (1,2)"));
    EXPECT_FALSE(lines_equal("x (1,2,3)", "x [1,2,3]"));
    EXPECT_FALSE(lines_equal("< nan", "< inf"));
    EXPECT_FALSE(lines_equal(R"(Date2Int "Apr 25 2006" = 20060425)",
                             R"(Date2Int "Apr 25 2007" = 20060425)"));
    EXPECT_FALSE(lines_equal(R"(t "Vorn\Hull")", R"(t "Vorn\\Hull")"));
    EXPECT_FALSE(lines_equal("> vmvcExit v1", "> vmvcExit v2"));
}

tracematch::Expectations parse_ok(const char* text) {
    std::string error;
    auto e = tracematch::parse(text, &error);
    EXPECT_EQ(error, "");
    return e;
}

std::string parse_error(const char* text) {
    std::string error;
    tracematch::parse(text, &error);
    return error;
}

TEST(Parse, ReadsDirectivesAndSkipsComments) {
    const auto e = parse_ok(
        "# a comment\n"
        "#\n"
        "load x # CHECK: not a directive\n"
        "#CHECK: > load\n"
        "  #CHECK-NEXT:InitLib module\n"
        "#CHECK-EXIT: 2\n"
        "#ARGS: --a  b\n"
        "#CHECK-LOG: two  \n"
        "#CHECK-LOG:\n");
    ASSERT_EQ(e.directives.size(), 6u);
    EXPECT_EQ(e.directives[0].text, "> load");
    EXPECT_EQ(e.directives[0].line, 4);
    EXPECT_EQ(e.directives[1].kind, tracematch::Kind::next);
    EXPECT_EQ(e.directives[1].text, "InitLib module");
    EXPECT_EQ(e.exit_status, 2);
    EXPECT_EQ(e.args, (std::vector<std::string>{"--a", "b"}));
    EXPECT_EQ(e.directives[4].text, "two  ");  // the log compares byte by byte
    EXPECT_EQ(e.directives[5].text, "");
}

TEST(Parse, RejectsUnknownAndMalformedDirectives) {
    EXPECT_EQ(parse_error("step\n#CHECKNEXT: x\n"), "2: unknown directive '#CHECKNEXT'");
    EXPECT_EQ(parse_error("#check: x\n"), "1: unknown directive '#check'");
    EXPECT_EQ(parse_error("#CHECK x\n"), "1: unknown directive '#CHECK x'");
    EXPECT_EQ(parse_error("#CHECK:\n"), "1: #CHECK needs a text");
    EXPECT_EQ(parse_error("#CHECK-EXIT: two\n"), "1: #CHECK-EXIT needs a status 0..255");
    EXPECT_EQ(parse_error("#CHECK-EXIT: 2\n#CHECK-EXIT: 2\n"), "2: #CHECK-EXIT given twice");
    EXPECT_EQ(parse_error("#CHECK-LOG-EMPTY: x\n"), "1: #CHECK-LOG-EMPTY takes no text");
    EXPECT_NE(parse_error("#CHECK-LOG: x\n#CHECK-LOG-EMPTY\n"), "");
}

const std::vector<std::string> kTrace = {"> load",          "InitLib module", "# a remark",
                                         "> vmvcInit v1 1", "VESSEL2 v1 1",   "< object"};

std::string run(const char* directives, const std::vector<std::string>& trace = kTrace) {
    return tracematch::check_trace(parse_ok(directives), trace, "t.vms");
}

TEST(CheckTrace, ChecksMatchInOrderAndSkipRemarks) {
    EXPECT_EQ(run("#CHECK: InitLib module\n#CHECK-NEXT: > vmvcInit v1 1\n#CHECK: < object\n"), "");
    EXPECT_EQ(run("#CHECK-NEXT: > load\n#CHECK-NOT: < null\n#CHECK: < object\n"), "");
    EXPECT_EQ(run("#CHECK-NOT: > unload\n"), "");
}

TEST(CheckTrace, ReportsTheDirectiveThatFailed) {
    const std::string order = run("#CHECK: VESSEL2 v1 1\n#CHECK: > vmvcInit v1 1\n");
    EXPECT_NE(order.find("t.vms:2: error: CHECK: no trace line matches"), std::string::npos)
        << order;
    EXPECT_NE(order.find("expected: > vmvcInit v1 1"), std::string::npos);
    EXPECT_NE(order.find("6: < object"), std::string::npos);
    EXPECT_NE(run("#CHECK: < object\n#CHECK: > unload\n").find("(at the end of the trace)"),
              std::string::npos);

    const std::string next = run("#CHECK: > load\n#CHECK-NEXT: VESSEL2 v1 1\n");
    EXPECT_NE(next.find("t.vms:2: error: CHECK-NEXT"), std::string::npos) << next;
    EXPECT_NE(next.find("2: InitLib module"), std::string::npos) << next;

    const std::string never = run("#CHECK: > load\n#CHECK-NOT: VESSEL2 v1 1\n#CHECK: < object\n");
    EXPECT_NE(never.find("t.vms:2: error: CHECK-NOT: found at trace line 5"), std::string::npos)
        << never;
    EXPECT_NE(run("#CHECK: > load\n#CHECK-NOT: < object\n"), "");
    EXPECT_NE(run("#CHECK-NEXT: InitLib module\n"), "");
    EXPECT_NE(run("#CHECK: > load\n", {}), "");
}

TEST(CheckStderr, LinesInOrderExactly) {
    const auto e = parse_ok("#CHECK-ERR: a.vms:2: error: x\n#CHECK-ERR: a.vms:2: note: y\n");
    EXPECT_EQ(tracematch::check_stderr(e, {"a.vms:2: error: x", "a.vms:2: note: y"}, "f"), "");
    EXPECT_NE(tracematch::check_stderr(e, {"a.vms:2: note: y", "a.vms:2: error: x"}, "f"), "");
    EXPECT_NE(tracematch::check_stderr(e, {"a.vms:02: error: x", "a.vms:2: note: y"}, "f"), "");
}

TEST(CheckLog, WholeFileByteForByte) {
    const auto e = parse_ok("#CHECK-LOG: one\n#CHECK-LOG:\n#CHECK-LOG: three \n");
    EXPECT_EQ(tracematch::check_log(e, std::string("one\n\nthree \n"), "f"), "");
    EXPECT_NE(tracematch::check_log(e, std::string("one\n\nthree\n"), "f"), "");
    EXPECT_NE(tracematch::check_log(e, std::string("one\n\nthree \nfour\n"), "f"), "");
    EXPECT_NE(tracematch::check_log(e, std::string("one\n\nthree "), "f"), "");
    EXPECT_NE(tracematch::check_log(e, std::string("one\n"), "f"), "");
    EXPECT_NE(tracematch::check_log(e, std::nullopt, "f"), "");

    const auto none = parse_ok("#CHECK-LOG-EMPTY\n");
    EXPECT_EQ(tracematch::check_log(none, std::nullopt, "f"), "");
    EXPECT_NE(tracematch::check_log(none, std::string(""), "f"), "");
    EXPECT_EQ(tracematch::check_log(parse_ok(""), std::string("anything"), "f"), "");
}

TEST(CheckExit, DefaultsToZero) {
    EXPECT_EQ(tracematch::check_exit(parse_ok(""), 0, "f"), "");
    EXPECT_NE(tracematch::check_exit(parse_ok(""), 2, "f"), "");
    EXPECT_EQ(tracematch::check_exit(parse_ok("#CHECK-EXIT: 2\n"), 2, "f"), "");
}

}  // namespace
