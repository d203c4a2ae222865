// `vmhost validate`: its command line, and running the battery: a survey of
// the plug-in (its vessel object and airfoils), then each check's scenarios,
// each judged by its oracle; a failure is shrunk and written out as a
// scenario that replays it, and the results as a table and JUnit XML.
#include "validate.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>

#include "aircraft.h"
#include "files.h"
#include "scenario.h"

namespace vmhost::validate {
namespace {

namespace fs = std::filesystem;

struct Options {
    std::string plugin;
    int strictness = kDefaultStrictness;
    std::vector<std::string> only;
    bool list = false;
    std::uint64_t seed = kDefaultSeed;
    std::string out;
    double timeout = kDefaultTimeout;
    bool in_process = false;
    std::string replay;
    std::string child;  // hidden: run as the child of a check, in this folder
};

const char kUsage[] =
    "usage: vmhost validate PLUGIN [--strictness N] [--only ID[,ID]] [--seed N]\n"
    "                       [--out DIR] [--timeout SECONDS] [--in-process]\n"
    "       vmhost validate PLUGIN --only ID --replay FILE\n"
    "       vmhost validate --list\n"
    "\n"
    "Runs a battery of checks against a vessel plug-in: PLUGIN is an aircraft's\n"
    "name or the path of a plug-in library. Each check runs in a child process.\n"
    "  --strictness N  run the checks of level N and below (1..10, default 5)\n"
    "  --only ID,...   run just these checks, whatever their level\n"
    "  --seed N        the seed of the random scenarios (printed; default fixed)\n"
    "  --out DIR       write a shrunk scenario and trace for every failure, and\n"
    "                  the JUnit XML report validate.xml\n"
    "  --timeout S     seconds a check's run may take before it counts as hanging\n"
    "                  (default 60; a sixth of that without a call across the\n"
    "                  plug-in boundary, where the run is traced)\n"
    "  --in-process    run everything in this process, for a debugger\n"
    "  --replay FILE   judge FILE (a scenario from --out) by the oracle of the\n"
    "                  one check --only names\n"
    "Exit status: 0 when no check failed, 1 when one did, 2 for a usage error.\n";

Verdict skipped(std::string reason) {
    Verdict v;
    v.result = Verdict::skip;
    v.reason = std::move(reason);
    return v;
}

int usage_error(const std::string& what) {
    std::fprintf(stderr, "vmhost validate: %s\n%s", what.c_str(), kUsage);
    return kBadInput;
}

bool number(const char* s, double lo, double hi, double* v) {
    char* end = nullptr;
    *v = std::strtod(s, &end);
    return *s && end && !*end && *v >= lo && *v <= hi;
}

// Parses argv into `o`; returns an error message, or empty.
std::string parse(int argc, char** argv, Options& o) {
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        const bool has_value = i + 1 < argc;
        const auto value = [&] { return argv[++i]; };
        double v = 0;
        if (a == "--list") {
            o.list = true;
        } else if (a == "--in-process") {
            o.in_process = true;
        } else if (a == "--strictness" || a == "--only" || a == "--seed" || a == "--out" ||
                   a == "--timeout" || a == "--replay" || a == "--child") {
            if (!has_value) return a + " needs a value";
            const char* s = value();
            if (a == "--strictness") {
                if (!number(s, 1, 10, &v) || v != static_cast<int>(v))
                    return "--strictness takes 1 to 10, not '" + std::string(s) + "'";
                o.strictness = static_cast<int>(v);
            } else if (a == "--only") {
                std::stringstream ids(s);
                for (std::string id; std::getline(ids, id, ',');) {
                    if (!find_check(id)) return "unknown check '" + id + "' (see --list)";
                    o.only.push_back(id);
                }
            } else if (a == "--seed") {
                char* end = nullptr;
                errno = 0;
                o.seed = std::strtoull(s, &end, 10);
                if (!*s || *end || *s == '-' || errno == ERANGE)
                    return "--seed takes a number, not '" + std::string(s) + "'";
            } else if (a == "--timeout") {
                if (!number(s, 0.1, 86400, &o.timeout))
                    return "--timeout takes seconds (0.1 to 86400), not '" + std::string(s) + "'";
            } else {
                (a == "--out" ? o.out : a == "--replay" ? o.replay : o.child) = s;
            }
        } else if (a.starts_with("-") && a.size() > 1) {
            return "unknown option '" + a + "'";
        } else if (o.plugin.empty()) {
            o.plugin = a;
        } else {
            return "more than one PLUGIN given";
        }
    }
    if (o.list || !o.child.empty()) return "";
    if (o.plugin.empty()) return "no PLUGIN given (" + aircraft_names(", ", " or ") + " or a path)";
    if (!o.replay.empty() && o.only.size() != 1) return "--replay needs --only with one check";
    return "";
}

// How `load` names the plug-in: an aircraft by name, a library by its
// absolute path (the scenario's tokens are split at blanks, '#' starts a comment).
std::string plugin_for_load(const std::string& given, std::string* error) {
    if (find_aircraft(given)) return given;
    std::error_code ec;
    if (!fs::is_regular_file(given, ec)) {
        *error = "'" + given + "' is neither an aircraft (" + aircraft_names(", ", " or ") +
                 ") nor a plug-in library";
        return "";
    }
    const std::string path = fs::absolute(given, ec).generic_string();
    if (path.find_first_of(" \t#") != std::string::npos)
        *error = "the plug-in's path may not hold blanks or '#': '" + path + "'";
    return path;
}

class Battery {
  public:
    Battery(const Options& o, Context c, Isolation how, Progress& progress)
        : o_(o), c_(std::move(c)), how_(std::move(how)), progress_(progress) {}

    Result run(const Check& check) {
        Result r{&check, {}, 0, false, ""};
        const bool chosen = !o_.only.empty();
        if (!chosen && check.strictness > c_.strictness) {
            r.verdict = skipped("level " + std::to_string(check.strictness) +
                                " is above the strictness " + std::to_string(c_.strictness));
            return r;
        }
        if (const std::string why = unmet(check.needs, c_); !why.empty()) {
            r.verdict = skipped(why);
            return r;
        }
        r.ran = true;
        if (!o_.out.empty()) {  // no repro of an earlier run left behind
            std::error_code ec;
            fs::remove(fs::path(o_.out) / (std::string(check.id) + ".vms"), ec);
            fs::remove(fs::path(o_.out) / (std::string(check.id) + ".trace"), ec);
        }
        const auto start = std::chrono::steady_clock::now();
        std::string warnings;
        for (const Part& part : check.plan(c_)) {
            std::vector<Outcome> outcomes;
            r.verdict = run_part(part, part.job.text, how_, &outcomes, how_.stall());
            if (!r.verdict.warning.empty())
                warnings += (warnings.empty() ? "" : "; ") + r.verdict.warning;
            if (r.verdict.result == Verdict::fail) {
                keep(check, part, outcomes, r);
                break;
            }
        }
        r.verdict.warning = warnings;
        r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return r;
    }

    Result replay(const Check& check, const std::string& text) {
        std::vector<Part> parts = check.plan(c_);
        const Part* part = &parts.at(0);
        for (const Part& p : parts)
            if (text.find("# check: " + std::string(check.id) + " " + p.name + "\n") !=
                std::string::npos)
                part = &p;
        Result r{&check, {}, 0, true, ""};
        const auto start = std::chrono::steady_clock::now();
        r.verdict = run_part(*part, text, how_, nullptr, how_.stall());
        r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return r;
    }

    // The first file of --out that could not be written, or empty.
    const std::string& write_error() const { return write_error_; }

  private:
    void save(const fs::path& file, const std::string& text) {
        if (write_error_.empty()) write_file(file.string(), text, "the repro", &write_error_);
    }

    // With --out, a failure's scenario (shrunk where it can be) and its
    // trace; the way to see it again either way.
    void keep(const Check& check, const Part& part, std::vector<Outcome>& outcomes, Result& r) {
        const std::string id = check.id;
        const std::string rerun =
            "vmhost validate " + o_.plugin + " --only " + id + " --seed " + std::to_string(c_.seed);
        if (!check.scenario) {
            r.verdict.reason += " (not a scenario: it loads the plug-in twice in one process)";
            r.replay = "rerun: " + rerun;
        } else if (o_.out.empty()) {
            r.replay = "rerun with --out DIR for a scenario that replays it";
        }
        if (o_.out.empty()) return;

        std::string text = part.job.text, note = "not shrunk";
        if (check.scenario && part.shrink) {
            progress_.note("shrinking the failing scenario");
            Repro repro = shrink(part, text, r.verdict, how_);
            text = repro.text;
            note = repro.note;
            outcomes = std::move(repro.outcomes);
        }
        std::string reason = r.verdict.reason;
        std::replace(reason.begin(), reason.end(), '\n', ' ');
        const fs::path file = fs::path(o_.out) / (id + ".vms");
        save(file, "# " + rerun + ": FAIL: " + reason + "\n# " + note + "\n# check: " + id + " " +
                       part.name + "\n" + text);
        if (outcomes.empty() || outcomes[0].traces.empty()) {
            // A check that measures runs untraced: its scenario once more, traced.
            Job traced = part.job;
            traced.text = text;
            traced.trace = true;
            traced.watch = Watch::none;
            outcomes = {run_job(traced, how_, how_.stall())};
        }
        if (!outcomes[0].traces.empty())
            save(fs::path(o_.out) / (id + ".trace"), outcomes[0].traces[0]);
        if (!check.scenario) return;
        const std::string f = file.generic_string();
        const std::string judge =
            "vmhost validate " + o_.plugin + " --only " + id + " --replay " + f;
        if (part.job.watch != Watch::none) {
            r.replay = "replay: " + judge;
        } else if (part.processes > 1) {
            r.replay = "replay: vmhost run " + f +
                       " twice, each in its own folder, and compare the traces; or " + judge;
        } else {
            r.replay = "replay: vmhost run " + f;
        }
    }

    const Options& o_;
    Context c_;
    Isolation how_;
    Progress& progress_;
    std::string write_error_;
};

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (argc == 1 && (std::strcmp(argv[0], "--help") == 0 || std::strcmp(argv[0], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return kOk;
    }
    if (const std::string error = parse(argc, argv, o); !error.empty()) return usage_error(error);
    if (!o.child.empty()) return child_main(o.child, true);
    if (o.list) {
        print_list(stdout);
        return kOk;
    }
    std::string error;
    Context c;
    c.given = o.plugin;
    c.plugin = plugin_for_load(o.plugin, &error);
    if (!error.empty()) return usage_error(error);
    c.seed = o.seed;
    c.strictness = o.strictness;
    c.in_process = o.in_process;
    std::string replay_text;
    if (!o.replay.empty()) {
        std::string why;
        if (!read_scenario(o.replay, &replay_text, &why)) return usage_error(why);
    }
    std::error_code ec;
    if (!o.out.empty() && !fs::is_directory(o.out, ec) && !fs::create_directories(o.out, ec))
        return usage_error("cannot make the folder '" + o.out + "'");

    Isolation how;
    how.in_process = o.in_process;
    how.timeout = o.timeout;
    how.work = fs::temp_directory_path(ec) / ("vmhost-validate-" + std::to_string(process_id()));
    fs::remove_all(how.work, ec);
    if (!fs::create_directories(how.work, ec))
        return usage_error("cannot make a work folder in '" + how.work.parent_path().string() +
                           "'");

    std::printf("vmhost validate %s: strictness %d, seed %llu, timeout %gs%s\n\n", o.plugin.c_str(),
                o.strictness, static_cast<unsigned long long>(o.seed), o.timeout,
                o.in_process ? ", in process" : "");
    std::fflush(stdout);
    const auto start = std::chrono::steady_clock::now();
    c.survey = read_survey(run_job(survey_job(c), how, how.stall()));
    std::vector<const Check*> chosen;
    for (const Check& check : all_checks())
        if (o.only.empty() ||
            std::find(o.only.begin(), o.only.end(), std::string(check.id)) != o.only.end())
            chosen.push_back(&check);
    Progress progress(static_cast<int>(chosen.size()));
    Battery battery(o, c, how, progress);
    std::vector<Result> results;
    if (!o.replay.empty()) {
        results.push_back(battery.replay(*chosen[0], replay_text));
    } else {
        for (const Check* check : chosen) {
            progress.show(static_cast<int>(results.size()), check->id, check->description);
            results.push_back(battery.run(*check));
        }
    }
    progress.clear();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    print_table(stdout, results, seconds);
    fs::remove_all(how.work, ec);
    std::string why = battery.write_error();
    if (why.empty() && !o.out.empty())
        write_file((fs::path(o.out) / "validate.xml").string(),
                   junit("vmhost validate " + o.plugin, results, seconds), "the JUnit report",
                   &why);
    // A result that did not reach its reader is no result.
    if (why.empty() && (std::fflush(stdout) != 0 || std::ferror(stdout)))
        why = std::string("cannot write the results to standard output: ") + std::strerror(errno);
    if (!why.empty()) {
        std::fprintf(stderr, "vmhost validate: error: %s\n", why.c_str());
        return kBadInput;
    }
    for (const Result& r : results)
        if (r.verdict.result == Verdict::fail) return 1;
    return kOk;
}

}  // namespace vmhost::validate
