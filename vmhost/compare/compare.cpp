// `vmhost compare`: its command line; the two builds and the scenarios they
// run; each scenario run once with each build, each in a child process of
// validate's runner, below a work folder of its own that is removed at the
// end, also when vmhost is interrupted; and what came of each run.
#include "compare.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <tuple>

#include "aircraft.h"
#include "files.h"
#include "interrupt.h"
#include "library.h"
#include "message.h"
#include "scenario.h"
#include "validate/validate.h"

namespace vmhost::compare {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using validate::Outcome;

constexpr int kDefaultSteps = 1000;
constexpr int kSamples = 100;                                 // lines a group keeps, for the page
constexpr std::size_t kMaxTraceBytes = std::size_t{1} << 30;  // of a trace file given

struct Options {
    std::vector<std::string> operands;
    std::vector<std::string> scenarios, flights;
    bool defaults = false;
    std::uint64_t seed = validate::kDefaultSeed;
    int steps = kDefaultSteps;
    Tolerance tolerance;
    double timeout = validate::kDefaultTimeout;
    std::string out, json, report;
};

const cli::Option kOptions[] = {
    {"--scenario", "FILE", "run this scenario (again for more); replaces the defaults", true},
    {"--flight", "FILE",
     "fly this scenario with the flight model, as vmhost fly\n"
     "does (again for more); replaces the defaults",
     true},
    {"--defaults", nullptr,
     "run the defaults too: an aircraft's example scenario and\n"
     "default flight, and a seeded mix of everything"},
    {"--seed", "N", "the seed of the mix (printed; default fixed)"},
    {"--steps", "N", "steps of the mix (default 1000; 0: no mix)"},
    {"--rel", "X", "numbers within X times the larger of them agree"},
    {"--abs", "X", "numbers within X of each other agree (default: equal only)"},
    {"--timeout", "S", "seconds a run may take before it counts as hanging (60)"},
    {"--out", "DIR", "keep both traces of every scenario that differs"},
    {"--json", "FILE", "write the results as JSON"},
    {"--report", "DIR", "write DIR/index.html: the results, and flights overlaid"},
};

std::string about() {
    return "Runs the same scenarios with two builds of a plug-in, each run in a child\n"
           "process, and shows what differs in their traces, grouped by call. OLD and\n"
           "NEW are each an aircraft's name (this build's plug-in: " +
           aircraft_names(", ", " or ") +
           ")\n"
           "or a plug-in library; or two trace files, compared as they are.\n";
}

const char kStatuses[] =
    "exit status:\n"
    "  0      nothing differs beyond the tolerances\n"
    "  1      something differs\n"
    "  2      a bad command line, or an error of vmhost's own\n"
    "  3      a build crashes, hangs or breaks the host contract\n"
    "  141    standard output closed by its reader before the end (a broken pipe)\n"
    "  128+N  stopped by signal N: 130 for Ctrl-C, 143 for SIGTERM\n";

int usage_error(const cli::Problem& problem) {
    return cli::usage_error("compare", problem);
}

std::string value_option(Options& o, const std::string& a, const char* s) {
    const std::string shown = " not '" + printable(s, 64) + "'";
    double v = 0;
    if (a == "--rel" || a == "--abs") {
        if (!cli::number(s, 0, 1e300, &v)) return a + " takes a number of 0 or more," + shown;
        (a == "--rel" ? o.tolerance.rel : o.tolerance.abs) = v;
    } else if (a == "--steps") {
        if (!cli::number(s, 0, 1e7, &v) || v != static_cast<int>(v))
            return "--steps takes 0 to 10000000," + shown;
        o.steps = static_cast<int>(v);
    } else if (a == "--seed") {
        if (!cli::seed(s, &o.seed))
            return "--seed takes a number from 0 to 18446744073709551615," + shown;
    } else if (a == "--timeout") {
        if (!cli::number(s, 0.1, 86400, &o.timeout))
            return "--timeout takes seconds (0.1 to 86400)," + shown;
    } else if (a == "--scenario" || a == "--flight") {
        if (!*s) return a + " needs a FILE, not ''";
        (a == "--scenario" ? o.scenarios : o.flights).emplace_back(s);
    } else {
        if (!*s) return a + " needs a value, not ''";
        (a == "--out" ? o.out : a == "--json" ? o.json : o.report) = s;
    }
    return "";
}

// The options read into `o`, each value checked: an error message, or empty.
std::string read_options(const cli::Arguments& args, Options& o) {
    o.operands = args.operands;
    o.defaults = args["--defaults"].has_value();
    for (const cli::Option& option : kOptions)
        for (const std::string& value : args.all(option.name))
            if (option.value)
                if (std::string e = value_option(o, option.name, value.c_str()); !e.empty())
                    return e;
    if (o.operands.size() != 2)
        return o.operands.size() < 2
                   ? "OLD and NEW are needed: two builds (" + aircraft_names(", ", " or ") +
                         " or a library's path), or two traces"
                   : "more than OLD and NEW given";
    return "";
}

// A library, by its first bytes (ELF, or a Windows executable).
bool is_library(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char head[4] = {};
    in.read(head, 4);
    return (in.gcount() == 4 && std::memcmp(head,
                                            "\x7f"
                                            "ELF",
                                            4) == 0) ||
           (in.gcount() >= 2 && head[0] == 'M' && head[1] == 'Z');
}

bool is_trace(const std::string& given) {
    std::error_code ec;
    return !find_aircraft(given) && fs::is_regular_file(given, ec) && !is_library(given);
}

// ---- The builds ----------------------------------------------------------------

struct Build {
    const char* label;  // OLD or NEW
    validate::Context context;
    const Aircraft* aircraft = nullptr;  // one of ours: by its name, or its library's
};

std::optional<cli::Problem> build(const char* label, const std::string& given, Build& b) {
    b.label = label;
    std::string name;
    cli::Problem why;
    if (!validate::plugin_context(given, b.context, &name, &why)) {
        why.what = std::string(label) + ": " + why.what;
        return why;
    }
    b.aircraft = find_aircraft(given);
    for (const Aircraft& a : all_aircraft())
        if (fs::path(b.context.path).filename() == library::plugin_file(a.library))
            b.aircraft = b.aircraft ? b.aircraft : &a;
    return std::nullopt;
}

// ---- The scenarios -------------------------------------------------------------

struct Scenario {
    std::string name, text;
    bool fly = false;
    bool given = false;  // from the command line
};

std::string add_files(const std::vector<std::string>& files, bool fly, std::vector<Scenario>& out) {
    for (const std::string& f : files) {
        Scenario s{fs::path(f).filename().string(), "", fly, true};
        std::string why;
        if (!read_scenario(f, &s.text, &why)) return why;
        out.push_back(std::move(s));
    }
    return "";
}

// The mix, from what both builds offer: keys and cockpit views where both
// give a vessel object, coefficient calls of the airfoils both have.
Scenario mix(const Options& o, const Build& old_build, const Build& new_build) {
    validate::Context c = old_build.context;
    const validate::Survey &a = old_build.context.survey, &b = new_build.context.survey;
    c.survey.object = a.object && b.object;
    c.survey.airfoils.clear();
    for (int i : a.airfoils)
        if (std::find(b.airfoils.begin(), b.airfoils.end(), i) != b.airfoils.end())
            c.survey.airfoils.push_back(i);
    return {"mix.vms", validate::random_scenario(c, validate::seed_for(o.seed, "random"), o.steps,
                                                 true, "full")};
}

std::string scenarios(const Options& o, const Build& old_build, const Build& new_build,
                      std::vector<Scenario>& out) {
    const bool defaults = o.defaults || (o.scenarios.empty() && o.flights.empty());
    const Aircraft* a = old_build.aircraft ? old_build.aircraft : new_build.aircraft;
    if (defaults && a) {
        if (const std::string_view example = example_scenario(*a); !example.empty())
            out.push_back({std::string(a->name) + ".vms", std::string(example)});
        out.push_back({"fly-" + std::string(a->name) + ".vms", a->flight, true});
    }
    if (defaults && o.steps > 0) out.push_back(mix(o, old_build, new_build));
    if (std::string why = add_files(o.scenarios, false, out); !why.empty()) return why;
    if (std::string why = add_files(o.flights, true, out); !why.empty()) return why;
    // Names of their own, for messages and the files of --out.
    for (std::size_t i = 0; i < out.size(); ++i) {
        const std::string stem = fs::path(out[i].name).stem().string();
        const std::string ext = fs::path(out[i].name).extension().string();
        for (int n = 2; std::any_of(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(i),
                                    [&](const Scenario& s) { return s.name == out[i].name; });
             ++n)
            out[i].name = stem + "-" + std::to_string(n) + ext;
    }
    return "";
}

// ---- Running and judging -------------------------------------------------------

Outcome run(const Build& b, const Scenario& s, const validate::Isolation& how) {
    validate::Job job;
    job.name = s.name;
    // The job's file holds the name as one word.
    std::replace_if(
        job.name.begin(), job.name.end(),
        [](char c) { return static_cast<unsigned char>(c) <= ' '; }, '_');
    job.text = s.text;
    job.plugin = b.context.path;
    job.fly = s.fly;
    return validate::run_job(job, how, how.stall());
}

// A run that got to the end of its scenario and ended as vmhost's own code
// there said: its flight done or not (0, 1), the host contract kept or not
// (3). A scenario that stopped (2) ended well too: the build did not crash.
bool ended_well(const Outcome& o) {
    return o.how == Outcome::exited && o.finished && o.code == o.end_status;
}

std::string first_error(const std::string& err) {
    const auto at = err.find(": error: ");
    if (at == std::string::npos) return "";
    const auto start = err.rfind('\n', at);
    return printable(err.substr(start == std::string::npos ? 0 : start + 1,
                                err.find('\n', at) - (start == std::string::npos ? 0 : start + 1)),
                     200);
}

// Where a build did not end well: why, as validate words it.
void failed(const char* label, const Outcome& o, Result& r) {
    validate::Verdict v = validate::survived(o);
    validate::add_err_tail(v, o);
    r.failure += std::string(r.failure.empty() ? "" : "; ") + label + " " + v.reason +
                 (v.where.empty() ? "" : " " + v.where);
    r.detail += v.detail;
}

void contract(const char* label, const Outcome& o, Result& r) {
    if (o.code != kContractBroken || o.traces.empty()) return;
    r.contract +=
        std::string(r.contract.empty() ? "" : "; ") + label +
        " breaks the host contract: " + validate::ticked(validate::first_violation(o.traces[0]));
}

// The sound logs' groups, named as such, and the exit status's.
void other_groups(const Outcome& a, const Outcome& b, const Tolerance& t, Result& r) {
    if (a.has_sound_log || b.has_sound_log) {
        Comparison sound = compare_traces(a.sound_log, b.sound_log, t, kSamples);
        for (Group& g : sound.groups) {
            g.call = "sound log: " + g.call;
            r.groups.push_back(std::move(g));
        }
    }
    if (r.old_status != r.new_status) {
        Group g;
        g.call = "exit status";
        g.count = 1;
        g.first_old = r.old_lines + 1;
        g.first_new = r.new_lines + 1;
        g.samples.push_back({0, 0, std::to_string(r.old_status), std::to_string(r.new_status)});
        r.groups.push_back(std::move(g));
    }
}

void take(Comparison c, Result& r) {
    r.groups = std::move(c.groups);
    r.divergence = std::move(c.divergence);
    r.divergence_time = c.divergence_time;
    r.old_lines = c.old_lines;
    r.new_lines = c.new_lines;
}

class Comparer {
  public:
    Comparer(const Options& o, const Build& a, const Build& b, const validate::Isolation& how,
             validate::OutFolder& out)
        : o_(o), a_(a), b_(b), how_(how), out_(out) {}

    // One scenario with both builds; false when it cannot run with either
    // (the reason in `why`).
    bool compare(const Scenario& s, Result& r, std::string* why) {
        r.name = s.name;
        r.flown = s.fly;
        const Outcome oa = run(a_, s, how_);
        if (interrupt_signal()) return true;
        const Outcome ob = run(b_, s, how_);
        if (interrupt_signal()) return true;
        r.old_status = oa.code;
        r.new_status = ob.code;
        if (!ended_well(oa)) failed(a_.label, oa, r);
        if (!ended_well(ob)) failed(b_.label, ob, r);
        if (!r.failure.empty()) return true;
        if (oa.code == kBadInput && ob.code == kBadInput &&
            first_error(oa.err) == first_error(ob.err)) {
            *why = "the scenario " + quote_path(s.name) +
                   " cannot run with either build: " + first_error(oa.err);
            return false;
        }
        contract(a_.label, oa, r);
        contract(b_.label, ob, r);
        take(compare_traces(oa.traces.at(0), ob.traces.at(0), o_.tolerance, kSamples), r);
        other_groups(oa, ob, o_.tolerance, r);
        if (s.fly && !(r.old_flight.restore(oa.flight, a_.aircraft) &&
                       r.new_flight.restore(ob.flight, b_.aircraft))) {
            *why =
                "the flight log of " + quote_path(s.name) + " did not come back whole from its run";
            return false;
        }
        keep(s, oa, ob, r);
        return true;
    }

  private:
    // --out: both traces (and the scenario) of a scenario that differs;
    // those an earlier run left of one that does not, removed.
    void keep(const Scenario& s, const Outcome& oa, const Outcome& ob, const Result& r) {
        if (!out_.on()) return;
        const std::string stem = fs::path(s.name).stem().string();
        for (const char* side : {".old", ".new"}) out_.remove(stem + side, ".trace");
        out_.remove(stem, ".vms");
        if (r.identical()) return;
        const std::string header = std::string(validate::kCompareHeader) + ": ";
        out_.write(stem, ".vms", header + "the scenario " + s.name + "\n" + s.text, "a scenario");
        for (const auto& [side, build, o] :
             {std::tuple{".old", &a_, &oa}, std::tuple{".new", &b_, &ob}})
            out_.write(stem + side, ".trace",
                       header + "the trace of " + s.name + " with " + build->label + " " +
                           validate::one_line(build->context.given) + "\n" + o->traces.at(0),
                       "a trace");
    }

    const Options& o_;
    const Build& a_;
    const Build& b_;
    const validate::Isolation& how_;
    validate::OutFolder& out_;
};

// ---- The whole run ---------------------------------------------------------------

// The results, where they go: the terminal, --json, --report.
int finish(const Options& o, Run& run, const std::string& out_error) {
    print_total(stdout, run);
    std::string why = out_error;
    if (why.empty() && !o.json.empty()) write_file(o.json, json(run), "the JSON report", &why);
    if (why.empty() && !o.report.empty()) {
        std::error_code ec;
        fs::create_directories(o.report, ec);
        write_file((fs::path(o.report) / "index.html").string(), page(run), "the report", &why);
    }
    if (!why.empty()) return cli::error(why);
    if (const int s = cli::flushed("the results")) return s;
    return run.status();
}

Run started(const Options& o) {
    Run run;
    run.old_given = o.operands[0];
    run.new_given = o.operands[1];
    run.tolerance = o.tolerance;
    return run;
}

// Two traces given: compared as they are.
int compare_files(const Options& o) {
    Run run = started(o);
    std::string a, b, why;
    if (!read_text(o.operands[0], "trace", kMaxTraceBytes, &a, &why) ||
        !read_text(o.operands[1], "trace", kMaxTraceBytes, &b, &why))
        return cli::error(why);
    const auto start = Clock::now();
    Result r;
    r.name = fs::path(o.operands[1]).filename().string();
    for (const auto& [label, text] : {std::pair{"OLD", &a}, std::pair{"NEW", &b}})
        if (const std::string v = validate::first_violation(*text); !v.empty())
            r.contract += std::string(r.contract.empty() ? "" : "; ") + label +
                          " breaks the host contract: " + validate::ticked(v);
    take(compare_traces(a, b, o.tolerance, kSamples), r);
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("vmhost compare %s %s: %s\n\n", printable(run.old_given).c_str(),
                printable(run.new_given).c_str(), tolerance_text(o.tolerance).c_str());
    print_result(stdout, r);
    run.results.push_back(std::move(r));
    return finish(o, run, "");
}

// Whether a build loads, and what it offers the mix: an error, or empty.
std::string survey(Build& b, const validate::Isolation& how) {
    b.context.survey =
        validate::read_survey(validate::run_job(validate::survey_job(b.context), how, how.stall()));
    if (b.context.survey.loads) return "";
    return std::string(b.label) + " " + quote_path(b.context.given) +
           " does not load: " + b.context.survey.load_error;
}

// Each scenario with both builds, its result printed as it comes; an
// error stops them, and so does a signal.
std::string run_all(const std::vector<Scenario>& list, Comparer& comparer, Run& run) {
    std::string why;
    validate::Progress progress(static_cast<int>(list.size()));
    for (const Scenario& s : list) {
        if (interrupt_signal()) break;
        progress.show(static_cast<int>(run.results.size()), s.name.c_str(), "running both builds");
        Result r;
        if (!comparer.compare(s, r, &why) || interrupt_signal()) break;
        progress.clear();
        print_result(stdout, r);
        std::fflush(stdout);
        run.results.push_back(std::move(r));
    }
    progress.clear();
    return why;
}

// Two builds: the scenarios run, below a work folder of our own that goes
// at the end, also when vmhost is interrupted.
int compare_builds(const Options& o, Build& a, Build& b) {
    validate::Isolation how;
    how.timeout = o.timeout;
    std::string why;
    how.work = validate::make_work_folder(&why);
    if (how.work.empty()) return cli::error(why);
    catch_interrupts();
    const auto start = Clock::now();
    Run run = started(o);
    run.seed = o.seed;
    run.steps = o.steps;
    std::vector<Scenario> list;
    validate::OutFolder out;
    for (Build* x : {&a, &b})
        if (why.empty()) why = survey(*x, how);
    if (why.empty()) why = scenarios(o, a, b, list);
    if (why.empty() && !o.out.empty()) out.open(o.out, &why);
    if (why.empty()) {
        run.mix = std::any_of(list.begin(), list.end(),
                              [](const Scenario& s) { return s.name == "mix.vms" && !s.given; });
        std::printf("vmhost compare %s %s: %zu scenario%s, %s%s\n\n",
                    printable(run.old_given).c_str(), printable(run.new_given).c_str(), list.size(),
                    list.size() == 1 ? "" : "s", tolerance_text(o.tolerance).c_str(),
                    run.mix ? (", seed " + std::to_string(o.seed)).c_str() : "");
        std::fflush(stdout);
        Comparer comparer(o, a, b, how, out);
        why = run_all(list, comparer, run);
    }
    std::error_code ec;
    fs::remove_all(how.work, ec);
    if (const int sig = interrupt_signal()) {
        std::fprintf(stderr, "vmhost compare: interrupted; every run's process ended\n");
        return kInterrupted + sig;
    }
    if (!why.empty()) return cli::error(why);
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return finish(o, run, out.error());
}

int compare_main(const cli::Arguments& args) {
    Options o;
    if (const std::string e = read_options(args, o); !e.empty()) return usage_error({e});
    const bool traces = is_trace(o.operands[0]), other = is_trace(o.operands[1]);
    if (traces != other)
        return usage_error(
            {"'" + printable(o.operands[traces ? 0 : 1], 64) +
             "' is a trace and the other a plug-in: compare two builds or two traces"});
    if (traces) {
        if (!o.scenarios.empty() || !o.flights.empty() || o.defaults || !o.out.empty())
            return usage_error({"two traces are compared as they are: no scenario runs, no --out"});
        return compare_files(o);
    }
    Build a, b;
    for (const auto& [label, given, to] :
         {std::tuple{"OLD", &o.operands[0], &a}, std::tuple{"NEW", &o.operands[1], &b}})
        if (const auto p = build(label, *given, *to)) return usage_error(*p);
    return compare_builds(o, a, b);
}

}  // namespace

int Run::status() const {
    bool differs = false;
    for (const Result& r : results) {
        if (!r.failure.empty() || !r.contract.empty()) return kContractBroken;
        differs = differs || !r.identical();
    }
    return differs ? 1 : kOk;
}

cli::Command command() {
    return {"compare",
            "OLD NEW [--scenario FILE]... [--flight FILE]... [--defaults]\n"
            "                      [--seed N] [--steps N] [--rel X] [--abs X] [--timeout SECONDS]\n"
            "                      [--out DIR] [--json FILE] [--report DIR]\n"
            "       vmhost compare OLD.trace NEW.trace [--rel X] [--abs X] [--json FILE] [--report "
            "DIR]",
            "what a change to a plug-in did to its behaviour: two builds, their traces compared",
            kOptions,
            about,
            kStatuses,
            "compare.md",
            compare_main};
}

}  // namespace vmhost::compare
