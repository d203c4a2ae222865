// What every oracle shares: how a run ended (survived), the readers of
// traces, and a failure's context: the exception that escaped, the stack of
// a crash with the plug-in's frames marked, the tail of standard error.
#include <cxxabi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

#include "message.h"
#include "scenario.h"
#include "validate.h"

namespace vmhost::validate {
namespace {

constexpr std::size_t kErrLines = 20;     // of standard error, in a failure's detail
constexpr std::size_t kStackFrames = 16;  // of a stack
constexpr std::size_t kSymbolLength = 100;

std::string last_call(const std::string& trace) {
    std::string_view last;
    for (std::string_view line : lines_of(trace))
        if (line.starts_with("> ")) last = line;
    return std::string(last);
}

std::string demangled(const std::string& name) {
    int status = 0;
    const std::unique_ptr<char, void (*)(void*)> d(
        abi::__cxa_demangle(name.c_str(), nullptr, nullptr, &status), std::free);
    return status == 0 && d ? d.get() : name;
}

std::string file_name(std::string_view path) {
    const auto slash = path.find_last_of("/\\");
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// The value of crash.txt's first line that starts with `key`.
std::string crash_field(std::string_view crash, std::string_view key) {
    for (std::string_view line : lines_of(crash))
        if (line.starts_with(key) && line.size() > key.size() && line[key.size()] == ' ')
            return std::string(line.substr(key.size() + 1));
    return "";
}

// symbol_of, remembered: shrinking meets the same crash many times.
std::string symbol_at(const std::string& module, std::uintptr_t offset) {
    static std::map<std::pair<std::string, std::uintptr_t>, std::string> known;
    const auto key = std::make_pair(module, offset);
    if (const auto it = known.find(key); it != known.end()) return it->second;
    return known[key] = symbol_of(module, offset);
}

// Its last lines, each on one line of its own.
std::string err_tail(const std::string& err) {
    std::vector<std::string_view> lines = lines_of(err);
    while (!lines.empty() && lines.back().find_first_not_of(" \t\r") == std::string_view::npos)
        lines.pop_back();
    if (lines.empty()) return "";
    const std::size_t from = lines.size() > kErrLines ? lines.size() - kErrLines : 0;
    std::string s = "standard error" + std::string(from > 0 ? " (its last lines)" : "") + ":\n";
    for (std::size_t i = from; i < lines.size(); ++i) {
        std::string_view l = lines[i];
        if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
        s += "  " + one_line(l.substr(0, 240)) + (l.size() > 240 ? "..." : "") + "\n";
    }
    return s;
}

}  // namespace

const char* failure_name(Failure f) {
    static const char* const names[] = {
        "",    "crash", "hang",       "exit", "flood",          "contract",
        "nan", "leak",  "allocation", "time", "nondeterminism", "load"};
    return names[static_cast<int>(f)];
}

Verdict failed(Failure kind, std::string reason, std::string where, std::string signature) {
    Verdict v;
    v.result = Verdict::fail;
    v.kind = kind;
    v.reason = std::move(reason);
    v.where = std::move(where);
    v.signature = std::move(signature);
    return v;
}

Verdict skipped(std::string reason) {
    Verdict v;
    v.result = Verdict::skip;
    v.reason = std::move(reason);
    return v;
}

std::string ticked(std::string_view line) {
    // (Built up in steps: GCC 12 warns falsely about "`" + std::string.)
    std::string t(1, '`');
    t.append(one_line(line.substr(0, 200)));
    return t += '`';
}

std::string one_line(std::string_view s) {
    return printable(s);
}

std::string without_foreign_calls(const std::string& trace) {
    static constexpr std::string_view kForeign = "! host call from a foreign thread: ";
    if (trace.find(kForeign) == std::string::npos) return trace;
    std::string kept;
    for (std::string_view line : lines_of(trace))
        if (!line.starts_with(kForeign)) (kept += line) += '\n';
    if (!trace.empty() && trace.back() != '\n' && !kept.empty()) kept.pop_back();
    return kept;
}

std::string first_difference(const std::string& a, const std::string& b) {
    const auto la = lines_of(a), lb = lines_of(b);
    std::size_t i = 0;
    while (i < la.size() && i < lb.size() && la[i] == lb[i]) ++i;
    const auto at = [](const std::vector<std::string_view>& l, std::size_t n) {
        return n < l.size() ? ticked(l[n]) : std::string("the end");
    };
    return "line " + std::to_string(i + 1) + ": " + at(la, i) + " against " + at(lb, i);
}

std::string first_violation(const std::string& trace) {
    for (std::string_view line : lines_of(trace))
        if (line.starts_with("! ")) return std::string(line);
    return "";
}

std::string violation_kind(std::string_view line) {
    // Without the names of handles and vessels, which change as a scenario shrinks.
    std::string kind;
    for (std::size_t i = 2; i < line.size();) {
        const std::size_t end = std::min(line.find(' ', i), line.size());
        const std::string_view word = line.substr(i, end - i);
        if (word.find_first_of("0123456789{") == std::string_view::npos)
            kind += std::string(word) + " ";
        i = end + 1;
    }
    return kind;
}

std::string stack_text(std::string_view frames, const std::string& plugin) {
    struct Frame {
        std::string module, offset, symbol;
    };
    std::vector<Frame> stack;
    for (std::string_view line : lines_of(frames)) {
        if (!line.starts_with("frame ")) continue;
        // "frame MODULE\tOFFSET\tSYMBOL"
        line.remove_prefix(6);
        const auto tab = line.find('\t');
        const std::string_view rest = tab == std::string_view::npos ? "" : line.substr(tab + 1);
        const auto tab2 = rest.find('\t');
        Frame f{std::string(line.substr(0, tab)), std::string(rest.substr(0, tab2)),
                std::string(tab2 == std::string_view::npos ? "" : rest.substr(tab2 + 1))};
        // The module's own tables know more than its exports; a return
        // address is looked up in the call it returns from.
        const std::uintptr_t offset = std::strtoull(f.offset.c_str(), nullptr, 16);
        if (std::string known = symbol_at(f.module, offset > 0 ? offset - 1 : 0); !known.empty())
            f.symbol = std::move(known);
        // An exception's stack starts where it was thrown; below the
        // scenario's run is only how validate got there.
        if (f.symbol.starts_with("__cxa_throw") || f.symbol.starts_with("__cxa_rethrow")) {
            stack.clear();
            continue;
        }
        const bool last = f.symbol.starts_with("_ZN6vmhost12run_scenario");
        stack.push_back(std::move(f));
        if (last) break;
    }
    const std::string plugin_file = file_name(plugin);
    std::string s;
    for (std::size_t n = 0; n < stack.size() && n < kStackFrames; ++n) {
        const Frame& f = stack[n];
        std::string text = "  #" + std::to_string(n) + " " + file_name(f.module) + "+" + f.offset;
        if (!f.symbol.empty()) {
            const auto plus = f.symbol.find("+0x");
            std::string name = demangled(f.symbol.substr(0, plus));
            if (name.size() > kSymbolLength) name = name.substr(0, kSymbolLength - 3) + "...";
            text += " " + name + (plus == std::string::npos ? "" : f.symbol.substr(plus));
        }
        if (!plugin_file.empty() && file_name(f.module) == plugin_file) text += "   <- the plug-in";
        s += one_line(text) + "\n";
    }
    if (stack.size() > kStackFrames) s += "  ...\n";
    return s;
}

namespace {

// Why a run that did not end well ended, and where: the call that was
// running, where it did not finish.
Verdict end_of(const Outcome& o, const std::string& call, const std::string& sanitizer) {
    const std::string where = call.empty() ? "" : "in " + ticked(call);
    const std::string end = describe_end(o.how, o.code);
    if (o.how == Outcome::interrupted) return failed(Failure::none, "interrupted", where, end);
    if (o.how == Outcome::flooded)
        return failed(Failure::flood,
                      "floods its trace or standard error: more than " +
                          std::to_string(kMaxCapture >> 20) + " MiB",
                      where, "flood");
    if (o.how == Outcome::timed_out) {
        char hang[128];
        if (o.stalled > 0)
            std::snprintf(hang, sizeof hang,
                          "hangs: no call across the plug-in boundary for %.1f s", o.stalled);
        else
            std::snprintf(hang, sizeof hang, "hangs: no end within %.1f s", o.seconds);
        return failed(Failure::hang, hang, where, "timeout");
    }
    if (const std::string exception = crash_field(o.crash, "exception"); !exception.empty()) {
        const std::string what = crash_field(o.crash, "what");
        return failed(Failure::crash,
                      "an exception escaped: " + one_line(demangled(exception)) +
                          (what.empty() ? "" : ": " + one_line(what)),
                      call.empty() ? "" : "from " + ticked(call), "escaped " + exception);
    }
    if (o.how == Outcome::exited && o.finished && o.code == kBadInput) {
        // The scenario stopped: its error line says why.
        const auto at = o.err.find("error: ");
        const std::string error =
            at == std::string::npos ? o.err : o.err.substr(at + 7, o.err.find('\n', at) - at - 7);
        return failed(Failure::load, "the scenario stopped: " + one_line(error), "",
                      "error: " + error);
    }
    if (o.how == Outcome::exited && !o.finished && o.crash.empty() && sanitizer.empty())
        return failed(Failure::exit,
                      "the process ended with status " + std::to_string(o.code) +
                          " before the end of the scenario",
                      where, "exit " + std::to_string(o.code));
    if (o.how == Outcome::exited && o.finished)  // past the end: a sanitizer's report at exit
        return failed(
            Failure::crash,
            "the process ended with " + end + " after the end of the scenario" + sanitizer, "",
            end);
    // A signal, or on Windows an exception code or an abort's status.
    return failed(Failure::crash, "crashes: " + end + sanitizer, where, end);
}

}  // namespace

Verdict survived(const Outcome& o) {
    const bool ended_well =
        o.finished && o.how == Outcome::exited && (o.code == kOk || o.code == kContractBroken);
    if (ended_well) return {};
    // A sanitizer names what it found on a line of its own.
    std::string sanitizer;
    for (std::string_view line : lines_of(o.err)) {
        if (line.find("ERROR: ") != std::string_view::npos ||
            line.find("runtime error: ") != std::string_view::npos) {
            sanitizer = ", " + one_line(line.substr(0, 160));
            break;
        }
    }
    // The call that was running, where the run did not finish.
    const std::string call = o.traces.empty() || o.finished ? "" : last_call(o.traces.back());
    Verdict v = end_of(o, call, sanitizer);
    if (const std::string stack = stack_text(o.crash, o.library); !stack.empty())
        v.detail = (v.signature.starts_with("escaped ") ? "the stack where it was thrown:\n"
                                                        : "the crashing thread's stack:\n") +
                   stack;
    return v;
}

Verdict survives(const std::vector<Outcome>& o) {
    return survived(o[0]);
}

// Every failure's context ends with the tail of the child's standard error.
void add_err_tail(Verdict& v, const Outcome& o) {
    if (v.result != Verdict::fail) return;
    const std::string tail = err_tail(o.err);
    if (!tail.empty() && v.detail.find(tail) == std::string::npos) v.detail += tail;
}

}  // namespace vmhost::validate
