// `vmhost validate`: its command line, and running the battery for each
// plug-in: a survey of the plug-in (does it load, its vessel object and
// airfoils), then each check's scenarios, each judged by its oracle; a
// failure or a WARN is shrunk and written out as a scenario that replays it,
// and the results as a table, JUnit XML and JSON. Everything it makes runs
// below a work folder of its own, removed at the end, also when vmhost is
// interrupted.
#include "validate.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <sstream>

#include "aircraft.h"
#include "cli.h"
#include "files.h"
#include "interrupt.h"
#include "library.h"
#include "scenario.h"

namespace vmhost::validate {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Options {
    std::vector<std::string> plugins;
    int strictness = kDefaultStrictness;
    std::vector<std::string> only, exclude;
    bool list = false;
    std::uint64_t seed = kDefaultSeed;
    std::string out, json;
    double timeout = kDefaultTimeout;
    bool in_process = false;
    bool warnings_as_errors = false;
    std::string replay;
    std::string child;  // hidden: run as the child of a check, in this folder
};

const cli::Option kOptions[] = {
    {"--strictness", "N", "run the checks of level N and below (1..10, default 5)"},
    {"--only", "ID,...", "run just these checks, whatever their level"},
    {"--exclude", "ID,...", "skip these checks"},
    {"--list", nullptr, "list the checks"},
    {"--seed", "N", "the seed of the random scenarios (printed; default fixed)"},
    {"--timeout", "S",
     "seconds a check's run may take before it counts as\n"
     "hanging (default 60; a sixth of that without a call\n"
     "across the plug-in boundary, where the run is traced)"},
    {"--out", "DIR",
     "write a shrunk scenario and its trace for every failure\n"
     "and WARN, and the JUnit XML report validate.xml"},
    {"--json", "FILE", "write the results as JSON"},
    {"--warnings-as-errors", nullptr, "a WARN fails its check"},
    {"--in-process", nullptr, "run everything in this process, for a debugger"},
    {"--replay", "FILE",
     "judge FILE (a scenario from --out) by the oracle of the\n"
     "one check --only names, loading PLUGIN"},
    // Run as the child of a check, in this folder.
    {"--child", "DIR", "", false, true},
};

std::string about() {
    return "Runs a battery of checks against vessel plug-ins: each PLUGIN is an\n"
           "aircraft's name (" +
           aircraft_names(", ", " or ") +
           ") or the path of a plug-in library.\n"
           "Each check runs in a child process.\n";
}

const char kStatuses[] =
    "exit status:\n"
    "  0      no check failed\n"
    "  1      a check failed\n"
    "  2      a bad command line, or an error of vmhost's own\n"
    "  141    standard output closed by its reader before the end (a broken pipe)\n"
    "  128+N  stopped by signal N: 130 for Ctrl-C, 143 for SIGTERM\n";

std::vector<std::string> check_names() {
    std::vector<std::string> names;
    for (const Check* check : all_checks()) names.emplace_back(check->id);
    return names;
}

// Check ids, comma-separated: each one known.
std::optional<cli::Problem> check_ids(const char* option, const std::string& list,
                                      std::vector<std::string>& ids) {
    for (std::size_t at = 0; at <= list.size();) {
        const std::size_t end = std::min(list.find(',', at), list.size());
        const std::string id = list.substr(at, end - at);
        if (id.empty())
            return cli::Problem{std::string(option) +
                                " takes check ids separated by commas, not '" + one_line(list) +
                                "'"};
        if (!find_check(id))
            return cli::Problem{"unknown check '" + one_line(id) + "'",
                                cli::suggest(id, check_names(), "checks")};
        ids.push_back(id);
        at = end + 1;
    }
    return std::nullopt;
}

// A value that names something: never empty.
std::optional<cli::Problem> named(const cli::Arguments& args, const char* option, std::string& to) {
    if (const auto& s = args[option]) {
        if (s->empty()) return cli::Problem{std::string(option) + " needs a value, not ''"};
        to = *s;
    }
    return std::nullopt;
}

// The options read into `o`, each value checked.
std::optional<cli::Problem> read_options(const cli::Arguments& args, Options& o) {
    o.plugins = args.operands;
    o.list = args["--list"].has_value();
    o.in_process = args["--in-process"].has_value();
    o.warnings_as_errors = args["--warnings-as-errors"].has_value();
    double v = 0;
    if (const auto& s = args["--strictness"]) {
        if (!cli::number(*s, 1, 10, &v) || v != static_cast<int>(v))
            return cli::Problem{"--strictness takes 1 to 10, not '" + one_line(*s) + "'"};
        o.strictness = static_cast<int>(v);
    }
    for (const auto& [option, ids] :
         {std::pair{"--only", &o.only}, std::pair{"--exclude", &o.exclude}})
        if (const auto& s = args[option])
            if (auto p = check_ids(option, *s, *ids)) return p;
    if (const auto& s = args["--seed"]) {
        if (!cli::seed(*s, &o.seed))
            return cli::Problem{"--seed takes a number from 0 to 18446744073709551615, not '" +
                                one_line(*s) + "'"};
    }
    if (const auto& s = args["--timeout"])
        if (!cli::number(*s, 0.1, 86400, &o.timeout))
            return cli::Problem{"--timeout takes seconds (0.1 to 86400), not '" + one_line(*s) +
                                "'"};
    for (const auto& [option, to] :
         {std::pair{"--out", &o.out}, std::pair{"--json", &o.json},
          std::pair{"--replay", &o.replay}, std::pair{"--child", &o.child}})
        if (auto p = named(args, option, *to)) return p;
    if (o.list || !o.child.empty()) return std::nullopt;
    if (o.plugins.empty())
        return cli::Problem{"no PLUGIN given (" + aircraft_names(", ", " or ") + " or a path)"};
    if (!o.replay.empty() && (o.only.size() != 1 || o.plugins.size() != 1))
        return cli::Problem{"--replay needs one PLUGIN and --only with one check"};
    return std::nullopt;
}

bool token_safe(const std::string& s) {
    return !s.empty() && std::none_of(s.begin(), s.end(), [](char c) {
        return c == ' ' || c == '#' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
    });
}

std::string file_name(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool plugin_context(const std::string& given, Context& c, std::string* name, cli::Problem* why) {
    c.given = given;
    if (const Aircraft* a = find_aircraft(given)) {
        c.plugin = given;
        c.path = plugin_path(*a);  // beside vmhost in a build, in Modules once installed
        *name = given;
        return true;
    }
    std::error_code ec;
    if (!fs::is_regular_file(given, ec)) {
        *why = {"'" + one_line(given) + "' is neither an aircraft (" +
                    aircraft_names(", ", " or ") + ") nor a plug-in library",
                cli::suggest(given, aircraft_list())};
        return false;
    }
    c.path = fs::absolute(given, ec).lexically_normal().generic_string();
    c.plugin = c.path;
    if (!token_safe(c.plugin)) {
        c.plugin = file_name(c.path);
        for (char& ch : c.plugin)
            if (!token_safe(std::string(1, ch))) ch = '_';
    }
    *name = fs::path(file_name(c.path)).stem().string();
    return true;
}

namespace {

// The plug-in a scenario's first `load` line names, or empty.
std::string loaded_by(const std::string& text) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line.substr(0, line.find('#')));
        std::string command, plugin;
        if (words >> command >> plugin && command == "load") return plugin;
    }
    return "";
}

class Run {
  public:
    Run(const Options& o, Context c, const Isolation& how, OutFolder& out, Progress& progress)
        : o_(o), c_(std::move(c)), how_(how), out_(out), progress_(progress) {}

    Result run(const Check& check) {
        Result r{&check, {}, 0, false, "", "", ""};
        if (std::optional<Verdict> v = not_run(check)) {
            r.verdict = std::move(*v);
            return r;
        }
        r.ran = true;
        if (out_.on()) {  // no repro of an earlier run left behind
            out_.remove(check.id, ".vms");
            out_.remove(check.id, ".trace");
        }
        const auto start = Clock::now();
        run_parts(check, r);
        r.seconds = std::chrono::duration<double>(Clock::now() - start).count();
        return r;
    }

    Result replay(const Check& check, const std::string& text) {
        std::vector<Part> parts = check.plan(c_);
        const Part* part = &parts.at(0);
        for (const Part& p : parts)
            if (text.find("# check: " + std::string(check.id) + " " + p.name + "\n") !=
                std::string::npos)
                part = &p;
        Result r{&check, {}, 0, true, "", "", ""};
        const auto start = Clock::now();
        r.verdict = run_part(*part, text, how_, nullptr, how_.stall());
        r.seconds = std::chrono::duration<double>(Clock::now() - start).count();
        return r;
    }

  private:
    // The verdict of a check that does not run, if it does not.
    std::optional<Verdict> not_run(const Check& check) const {
        if (std::find(o_.exclude.begin(), o_.exclude.end(), check.id) != o_.exclude.end())
            return skipped("excluded (--exclude)");
        if (o_.only.empty() && check.strictness > c_.strictness)
            return skipped("level " + std::to_string(check.strictness) +
                           " is above the strictness " + std::to_string(c_.strictness));
        const Survey& survey = c_.survey;
        if (!survey.loads)
            return std::string_view(check.id) == "exports"
                       ? failed(Failure::load, "the plug-in does not load: " + survey.load_error,
                                "", "load")
                       : skipped("the plug-in does not load");
        if ((check.needs & (kObject | kAirfoil)) && !survey.ran) {
            // What the check would be built from is unknown: no pass, no skip.
            Verdict v = survey.failure;
            v.reason = "the survey of the plug-in (load, create v1, unload) did not end: " +
                       survey.failure.reason;
            return v;
        }
        if (std::string why = unmet(check.needs, c_); !why.empty()) return skipped(why);
        return std::nullopt;
    }

    // Each part in turn, up to the first failure; the first WARN gets a
    // repro too, and with --warnings-as-errors it is a failure.
    void run_parts(const Check& check, Result& r) {
        std::string warnings;
        const Part* warned = nullptr;
        std::vector<Outcome> warned_outcomes;
        Verdict warning;
        const std::vector<Part> parts = check.plan(c_);
        for (const Part& part : parts) {
            std::vector<Outcome> outcomes;
            r.verdict = run_part(part, part.job.text, how_, &outcomes, how_.stall());
            if (interrupt_signal()) return;  // no verdict, no repro: the battery ends here
            if (!r.verdict.warning.empty()) {
                warnings += (warnings.empty() ? "" : "; ") + r.verdict.warning;
                if (!warned) {
                    warned = &part;
                    warned_outcomes = outcomes;
                    warning = r.verdict;
                }
            }
            if (r.verdict.result == Verdict::fail) return keep(check, part, outcomes, r.verdict, r);
        }
        r.verdict.warning = warnings;
        if (!warned) return;
        r.verdict.kind = warning.kind;
        keep(check, *warned, warned_outcomes, warning, r);
        if (!o_.warnings_as_errors) return;
        r.verdict.result = Verdict::fail;
        r.verdict.reason = "a WARN, with --warnings-as-errors: " + warnings;
        r.verdict.warning.clear();
        r.verdict.detail = warning.detail;
    }

    std::string options_text() const {
        char t[96];
        std::snprintf(t, sizeof t, " --strictness %d --seed %llu --timeout %g", c_.strictness,
                      static_cast<unsigned long long>(c_.seed), how_.timeout);
        return t;
    }

    // The repro's `load` line: the plug-in's path relative to the repro's
    // folder where it lies below it, else as the battery named it. Sets
    // `override` where that does not name the library (a path with blanks).
    std::string repro_load(bool* override) const {
        *override = false;
        if (find_aircraft(c_.plugin)) return c_.plugin;
        const fs::path rel = fs::path(c_.path).lexically_relative(out_.dir());
        if (!rel.empty() && *rel.begin() != ".." && token_safe(rel.generic_string()))
            return rel.generic_string();
        *override = c_.plugin != c_.path;
        return c_.plugin;
    }

    // A failure's (or WARN's) scenario, shrunk where it can be, and its
    // trace, with --out; the way to see it again either way.
    void keep(const Check& check, const Part& part, std::vector<Outcome>& outcomes,
              const Verdict& v, Result& r) {
        const std::string rerun =
            "vmhost validate " + shell_word(c_.given) + " --only " + check.id + options_text();
        if (!check.scenario) {
            r.verdict.reason += " (not a scenario: it loads the plug-in twice in one process)";
            r.replay = rerun;
        } else if (!out_.on()) {
            r.replay = "rerun with --out DIR for a scenario that replays it";
        }
        std::string text = part.job.text, note = "not shrunk";
        if (out_.on() && check.scenario && part.shrink) {
            progress_.note("shrinking the failing scenario");
            Repro repro = shrink(part, text, v, how_);
            text = repro.text;
            note = repro.note;
            outcomes = std::move(repro.outcomes);
        }
        if (outcomes.empty() || outcomes[0].traces.empty()) {
            // A check that measures runs untraced: its scenario once more,
            // traced, for the trace and the call that was running.
            Job traced = part.job;
            traced.text = text;
            traced.trace = true;
            traced.watch = Watch::none;
            outcomes = {run_job(traced, how_, how_.stall())};
            if (const Verdict t = survived(outcomes[0]);
                r.verdict.where.empty() && t.signature == v.signature)
                r.verdict.where = t.where;
        }
        if (!out_.on()) return;

        bool override = false;
        r.repro = out_.write(check.id, ".vms",
                             repro_header(rerun, v, r.verdict.where, note, check, part) +
                                 repro_body(text, &override),
                             "the repro");
        if (r.repro.empty()) return;
        if (!outcomes[0].traces.empty())
            r.trace = out_.write(fs::path(r.repro).stem().string(), ".trace",
                                 "# vmhost validate: the trace of " + file_name(r.repro) + "\n" +
                                     outcomes[0].traces[0],
                                 "the repro's trace");
        if (check.scenario) r.replay = replay_command(check, part, r.repro, override);
    }

    std::string repro_header(const std::string& rerun, const Verdict& v, const std::string& where,
                             const std::string& note, const Check& check, const Part& part) const {
        std::string header = "# " + rerun + ": " +
                             (v.result == Verdict::fail ? "FAIL: " + one_line(v.reason)
                                                        : "WARN: " + one_line(v.warning)) +
                             (where.empty() ? "" : " " + one_line(where)) + "\n";
        for (std::string_view line : lines_of(v.detail))
            if (!line.empty()) header += "# " + one_line(line) + "\n";
        return header + "# " + note + "\n# check: " + check.id + " " + part.name + "\n";
    }

    // The scenario with its `load` line as the repro's folder needs it.
    std::string repro_body(const std::string& text, bool* override) const {
        const std::string load_token = repro_load(override);
        std::string body;
        bool replaced = false;
        for (std::string_view line : lines_of(text)) {
            if (!replaced && line.starts_with("load ")) {
                body += "load " + load_token + "\n";
                replaced = true;
            } else if (!line.empty()) {
                (body += line) += '\n';
            }
        }
        return body;
    }

    std::string replay_command(const Check& check, const Part& part, const std::string& repro,
                               bool override) const {
        const std::string f = shell_word(repro);
        const std::string judge = "vmhost validate " + shell_word(c_.given) + " --only " +
                                  check.id + " --replay " + f + options_text();
        const std::string run =
            "vmhost run " + f + (override ? " --plugin " + shell_word(c_.path) : "");
        if (part.job.watch != Watch::none) return judge;
        if (part.processes > 1)
            return run + " twice, each in its own folder, and compare the traces; or " + judge;
        return run;
    }

    const Options& o_;
    Context c_;
    const Isolation& how_;
    OutFolder& out_;
    Progress& progress_;
};

// The battery for one plug-in: its survey, then the checks chosen.
Battery run_battery(const Options& o, Context c, const std::string& name, const Isolation& how,
                    OutFolder& out, const std::string& replay_text) {
    Battery b{name, c.given, {}, 0};
    std::printf("vmhost validate %s: strictness %d, seed %llu, timeout %gs%s\n\n",
                one_line(c.given).c_str(), o.strictness, static_cast<unsigned long long>(o.seed),
                o.timeout, o.in_process ? ", in process" : "");
    std::fflush(stdout);
    const auto start = Clock::now();
    c.survey = read_survey(run_job(survey_job(c), how, how.stall()));
    std::vector<const Check*> chosen;
    for (const Check* check : all_checks())
        if (o.only.empty() || std::find(o.only.begin(), o.only.end(), check->id) != o.only.end())
            chosen.push_back(check);
    Progress progress(static_cast<int>(chosen.size()));
    Run run(o, c, how, out, progress);
    if (!o.replay.empty()) {
        b.results.push_back(run.replay(*chosen[0], replay_text));
    } else {
        for (const Check* check : chosen) {
            if (interrupt_signal()) break;
            progress.show(static_cast<int>(b.results.size()), check->id, check->description);
            b.results.push_back(run.run(*check));
        }
    }
    progress.clear();
    b.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return b;
}

// The plug-ins' contexts and names (an aircraft's, or its file's stem,
// numbered where two are alike).
std::optional<cli::Problem> contexts(const Options& o, std::vector<Context>& cs,
                                     std::vector<std::string>& names) {
    for (const std::string& given : o.plugins) {
        Context c;
        std::string name;
        cli::Problem why;
        if (!plugin_context(given, c, &name, &why)) return why;
        c.seed = o.seed;
        c.strictness = o.strictness;
        c.in_process = o.in_process;
        const std::string stem = name;
        for (int n = 2; std::find(names.begin(), names.end(), name) != names.end(); ++n)
            name = stem + "-" + std::to_string(n);
        cs.push_back(std::move(c));
        names.push_back(name);
    }
    return std::nullopt;
}

// --replay FILE: its text, when it loads the plug-in given.
std::string replay_text(const Options& o, const Context& c, std::string* text) {
    std::string why;
    if (!read_scenario(o.replay, text, &why)) return why;
    const std::string loads = loaded_by(*text);
    const bool same =
        find_aircraft(c.plugin) ? loads == c.plugin : file_name(loads) == file_name(c.plugin);
    if (!same)
        return "'" + one_line(o.replay) + "' loads '" + one_line(loads) + "', not the plug-in '" +
               one_line(c.given) + "'; replay it with the plug-in it was made for";
    return "";
}

// validate.xml in --out, and --json: the first error, or empty.
std::string write_reports(const Options& o, std::span<const Battery> batteries, double seconds) {
    std::string why;
    if (OutFolder out; !o.out.empty() && out.open(o.out, &why)) {
        out.write("validate", ".xml", junit(batteries, seconds), "the JUnit report");
        why = out.error();
    }
    if (why.empty() && !o.json.empty())
        write_file(o.json, json(batteries, seconds, o.seed, o.strictness), "the JSON report", &why);
    return why;
}

// The batteries, one for each plug-in, and their results where they go.
int run_batteries(const Options& o, const std::vector<Context>& cs,
                  const std::vector<std::string>& names, const std::string& replay) {
    Isolation how;
    how.in_process = o.in_process;
    how.timeout = o.timeout;
    std::string why;
    how.work = make_work_folder(&why);
    if (how.work.empty()) return cli::error(why);
    catch_interrupts();

    const auto start = Clock::now();
    std::vector<Battery> batteries;
    for (std::size_t i = 0; i < cs.size() && why.empty() && !interrupt_signal(); ++i) {
        // Several plug-ins: a folder each below --out.
        OutFolder own;
        if (!o.out.empty() &&
            !own.open(cs.size() > 1 ? fs::path(o.out) / names[i] : fs::path(o.out), &why))
            break;
        if (i > 0) std::printf("\n");
        batteries.push_back(run_battery(o, cs[i], names[i], how, own, replay));
        if (interrupt_signal()) break;
        print_table(stdout, batteries.back());
        why = own.error();
    }
    std::error_code ec;
    fs::remove_all(how.work, ec);
    if (const int sig = interrupt_signal()) {
        std::fprintf(stderr, "vmhost validate: interrupted; every check's process ended\n");
        return kInterrupted + sig;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (why.empty()) why = write_reports(o, batteries, seconds);
    // A result that did not reach its reader is no result.
    if (why.empty())
        if (const int s = cli::flushed("the results")) return s;
    if (!why.empty()) return cli::error(why);
    for (const Battery& b : batteries)
        for (const Result& r : b.results)
            if (r.verdict.result == Verdict::fail) return 1;
    return kOk;
}

int validate_main(const cli::Arguments& args) {
    Options o;
    if (const auto p = read_options(args, o)) return cli::usage_error("validate", *p);
    if (!o.child.empty()) return child_main(o.child, true);
    if (o.list) {
        print_list(stdout);
        return cli::flushed("the list of checks");
    }
    std::vector<Context> cs;
    std::vector<std::string> names;
    if (const auto p = contexts(o, cs, names)) return cli::usage_error("validate", *p);
    std::string replay;
    if (!o.replay.empty())
        if (const std::string e = replay_text(o, cs[0], &replay); !e.empty())
            return cli::usage_error("validate", {e});
    return run_batteries(o, cs, names, replay);
}

}  // namespace

cli::Command command() {
    return {"validate",
            "PLUGIN... [--strictness N] [--only ID[,ID]] [--exclude ID[,ID]]\n"
            "                       [--seed N] [--timeout SECONDS] [--out DIR] [--json FILE]\n"
            "                       [--warnings-as-errors] [--in-process]\n"
            "       vmhost validate PLUGIN --only ID --replay FILE [...]\n"
            "       vmhost validate --list",
            "run a battery of checks against a vessel plug-in",
            kOptions,
            about,
            kStatuses,
            "validate.md",
            validate_main};
}

}  // namespace vmhost::validate
