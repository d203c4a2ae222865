// vmhost compare: the engine on traces written out here, the alignment on
// random sequences, and the command on pairs of builds of the test plug-in
// (variant.cpp), each pair's JSON holding exactly the groups its change made.
#include "compare.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>

#include "library.h"
#include "subprocess.h"

namespace {

namespace fs = std::filesystem;
using vmhost::compare::Comparison;
using vmhost::compare::Group;

struct Case {
    const char* name;
    std::string old_trace, new_trace;
    double rel;
    std::string groups;  // "CALL KIND COUNT (FIRST_OLD:FIRST_NEW)", joined by "; "
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

std::string signature(const Comparison& c) {
    std::string s;
    for (const Group& g : c.groups)
        s += (s.empty() ? "" : "; ") + g.call + " " + change_name(g.kind) + " " +
             std::to_string(g.count) + " (" + std::to_string(g.first_old) + ":" +
             std::to_string(g.first_new) + ")";
    return s;
}

const std::string kSteps =
    "> clbkPostStep 0 0.02 51544.5\nGetAltitude = 100\nSetAnimation 0 0.1\n"
    "> clbkPostStep 0.02 0.02 51544.50000023148\nGetAltitude = 101\nSetAnimation 0 0.101\n"
    "> clbkPostStep 0.04 0.02 51544.50000046296\nGetAltitude = 102\nSetAnimation 0 0.102\n";

const Case kCases[] = {
    {"HandlesNumberedOtherwiseAreTheSame",
     "vmapiLoadMeshGlobal \"a\" = mesh1\nvmapiLoadMeshGlobal \"b\" = mesh2\nAddMesh mesh2 null = "
     "0\n",
     "vmapiLoadMeshGlobal \"x\" = mesh1\nvmapiLoadMeshGlobal \"a\" = mesh2\n"
     "vmapiLoadMeshGlobal \"b\" = mesh3\nAddMesh mesh3 null = 0\n",
     0, "vmapiLoadMeshGlobal added 1 (1:1)"},
    {"ACallOnAnotherThrusterIsAChange",
     "CreateThruster = th1\nCreateThruster = th2\nSetThrusterMax0 th1 5\n",
     "CreateThruster = th1\nCreateThruster = th2\nSetThrusterMax0 th2 5\n", 0,
     "SetThrusterMax0 changed 1 (3:3)"},
    {"NumbersWithinTheToleranceAgree", "GetAltitude = 100\n", "GetAltitude = 100.00001\n", 1e-6,
     ""},
    {"NumbersBeyondItDiffer", "GetAltitude = 100\n", "GetAltitude = 100.00001\n", 0,
     "GetAltitude changed 1 (1:1)"},
    {"AnInfinityIsBeyondAnyTolerance", "GetAltitude = 1\n", "GetAltitude = inf\n", 1e-6,
     "GetAltitude changed 1 (1:1)"},
    {"NanIsNanAndMinusZeroIsZero", "SetAnimation 0 nan\nSetAnimation 1 -0\n",
     "SetAnimation 0 -nan\nSetAnimation 1 0\n", 0, ""},
    {"AnIdIsPartOfTheCall", "SetAnimation 3 0.5\n", "SetAnimation 4 0.5\n", 0,
     "SetAnimation 3 removed 1 (1:1); SetAnimation 4 added 1 (2:1)"},
    {"AnInsertedCallShiftsNothing", kSteps,
     std::regex_replace(kSteps, std::regex("(= 101\n)"), "$1GetBank = 0\n"), 0,
     "GetBank added 1 (6:6)"},
    {"SwappedCallsAreReordered", "SetAnimation 0 1\nSetAnimation 1 2\n",
     "SetAnimation 1 2\nSetAnimation 0 1\n", 0, "SetAnimation 0 reordered 1 (1:2)"},
    {"ASwapInAStepIsReorderedAtItsTime", kSteps,
     std::regex_replace(kSteps, std::regex("(GetAltitude = 101)\n(SetAnimation 0 0.101)"),
                        "$2\n$1"),
     0, "GetAltitude reordered 1 (5:6)"},
    {"AStepMissingIsRemovedWhole", kSteps, kSteps.substr(0, kSteps.rfind("> clbk")), 0,
     "> clbkPostStep removed 1 (7:7); GetAltitude removed 1 (8:7); "
     "SetAnimation 0 removed 1 (9:7)"},
    {"RemarksAndCallsOfAThreadOfItsOwnAreLeftOut",
     "# one\nGetAltitude = 1\n! host call from a foreign thread: GetBank\n",
     "! host call from a foreign thread: GetBank\nGetAltitude = 1\n# two\n", 0, ""},
};

class Traces : public ::testing::TestWithParam<Case> {};

TEST_P(Traces, Compare) {
    const Case& c = GetParam();
    vmhost::compare::Tolerance t;
    t.rel = c.rel;
    const vmhost::compare::Comparison r = compare_traces(c.old_trace, c.new_trace, t);
    EXPECT_EQ(signature(r), c.groups);
    // Traces that differ within the steps diverge at a step's time.
    if (!c.groups.empty() && c.old_trace.starts_with("> clbkPostStep")) {
        EXPECT_FALSE(std::isnan(r.divergence_time));
    }
}

std::string case_name(const ::testing::TestParamInfo<Case>& row) {
    return row.param.name;
}

INSTANTIATE_TEST_SUITE_P(Compare, Traces, ::testing::ValuesIn(kCases), case_name);

// The alignment is a common subsequence, and without a limit on its effort
// a longest one (the length a dynamic programme finds).
TEST(Align, FindsALongestCommonSubsequence) {
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        const auto random = [&](std::size_t n) {
            std::vector<std::uint64_t> v(n);
            for (auto& x : v) x = rng() % 4;
            return v;
        };
        const std::vector<std::uint64_t> a = random(rng() % 40), b = random(rng() % 40);
        std::vector<std::vector<int>> lcs(a.size() + 1, std::vector<int>(b.size() + 1));
        for (std::size_t i = a.size(); i-- > 0;)
            for (std::size_t j = b.size(); j-- > 0;)
                lcs[i][j] =
                    a[i] == b[j] ? lcs[i + 1][j + 1] + 1 : std::max(lcs[i + 1][j], lcs[i][j + 1]);
        for (const int effort : {1000, 1}) {
            const std::vector<std::int32_t> p = vmhost::compare::align(a, b, effort);
            int matched = 0, last = -1;
            for (std::size_t i = 0; i < a.size(); ++i) {
                if (p[i] < 0) continue;
                ASSERT_GT(p[i], last);
                ASSERT_EQ(a[i], b[static_cast<std::size_t>(p[i])]);
                last = p[i];
                ++matched;
            }
            if (effort > 1) {
                EXPECT_EQ(matched, lcs[0][0]);
            }
        }
    }
}

// ---- Pairs of builds -------------------------------------------------------------

struct Pair {
    const char* name;
    std::string command;  // after "vmhost compare"
    int status;
    std::string groups;  // "CALL KIND COUNT [t=TIME]", joined by "; "
};

void PrintTo(const Pair& p, std::ostream* os) {
    *os << p.name;
}

// F at step 500 of 1000, the altitude fixed: the gauge reads 1.2345.
const char kScenario[] =
    "load variant\ncreate v1\nset v1 altitude 1234.5\nstep 500\nkey v1 F\nstep 500\nunload\n";

std::string builds(const char* a, const char* b) {
    return std::string("$BIN/Variant_") + a + ".so $BIN/Variant_" + b + ".so";
}

const Pair kPairs[] = {
    {"IdenticalBuildsAreIdentical", builds("base", "identical"), 0, ""},
    {"AScaleOffByAPartInABillionDiffers", builds("base", "scale") + " --scenario s.vms", 1,
     "SetAnimation 0 changed 1000 t=0"},
    {"AScaleOffByAPartInABillionIsWithinRel",
     builds("base", "scale") + " --scenario s.vms --rel 1e-6", 0, ""},
    {"AnExtraCallIsAddedAndNothingElse", builds("base", "extra") + " --scenario s.vms", 1,
     "GetBank added 10 t=1.98"},
    {"SwappedCallsAreReordered", builds("base", "swap") + " --scenario s.vms", 1,
     "SetAnimation 0 reordered 1000 t=0"},
    {"AKeyHandledOtherwiseChangesValuesFromThen", builds("base", "key") + " --scenario s.vms", 1,
     "SetAnimation 1 changed 500 t=10"},
    {"MeshesNumberedOtherwiseAreTheSameMeshes", builds("base", "mesh") + " --scenario s.vms", 1,
     "vmapiLoadMeshGlobal added 1 t=null"},
    {"ACrashIsStatus3", builds("base", "crash") + " --scenario s.vms", 3, ""},
    {"TracesKeptByOutCompareAlike",
     builds("base", "key") + " --scenario s.vms --out o > /dev/null; \"$VMHOST\" compare "
                             "o/s.old.trace o/s.new.trace",
     1, "SetAnimation 1 changed 500 t=10"},
};

std::string read(const fs::path& p) {
    std::ifstream in(p);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The groups of every scenario of the JSON report.
std::string json_groups(const std::string& json) {
    static const std::regex group(
        R"re(\{"call": "([^"]*)", "kind": "([a-z]+)", "count": ([0-9]+), [^}]*"time_old": ([^,]+), )re");
    std::string s;
    for (auto it = std::sregex_iterator(json.begin(), json.end(), group);
         it != std::sregex_iterator(); ++it) {
        // The time to 0.01 s: a step's time is a sum of 0.02 s steps.
        char t[32] = "null";
        if ((*it)[4] != "null")
            std::snprintf(t, sizeof t, "%g", std::round(std::stod((*it)[4]) * 100) / 100);
        s += (s.empty() ? "" : "; ") + (*it)[1].str() + " " + (*it)[2].str() + " " +
             (*it)[3].str() + " t=" + t;
    }
    return s;
}

class Builds : public ::testing::TestWithParam<Pair> {};

TEST_P(Builds, Compare) {
    const Pair& p = GetParam();
    const std::string bin = vmhost::library::executable_dir();
    setenv("VMHOST", (fs::path(bin) / "vmhost").string().c_str(), 1);
    setenv("BIN", bin.c_str(), 1);
    const fs::path dir = fs::temp_directory_path() / testsupport::unique_name(p.name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::ofstream(dir / "s.vms") << kScenario;
    const int status = testsupport::run_in(
        dir, "\"$VMHOST\" compare " + p.command + " --json r.json > out.txt 2> err.txt");
    const std::string json = read(dir / "r.json"), out = read(dir / "out.txt");
    EXPECT_EQ(status, p.status) << out << read(dir / "err.txt");
    EXPECT_EQ(json_groups(json), p.groups) << out;
    if (p.status == 3) {
        EXPECT_NE(out.find("NEW crashes"), std::string::npos) << out;
    }
    fs::remove_all(dir);
}

std::string pair_name(const ::testing::TestParamInfo<Pair>& row) {
    return row.param.name;
}

INSTANTIATE_TEST_SUITE_P(Compare, Builds, ::testing::ValuesIn(kPairs), pair_name);

}  // namespace
