// The battery: every check in its order, what checks need and whether the
// plug-in meets it, and the survey of the plug-in (does it load, does it
// give a vessel object, which airfoils has it) that the checks are built
// from. The checks themselves, each with its scenario, oracle and row, are
// in the checks_*.cpp files; a new check is a row there.
#include <algorithm>

#include "validate.h"

namespace vmhost::validate {
namespace {

// clang-format off
const struct {
    Need need;
    const char* text;
} kNeeds[] = {
    {kObject,        "a vessel object"},
    {kAirfoil,       "an airfoil"},
    {kAllocCounting, "Linux allocation counting"},
    {kOptimised,     "an optimised vmhost"},
    {kProcesses,     "child processes"},
};
// clang-format on

// The value after `key` ("error: ", "note: ") on the first line that has it.
std::string message_part(const std::string& err, const std::string& key) {
    const auto at = err.find(key);
    if (at == std::string::npos) return "";
    const auto end = err.find('\n', at);
    std::string s =
        err.substr(at + key.size(), end == std::string::npos ? end : end - at - key.size());
    if (!s.empty() && s.back() == '\r') s.pop_back();
    return s;
}

}  // namespace

std::span<const Check* const> all_checks() {
    static const std::vector<const Check*> battery = [] {
        std::vector<const Check*> all;
        for (auto group : {lifecycle_checks(), input_checks(), mix_checks(), measure_checks()})
            all.insert(all.end(), group.begin(), group.end());
        std::stable_sort(all.begin(), all.end(), [](const Check* a, const Check* b) {
            return a->strictness < b->strictness;
        });
        return all;
    }();
    return battery;
}

const Check* find_check(std::string_view id) {
    for (const Check* c : all_checks())
        if (id == c->id) return c;
    return nullptr;
}

Part part(const char* name, const Context& c, const std::string& check, std::string text,
          Judge judge) {
    Part p;
    p.name = name;
    p.job.name = check + ".vms";
    p.job.text = std::move(text);
    p.job.plugin = c.path;
    p.judge = judge;
    return p;
}

std::string load(const Context& c) {
    return "load " + c.plugin + "\n";
}

std::string needs_text(unsigned needs) {
    std::string s;
    for (const auto& n : kNeeds)
        if (needs & n.need) s += (s.empty() ? "" : ", ") + std::string(n.text);
    return s.empty() ? "-" : s;
}

std::string unmet(unsigned needs, const Context& c) {
    if ((needs & kObject) && !c.survey.object)
        return "vmvcInit gives no vessel object for flight model 1";
    if ((needs & kAirfoil) && c.survey.airfoils.empty())
        return "the plug-in registers no airfoil with a coefficient function";
    if ((needs & kAllocCounting) && !alloc_count::available()) return alloc_count::why_not();
    if ((needs & kProcesses) && c.in_process)
        return "it compares runs in fresh processes, and --in-process has none";
#if !defined(__OPTIMIZE__) || defined(__SANITIZE_ADDRESS__)
    if (needs & kOptimised)
        return "this vmhost is an unoptimised or sanitizer build, whose calls take several "
               "times their real time";
#endif
    return "";
}

Job survey_job(const Context& c) {
    Job j;
    j.name = "survey.vms";
    j.text = load(c) + "create v1\nunload\n";
    j.plugin = c.path;
    return j;
}

Survey read_survey(const Outcome& o) {
    Survey s;
    const Verdict v = survived(o);
    // A scenario stopped at its first line, the load: the loader's reason.
    if (v.result == Verdict::fail && v.signature.starts_with("error: ") &&
        o.err.find("survey.vms:1: error: ") != std::string::npos) {
        s.loads = false;
        const std::string note = message_part(o.err, "survey.vms:1: note: ");
        s.load_error = one_line(message_part(o.err, "survey.vms:1: error: ") +
                                (note.empty() ? "" : ": " + note));
        return s;
    }
    if (v.result == Verdict::fail) {
        s.failure = v;
        add_err_tail(s.failure, o);
        return s;
    }
    s.ran = true;
    int index = 0;
    for (std::string_view line : lines_of(o.traces.at(0))) {
        if (line == "< object") s.object = true;
        if (!line.starts_with("CreateAirfoil ")) continue;
        // "CreateAirfoil ALIGN (X,Y,Z) FUNCTION C S A"
        std::size_t at = 0;
        for (int blanks = 0; blanks < 3 && at != std::string_view::npos; ++blanks)
            at = line.find(' ', at + 1);
        if (at != std::string_view::npos && !line.substr(at + 1).starts_with("null"))
            s.airfoils.push_back(index);
        ++index;
    }
    return s;
}

}  // namespace vmhost::validate
