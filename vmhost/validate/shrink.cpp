// Shrinking a failing scenario to the few lines that still fail the same way
// (the same verdict signature; a WARN shrinks as its warning): the shortest
// failing prefix first (binary search), all its steps in one if that still
// fails, then delta debugging over the lines, merging the steps that end up
// next to each other and lowering each step count (binary search again),
// until nothing changes or the time budget, the check's timeout, is spent.
// Every candidate runs as the check's own scenario did, each in its own
// child process, within what is left of the budget. A candidate of a hang
// counts as hanging when its trace stops growing for a second; the result is
// confirmed with the usual limits.
#include <algorithm>
#include <chrono>

#include "interrupt.h"
#include "validate.h"

namespace vmhost::validate {
namespace {

using Lines = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

constexpr int kMaxRuns = 400;
constexpr double kMaxSeconds = 90;
constexpr double kHangStall = 1;  // s without a new trace line

std::string join(const Lines& lines) {
    std::string s;
    for (const std::string& l : lines) s += l + "\n";
    return s;
}

// Leaves out the lines that name a vessel not alive then (its `create` was
// left out) and the creates of a name alive already, so that a candidate
// stays a scenario that runs.
Lines repaired(const Lines& lines) {
    Lines out;
    std::vector<std::string> alive;
    for (const std::string& line : lines) {
        std::vector<std::string> t;
        for (std::size_t i = 0; i < line.size();) {
            const std::size_t end = std::min(line.find(' ', i), line.size());
            if (end > i) t.push_back(line.substr(i, end - i));
            i = end + 1;
        }
        const bool names_vessel = t.size() > 1 && t[0] != "load" && t[0] != "sound" &&
                                  t[0] != "step" && t[0] != "physics" &&
                                  !(t[0] == "set" && (t[1] == "warp" || t[1] == "heading")) &&
                                  !(t[0] == "delete" && t[1] == "null");
        const auto it = names_vessel ? std::find(alive.begin(), alive.end(), t[1]) : alive.end();
        if (names_vessel && t[0] == "create") {
            if (it != alive.end()) continue;
            alive.push_back(t[1]);
        } else if (names_vessel) {
            if (it == alive.end()) continue;
            if (t[0] == "delete") alive.erase(it);
        }
        out.push_back(line);
    }
    return out;
}

long long step_count(const std::string& line) {
    if (line == "step") return 1;
    if (!line.starts_with("step ")) return -1;
    return std::atoll(line.c_str() + 5);
}

std::string step_line(long long n) {
    return n == 1 ? "step" : "step " + std::to_string(n);
}

class Shrinker {
  public:
    Shrinker(const Part& part, const Verdict& failure, const Isolation& how)
        : part_(part),
          failure_(failure),
          how_(how),
          start_(Clock::now()),
          hang_(failure.signature == "timeout") {
        // A hang is seen by its trace no longer growing.
        if (hang_) part_.job.trace = true;
    }

    // Whether `lines` (repaired) fail the same way; if so, they become the
    // repaired lines.
    bool fails(Lines& lines) {
        const double left = std::min(kMaxSeconds, how_.timeout) -
                            std::chrono::duration<double>(Clock::now() - start_).count();
        if (runs_ >= kMaxRuns || left <= 0.05 || interrupt_signal()) {
            out_of_budget_ = true;
            return false;
        }
        ++runs_;
        Lines candidate = repaired(lines);
        Isolation within = how_;
        within.timeout = std::min(how_.timeout, left);
        // A candidate hangs as soon as its trace stops growing for a while.
        const Verdict v =
            run_part(part_, join(candidate), within, nullptr, hang_ ? kHangStall : how_.stall());
        if (!same_failure(v, failure_)) return false;
        lines = std::move(candidate);
        return true;
    }

    // The shortest prefix that fails, assuming every longer one does too.
    void prefix(Lines& lines) {
        std::size_t lo = 1, hi = lines.size();
        while (lo < hi) {
            const std::size_t mid = (lo + hi) / 2;
            Lines head(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(mid));
            if (fails(head))
                hi = mid;
            else
                lo = mid + 1;
        }
        lines.resize(hi);
        lines = repaired(lines);
    }

    // All steps in one, where the last step was: for a fault that needs
    // time to pass, so that delta debugging can leave out the rest.
    void collapse_steps(Lines& lines) {
        Lines collapsed;
        long long total = 0;
        std::size_t last = 0;
        for (const std::string& l : lines) {
            const long long n = step_count(l);
            if (n < 0) {
                collapsed.push_back(l);
            } else {
                total += n;
                last = collapsed.size();
            }
        }
        if (total == 0 || total > 100'000'000) return;
        collapsed.insert(collapsed.begin() + static_cast<std::ptrdiff_t>(last), step_line(total));
        if (collapsed.size() < lines.size() && fails(collapsed)) lines = std::move(collapsed);
    }

    // Delta debugging: leave out ever smaller chunks while the rest fails.
    bool ddmin(Lines& lines) {
        bool changed = false;
        std::size_t n = 2;
        while (lines.size() >= 2 && !out_of_budget_) {
            const std::size_t chunk = (lines.size() + n - 1) / n;
            bool reduced = false;
            for (std::size_t start = 0; start < lines.size() && !reduced; start += chunk) {
                Lines rest(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(start));
                rest.insert(rest.end(),
                            lines.begin() +
                                static_cast<std::ptrdiff_t>(std::min(lines.size(), start + chunk)),
                            lines.end());
                if (fails(rest)) {
                    lines = std::move(rest);
                    n = std::max<std::size_t>(n - 1, 2);
                    reduced = changed = true;
                }
            }
            if (!reduced) {
                if (n >= lines.size()) break;
                n = std::min(n * 2, lines.size());
            }
        }
        return changed;
    }

    // Steps next to each other become one.
    bool merge_steps(Lines& lines) {
        Lines merged;
        for (const std::string& l : lines) {
            const long long n = step_count(l);
            const long long before = merged.empty() ? -1 : step_count(merged.back());
            if (n > 0 && before > 0 && n + before <= 100'000'000)
                merged.back() = step_line(n + before);
            else
                merged.push_back(l);
        }
        if (merged.size() == lines.size() || !fails(merged)) return false;
        lines = std::move(merged);
        return true;
    }

    // Each step count as low as it can go.
    bool lower_steps(Lines& lines) {
        bool changed = false;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const long long n = step_count(lines[i]);
            if (n <= 1) continue;
            long long lo = 1, hi = n;
            while (lo < hi) {
                const long long mid = lo + (hi - lo) / 2;
                Lines candidate = lines;
                candidate[i] = step_line(mid);
                if (fails(candidate))
                    hi = mid;
                else
                    lo = mid + 1;
            }
            if (hi < n) {
                lines[i] = step_line(hi);
                changed = true;
            }
        }
        return changed;
    }

    int runs() const { return runs_; }
    bool out_of_budget() const { return out_of_budget_; }

  private:
    Part part_;
    const Verdict& failure_;
    const Isolation& how_;
    Clock::time_point start_;
    bool hang_;
    int runs_ = 0;
    bool out_of_budget_ = false;
};

}  // namespace

bool same_failure(const Verdict& v, const Verdict& failure) {
    const bool as_bad =
        v.result == Verdict::fail || (!v.warning.empty() && v.result == Verdict::pass);
    return as_bad && v.signature == failure.signature;
}

Verdict run_part(const Part& part, const std::string& text, const Isolation& how,
                 std::vector<Outcome>* outcomes, double stall) {
    Job job = part.job;
    job.text = text;
    std::vector<Outcome> o;
    for (int i = 0; i < part.processes; ++i) o.push_back(run_job(job, how, stall));
    Verdict v = part.judge(o);
    add_err_tail(v, o[0]);
    if (outcomes) *outcomes = std::move(o);
    return v;
}

Repro shrink(const Part& part, const std::string& text, const Verdict& failure,
             const Isolation& how) {
    Lines lines;
    for (std::string_view l : lines_of(text)) {
        const auto start = l.find_first_not_of(" \t\r");
        if (start != std::string_view::npos && l[start] != '#') lines.emplace_back(l);
    }
    const std::size_t before = lines.size();
    Shrinker s(part, failure, how);
    s.prefix(lines);
    s.collapse_steps(lines);
    for (bool changed = true; changed && !s.out_of_budget();) {
        changed = s.ddmin(lines);
        changed = s.merge_steps(lines) || changed;
        changed = s.lower_steps(lines) || changed;
    }

    Repro r;
    r.text = join(lines);
    const Verdict v = run_part(part, r.text, how, &r.outcomes, how.stall());
    r.runs = s.runs() + 1;
    if (!same_failure(v, failure)) {
        // Not the same failure with the full time: keep the scenario as it was.
        r.text = text;
        run_part(part, r.text, how, &r.outcomes, how.stall());
        r.note = "could not be shrunk (" + std::to_string(r.runs) + " runs)";
        return r;
    }
    r.note = "shrunk from " + std::to_string(before) + " to " + std::to_string(lines.size()) +
             " lines in " + std::to_string(r.runs) + " runs" +
             (s.out_of_budget() ? " (stopped at the limit of the runs or time)" : "");
    return r;
}

}  // namespace vmhost::validate
