// vmhost validate in its environment and with its inputs: a verdict is
// given only for work that ran to its end, and nothing of the plug-in's, the
// user's or the system's is lost or reaches the terminal raw. Each row is a
// shell command run in a folder of its own; what it prints must be `seen`.
// The command finds vmhost as $VMHOST (the build's, unless the environment
// names another), the test plug-ins in $BIN and the JUnit schema as $XSD.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>

#include "library.h"
#include "subprocess.h"

namespace {

namespace fs = std::filesystem;

struct Case {
    const char* name;  // what the row shows
    std::string command;
    std::string seen;
};

// A row by its name in test listings, not as the bytes of the struct.
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

// A run of the battery, its output in out.txt and its messages in err.txt.
std::string validate(const std::string& args) {
    return "\"$VMHOST\" validate " + args + " > out.txt 2> err.txt; s=$?; ";
}

const Case kCases[] = {
    // The work folder: always made, always our own, always absolute.
    {"MissingTmpdirIsAnError",
     "TMPDIR=/nonexistent/tmp " + validate("tarvik --only exports") + "echo $s; head -n 1 err.txt",
     "2\nvmhost: error: cannot make a work folder in '/nonexistent/tmp' (TMPDIR): No "
     "such file or directory"},
    {"RelativeTmpdirWorks",
     "mkdir t; TMPDIR=t " + validate("tarvik --only exports,lifecycle") +
         "echo $s $(grep -c PASS out.txt) $(ls t | wc -l)",
     "0 2 0"},
    {"AnotherRunsFolderOfTheSameProcessIdIsLeftAlone",
     "mkdir t; sh -c 'mkdir t/vmhost-validate-$$; echo kept > t/vmhost-validate-$$/file; "
     "TMPDIR=$PWD/t exec \"$VMHOST\" validate tarvik --only exports > out.txt'; echo $?; "
     "cat t/*/file",
     "0\nkept"},
    // --out: a user's file of the same name is kept, ours goes beside it.
    {"OutKeepsAUsersFileOfTheSameName",
     "mkdir o; echo mine > o/exports.vms; echo mine > o/readings.vms; " +
         validate("$BIN/Faulty_nan.so --only exports,readings --out o") +
         "echo $s $(cat o/exports.vms o/readings.vms) $(ls o)",
     "1 mine mine exports.vms readings-2.trace readings-2.vms readings.vms validate.xml"},
    // Signals end every process of the battery and remove the work folder.
    {"TermEndsAHungChildAndRemovesTheWorkFolder",
     "mkdir t; TMPDIR=$PWD/t \"$VMHOST\" validate $BIN/Faulty_hang.so --only random "
     "--strictness 10 > out.txt 2> err.txt & sleep 5; kill -TERM $!; wait $!; s=$?; sleep 1; "
     "echo $s $(ls t | wc -l) $(for p in /proc/[0-9]*; do readlink $p/cwd; done 2>/dev/null | "
     "grep -c \"$PWD/t\")",
     "143 0 0"},
    // Output that does not reach its reader is an error.
    {"ListIntoAFullDeviceIsAnError",
     "\"$VMHOST\" validate --list > /dev/full 2> err.txt; echo $?; cat err.txt",
     "2\nvmhost: error: cannot write the list of checks to standard output: No space "
     "left on device"},
    {"HelpIntoAFullDeviceIsAnError",
     "\"$VMHOST\" validate --help > /dev/full 2> err.txt; echo $?; cat err.txt",
     "2\nvmhost: error: cannot write help to standard output: No space left on device"},
    // What comes from the plug-in is escaped in the table, the repro and the XML.
    {"APlugInsEscapeSequencesAreEscaped",
     validate("$BIN/Faulty_throw.so --only keys --out o") +
         "echo $s $(cat out.txt o/keys.vms o/validate.xml | tr -cd '\\033' | wc -c) "
         "$(grep -c 'jammed.x1b.2J' out.txt o/keys.vms o/validate.xml | tr '\\n' ' ')",
     "1 0 out.txt:1 o/keys.vms:1 o/validate.xml:1"},
    // A plug-in that floods its trace is stopped there, and so is shrinking.
    {"AFloodedTraceIsCappedAndFails",
     validate("$BIN/Faulty_flood.so --only random --timeout 10 --out o") +
         "echo $s $(grep -c 'FAIL.*floods its trace' out.txt) $(find o -size +65M | wc -l)",
     "1 1 0"},
    // Command-line input.
    {"ReplayOfAnotherPlugInsScenarioIsRefused",
     "printf 'load olumbra\\ncreate v1\\n' > o.vms; " +
         validate("tarvik --only keys --replay o.vms") + "echo $s; head -n 1 err.txt",
     "2\nvmhost: error: 'o.vms' loads 'olumbra', not the plug-in 'tarvik'; replay it with the "
     "plug-in it was made for"},
    {"AnEmptyOnlyIsAUsageError", validate("tarvik --only ''") + "echo $s; head -n 1 err.txt",
     "2\nvmhost: error: --only takes check ids separated by commas, not ''"},
    {"ANegativeSeedIsAUsageError", validate("tarvik --seed ' -1'") + "echo $s; head -n 1 err.txt",
     "2\nvmhost: error: --seed takes a number from 0 to 18446744073709551615, not ' -1'"},
    {"ARepeatedOptionIsAUsageError",
     validate("tarvik --seed 1 --seed=2") + "echo $s; head -n 1 err.txt",
     "2\nvmhost: error: --seed given twice"},
    {"AnUnknownCheckGetsTheNearestId",
     validate("tarvik --exclude=exprts") + "echo $s; head -n 2 err.txt",
     "2\nvmhost: error: unknown check 'exprts'\nvmhost: note: did you mean 'exports'?"},
    {"ANearMissOptionGetsTheNearestOption",
     validate("tarvik --warnings-as-error") + "echo $s; head -n 2 err.txt",
     "2\nvmhost: error: unknown option '--warnings-as-error'\nvmhost: note: did you mean "
     "'--warnings-as-errors'?"},
    // Plug-ins that do not load: exports fails with the loader's reason, the rest skip.
    {"ATextFileFailsExportsWithTheLoadersReason",
     "echo text > notlib.so; " + validate("./notlib.so --strictness 10") +
         "echo $s $(grep -c 'SKIP .*the plug-in does not load' out.txt); grep -o 'exports .*' "
         "out.txt | sed \"s|$PWD||g\"",
     "1 14\nexports               FAIL   -        the plug-in does not load: cannot load plug-in "
     "'/notlib.so': /notlib.so: file too short"},
    {"ALibraryWithoutTheExportsFailsExports",
     validate("$BIN/sound-full/VelmoraSound.dll --only exports,determinism") +
         "echo $s; grep -o 'does not export.*' out.txt; grep -c 'determinism .*SKIP' out.txt",
     "1\ndoes not export vmvcInit and vmvcExit\n1"},
    // Repros that replay anywhere: paths with blanks, a load line relative
    // to the repro, every option in the printed command.
    {"PathsWithBlanksWork",
     "mkdir 'a b'; cp $BIN/Faulty_nan.so 'a b/My Vessel.so'; " +
         validate("'a b/My Vessel.so' --only readings --out 'o u'") +
         "eval \"$(sed -n 's/^readings: vmhost /\"$VMHOST\" /p' out.txt)\" > t.txt; "
         "echo $s $(grep -c '^SetThrusterMax0 th1 -nan' t.txt)",
     "1 1"},
    {"AReproBelowItsFolderLoadsItsPlugInRelatively",
     "mkdir -p o/lib; cp $BIN/Faulty_nan.so o/lib; " +
         validate("o/lib/Faulty_nan.so --only readings --out o") +
         "mv o p; \"$VMHOST\" run p/readings.vms > t.txt; echo $s $(grep '^load' p/readings.vms) "
         "$(grep -c '^SetThrusterMax0 th1 -nan' t.txt)",
     "1 load lib/Faulty_nan.so 1"},
    {"TheReplayCommandRepeatsEveryOption",
     validate("$BIN/Faulty_allocation.so --only allocations --strictness 9 --seed 7 --timeout 30 "
              "--out o") +
         "sed -n 's/^allocations: //p' out.txt | sed \"s|$BIN|BIN|g; s|$PWD|.|g\"",
     "vmhost validate BIN/Faulty_allocation.so --only allocations --replay ./o/allocations.vms "
     "--strictness 9 --seed 7 --timeout 30"},
    // The reports: JUnit XML valid against the schema CI systems check, one
    // testsuite per plug-in; JSON; a WARN as a failure on request.
    {"JunitOfAPassingBatteryIsValid",
     validate("tarvik --only exports,readings --out o") +
         "echo $s; xmllint --noout --schema \"$XSD\" o/validate.xml 2>&1",
     "0\no/validate.xml validates"},
    {"JunitOfAFailingBatteryOfTwoPlugInsIsValid",
     "echo text > notlib.so; " + validate("tarvik ./notlib.so --only exports,keys --out o") +
         "echo $s $(grep -c '<testsuite ' o/validate.xml) $(grep -o 'failure type=\"[a-z]*\"' "
         "o/validate.xml); xmllint --noout --schema \"$XSD\" o/validate.xml 2>&1",
     "1 2 failure type=\"load\"\no/validate.xml validates"},
    {"JsonHoldsTheResults",
     validate("tarvik --only exports,lifecycle --exclude lifecycle --json r.json") +
         "echo $s $(grep -o '\"id\": \"[a-z]*\", \"result\": \"[a-z]*\"' r.json | tr '\\n' ' ')",
     "0 \"id\": \"exports\", \"result\": \"pass\" \"id\": \"lifecycle\", \"result\": \"skip\""},
    {"WarningsAsErrorsFailAWarn",
     validate("tarvik --only readings --warnings-as-errors") +
         "echo $s $(grep -c '^readings *FAIL' out.txt)",
     "1 1"},
};

std::string read(const fs::path& p) {
    std::ifstream in(p);
    std::ostringstream s;
    s << in.rdbuf();
    std::string text = s.str();
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

class Validate : public ::testing::TestWithParam<Case> {};

TEST_P(Validate, Runs) {
    const Case& c = GetParam();
    const std::string bin = vmhost::library::executable_dir();
    if (!std::getenv("VMHOST")) setenv("VMHOST", (fs::path(bin) / "vmhost").string().c_str(), 1);
    setenv("BIN", bin.c_str(), 1);
    setenv("XSD", VM_JUNIT_SCHEMA, 1);
    const fs::path dir = fs::temp_directory_path() / testsupport::unique_name(c.name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    testsupport::run_in(dir, "( " + c.command + " ) > seen.txt 2>&1");
    const std::string seen = read(dir / "seen.txt");
    const std::string out = read(dir / "out.txt");
    fs::remove_all(dir);
    EXPECT_EQ(seen, c.seen) << out;
}

std::string case_name(const ::testing::TestParamInfo<Case>& row) {
    return row.param.name;
}

INSTANTIATE_TEST_SUITE_P(Validate, Validate, ::testing::ValuesIn(kCases), case_name);

}  // namespace
