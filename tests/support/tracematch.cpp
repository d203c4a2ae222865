#include "tracematch.h"

#include <cstdlib>
#include <cstring>

namespace tracematch {
namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}
bool is_delimiter(char c) {
    return std::strchr("()[]{},=", c) != nullptr && c != '\0';
}

std::vector<std::string_view> tokens(std::string_view s) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && is_blank(s[i])) ++i;
        const std::size_t start = i;
        while (i < s.size() && !is_blank(s[i])) ++i;
        if (i > start) out.push_back(s.substr(start, i - start));
    }
    return out;
}

// The whole piece as a number, if it is one.
std::optional<double> number(std::string_view piece) {
    if (piece.empty()) return std::nullopt;
    const std::string s(piece);
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (end != s.c_str() + s.size()) return std::nullopt;
    return v;
}

bool pieces_equal(std::string_view a, std::string_view b) {
    if (a == b) return true;
    const auto x = number(a), y = number(b);
    if (!x || !y) return false;
    return *x == *y || (*x != *x && *y != *y);  // nan equals nan
}

// A token cut into pieces and the single delimiters between them.
std::vector<std::string_view> parts(std::string_view t) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (!is_delimiter(t[i])) continue;
        out.push_back(t.substr(start, i - start));
        out.push_back(t.substr(i, 1));
        start = i + 1;
    }
    out.push_back(t.substr(start));
    return out;
}

bool tokens_equal(std::string_view a, std::string_view b) {
    if (a == b) return true;
    const auto x = parts(a), y = parts(b);
    if (x.size() != y.size()) return false;
    for (std::size_t i = 0; i < x.size(); ++i)
        if (!pieces_equal(x[i], y[i])) return false;
    return true;
}

const struct {
    const char* name;
    Kind kind;
    bool has_text;
} kDirectives[] = {
    {"CHECK", Kind::check, true},
    {"CHECK-NEXT", Kind::next, true},
    {"CHECK-NOT", Kind::never, true},
    {"CHECK-EXIT", Kind::exit, true},
    {"CHECK-ERR", Kind::err, true},
    {"CHECK-LOG", Kind::log, true},
    {"CHECK-LOG-EMPTY", Kind::log_empty, false},
    {"ARGS", Kind::args, true},
};

// Where a failure is reported: at its directive, or at the file for
// expectations no directive states (the default exit status).
std::string place(const std::string& file, int line) {
    return line > 0 ? file + ":" + std::to_string(line) + ": error: " : file + ": error: ";
}

const char* name_of(Kind k) {
    for (const auto& d : kDirectives)
        if (d.kind == k) return d.name;
    return "?";
}

// Trace lines that take part in matching: remarks ("# ...") are skipped.
bool is_remark(const std::string& line) {
    return line == "#" || line.rfind("# ", 0) == 0;
}

// A trace line with its number in the whole trace, from 1.
struct Numbered {
    const std::string* text;
    std::size_t number;
};

std::string context(const std::vector<Numbered>& trace, std::size_t from) {
    if (from >= trace.size()) return "  (at the end of the trace)\n";
    std::string s = "  trace from there on:\n";
    for (std::size_t i = from; i < trace.size() && i < from + 8; ++i)
        s += "    " + std::to_string(trace[i].number) + ": " + *trace[i].text + "\n";
    return s;
}

}  // namespace

bool lines_equal(std::string_view expected, std::string_view actual) {
    const auto a = tokens(expected), b = tokens(actual);
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!tokens_equal(a[i], b[i])) return false;
    return true;
}

std::vector<std::string> split_lines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        lines.emplace_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    return lines;
}

Expectations parse(std::string_view scenario, std::string* error) {
    Expectations e;
    bool exit_seen = false;
    const auto lines = split_lines(scenario);
    for (std::size_t n = 0; n < lines.size(); ++n) {
        std::string_view l = lines[n];
        const int number = static_cast<int>(n) + 1;
        auto fail = [&](const std::string& what) {
            if (error->empty()) *error = std::to_string(number) + ": " + what;
        };
        if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
        while (!l.empty() && is_blank(l.front())) l.remove_prefix(1);
        // "#" then a blank (or nothing) is a comment; "#" then anything else
        // is a directive and must be a known one.
        if (l.size() < 2 || l[0] != '#' || is_blank(l[1])) continue;
        const std::size_t colon = l.find(':');
        std::string_view name = l.substr(1, colon == l.npos ? l.npos : colon - 1);
        while (!name.empty() && is_blank(name.back())) name.remove_suffix(1);
        bool known = false;
        for (const auto& d : kDirectives) {
            if (name != d.name) continue;
            known = true;
            if (d.has_text != (colon != l.npos)) {
                fail(std::string("#") + d.name +
                     (d.has_text ? " needs ': TEXT'" : " takes no text"));
                break;
            }
            std::string_view text = d.has_text ? l.substr(colon + 1) : std::string_view();
            // One blank after the colon belongs to the directive; the sound
            // log compares the rest byte by byte.
            if (!text.empty() && text.front() == ' ') text.remove_prefix(1);
            if (d.kind != Kind::log) {
                while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
            }
            if (d.kind == Kind::exit) {
                char* end = nullptr;
                const std::string t(text);
                const long v = std::strtol(t.c_str(), &end, 10);
                if (t.empty() || *end != '\0' || v < 0 || v > 255) {
                    fail("#CHECK-EXIT needs a status 0..255");
                } else if (exit_seen) {
                    fail("#CHECK-EXIT given twice");
                } else {
                    exit_seen = true;
                    e.exit_status = static_cast<int>(v);
                }
            } else if (d.kind == Kind::args) {
                for (auto t : tokens(text)) e.args.emplace_back(t);
            } else if ((d.kind == Kind::check || d.kind == Kind::next || d.kind == Kind::never ||
                        d.kind == Kind::err) &&
                       text.empty()) {
                fail(std::string("#") + d.name + " needs a text");
            }
            e.directives.push_back(Directive{d.kind, std::string(text), number});
            break;
        }
        if (!known) fail("unknown directive '#" + std::string(name) + "'");
    }
    bool log = false, empty = false;
    for (const auto& d : e.directives) {
        log = log || d.kind == Kind::log;
        empty = empty || d.kind == Kind::log_empty;
    }
    if (log && empty && error->empty()) *error = "0: #CHECK-LOG and #CHECK-LOG-EMPTY contradict";
    return e;
}

std::string check_trace(const Expectations& e, const std::vector<std::string>& all,
                        const std::string& file) {
    // Matching runs over the trace without its remarks; messages show the
    // lines as matched.
    std::vector<Numbered> trace;
    for (std::size_t i = 0; i < all.size(); ++i)
        if (!is_remark(all[i])) trace.push_back(Numbered{&all[i], i + 1});
    auto matches = [&](const Directive& d, std::size_t i) {
        return lines_equal(d.text, *trace[i].text);
    };

    std::string failures;
    std::size_t pos = 0;
    std::vector<const Directive*> nots;
    auto check_nots = [&](std::size_t end) {
        for (const Directive* n : nots)
            for (std::size_t i = pos; i < end && i < trace.size(); ++i)
                if (matches(*n, i))
                    failures += place(file, n->line) + "CHECK-NOT: found at trace line " +
                                std::to_string(trace[i].number) + ": " + *trace[i].text + "\n";
        nots.clear();
    };
    for (const Directive& d : e.directives) {
        if (d.kind == Kind::never) nots.push_back(&d);
        if (d.kind != Kind::check && d.kind != Kind::next) continue;
        std::size_t i = pos;
        if (d.kind == Kind::check) {
            while (i < trace.size() && !matches(d, i)) ++i;
        }
        if (i >= trace.size() || !matches(d, i)) {
            failures += place(file, d.line) + name_of(d.kind) + ": " +
                        (d.kind == Kind::check ? "no trace line matches"
                                               : "the next trace line does not match") +
                        "\n  expected: " + d.text + "\n" + context(trace, pos);
            return failures;  // later directives would only repeat the miss
        }
        check_nots(i);
        pos = i + 1;
    }
    check_nots(trace.size());
    return failures;
}

std::string check_stderr(const Expectations& e, const std::vector<std::string>& err,
                         const std::string& file) {
    std::size_t pos = 0;
    for (const Directive& d : e.directives) {
        if (d.kind != Kind::err) continue;
        while (pos < err.size() && err[pos] != d.text) ++pos;
        if (pos == err.size()) {
            std::string s = place(file, d.line) +
                            "CHECK-ERR: no such line on stderr\n  expected: " + d.text +
                            "\n  stderr:\n";
            for (const auto& l : err) s += "    " + l + "\n";
            return s;
        }
        ++pos;
    }
    return "";
}

std::string check_log(const Expectations& e, const std::optional<std::string>& log,
                      const std::string& file) {
    std::vector<const Directive*> expected;
    const Directive* empty = nullptr;
    for (const Directive& d : e.directives) {
        if (d.kind == Kind::log) expected.push_back(&d);
        if (d.kind == Kind::log_empty) empty = &d;
    }
    if (empty) {
        return log ? place(file, empty->line) + "CHECK-LOG-EMPTY: the sound log exists:\n" + *log
                   : "";
    }
    if (expected.empty()) return "";
    if (!log) return place(file, expected[0]->line) + "CHECK-LOG: there is no sound log\n";
    const auto lines = split_lines(*log);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (i >= lines.size())
            return place(file, expected[i]->line) + "CHECK-LOG: the sound log has only " +
                   std::to_string(lines.size()) + " lines\n";
        if (lines[i] != expected[i]->text)
            return place(file, expected[i]->line) + "CHECK-LOG: log line " + std::to_string(i + 1) +
                   " differs\n  expected: '" + expected[i]->text + "'\n  actual:   '" + lines[i] +
                   "'\n";
    }
    if (lines.size() > expected.size())
        return place(file, expected.back()->line) + "CHECK-LOG: the sound log goes on: '" +
               lines[expected.size()] + "'\n";
    if (!log->empty() && log->back() != '\n')
        return place(file, expected.back()->line) + "CHECK-LOG: no line end after the last line\n";
    return "";
}

std::string check_exit(const Expectations& e, int status, const std::string& file) {
    if (status == e.exit_status) return "";
    int line = 0;
    for (const Directive& d : e.directives)
        if (d.kind == Kind::exit) line = d.line;
    return place(file, line) + "exit status " + std::to_string(status) + ", expected " +
           std::to_string(e.exit_status) + "\n";
}

}  // namespace tracematch
