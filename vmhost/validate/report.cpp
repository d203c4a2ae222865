// What `vmhost validate` shows: the check list, the progress line while the
// battery runs (on a terminal only), the table of results, and the reports
// for CI systems: JUnit XML (one testsuite per plug-in, one testcase per
// check, valid against the schema Jenkins' xUnit plug-in checks and read by
// GitLab) and JSON. Everything from a plug-in arrives here with control
// bytes escaped; the XML and JSON also escape bytes above ASCII, which need
// not be UTF-8.
#include <cctype>
#include <cstdio>
#include <sstream>

#include "files.h"
#include "validate.h"

namespace vmhost::validate {
namespace {

const char* const kResultNames[] = {"PASS", "SKIP", "FAIL"};
const char* const kJsonResults[] = {"pass", "skip", "fail"};
// The table's reason column starts here; a failure's detail lines too.
constexpr int kReasonColumn = 21 + 1 + 6 + 1 + 8 + 1;

std::string seconds_text(double s, const char* format = "%.2fs") {
    char t[32];
    std::snprintf(t, sizeof t, format, s);
    return t;
}

std::string with_where(const Verdict& v) {
    return one_line(v.reason + (v.where.empty() ? "" : " " + v.where));
}

// What a failure (or WARN) comes with: the detail, then how to see it again.
std::string context_text(const Result& r) {
    std::string s = r.verdict.detail;
    if (!r.replay.empty()) s += "replay: " + r.replay + "\n";
    return s;
}

struct Counts {
    int pass = 0, skip = 0, fail = 0;
    explicit Counts(std::span<const Result> results) {
        for (const Result& r : results)
            ++(r.verdict.result == Verdict::pass   ? pass
               : r.verdict.result == Verdict::skip ? skip
                                                   : fail);
    }
};

std::string classname(const std::string& name) {
    std::string c = "vmhost.validate.";
    for (char ch : name)
        c += std::isalnum(static_cast<unsigned char>(ch)) || ch == '_' || ch == '-' ? ch : '_';
    return c;
}

}  // namespace

std::string json_escape(std::string_view s) {
    static const char hex[] = "0123456789abcdef";
    std::string j;
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            (j += '\\') += static_cast<char>(c);
        } else if (c == '\n') {
            j += "\\n";
        } else if (c < 0x20) {
            ((j += "\\u00") += hex[c >> 4]) += hex[c & 15];
        } else if (c >= 0x7f) {
            ((j += "\\\\x") += hex[c >> 4]) += hex[c & 15];
        } else {
            j += static_cast<char>(c);
        }
    }
    return j;
}

Progress::Progress(int total) : on_(stderr_is_terminal()), total_(total) {}

void Progress::show(int done, const char* id, const char* what) {
    done_ = done;
    id_ = id;
    if (!on_) return;
    // One line of a usual terminal's width, rewritten in place.
    std::fprintf(stderr, "\r[%d/%d] %-21s %-.44s\x1b[K", done, total_, id, what);
    std::fflush(stderr);
    shown_ = true;
}

void Progress::note(const char* what) {
    show(done_, id_, what);
}

void Progress::clear() {
    if (!shown_) return;
    std::fputs("\r\x1b[K", stderr);
    shown_ = false;
}

void print_list(std::FILE* out) {
    std::fprintf(out, "%-21s %-6s %s\n", "check", "level", "what it checks (and needs)");
    for (const Check* c : all_checks()) {
        std::fprintf(out, "%-21s %-6d %s", c->id, c->strictness, c->description);
        if (c->needs != kNothing) std::fprintf(out, " (needs %s)", needs_text(c->needs).c_str());
        std::fputc('\n', out);
    }
}

void print_table(std::FILE* out, const Battery& b) {
    std::fprintf(out, "%-21s %-6s %-8s %s\n", "check", "result", "time", "reason");
    for (const Result& r : b.results) {
        const Verdict& v = r.verdict;
        std::fprintf(out, "%-21s %-6s %-8s %s\n", r.check->id, kResultNames[v.result],
                     r.ran ? seconds_text(r.seconds).c_str() : "-", with_where(v).c_str());
        if (!v.warning.empty())
            std::fprintf(out, "%-21s %-6s %-8s %s\n", "", "WARN", "", one_line(v.warning).c_str());
        if (v.result != Verdict::fail) continue;
        for (std::string_view line : lines_of(v.detail))
            if (!line.empty())
                std::fprintf(out, "%*s%s\n", kReasonColumn, "", one_line(line).c_str());
    }
    const Counts n(b.results);
    std::fprintf(out, "\n%zu checks: %d passed, %d skipped, %d failed (%s)\n", b.results.size(),
                 n.pass, n.skip, n.fail, seconds_text(b.seconds).c_str());
    for (const Result& r : b.results)
        if (!r.replay.empty())
            std::fprintf(out, "%s: %s\n", r.check->id, one_line(r.replay).c_str());
}

std::string xml_escape(std::string_view s) {
    std::string x;
    for (unsigned char c : s) {
        switch (c) {
            case '&':
                x += "&amp;";
                break;
            case '<':
                x += "&lt;";
                break;
            case '>':
                x += "&gt;";
                break;
            case '"':
                x += "&quot;";
                break;
            case '\'':
                x += "&apos;";
                break;
            default:
                // XML 1.0 has no control characters but these three, and a
                // plug-in's bytes need not be UTF-8: the rest is written out.
                if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c >= 0x7f) {
                    static const char hex[] = "0123456789abcdef";
                    x += "\\x";
                    x += hex[c >> 4];
                    x += hex[c & 15];
                } else {
                    x += static_cast<char>(c);
                }
        }
    }
    return x;
}

std::string junit(std::span<const Battery> batteries, double seconds) {
    std::ostringstream out;
    int tests = 0, failures = 0;
    for (const Battery& b : batteries) {
        tests += static_cast<int>(b.results.size());
        failures += Counts(b.results).fail;
    }
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << kOurXml << "\n<testsuites name=\"vmhost validate\" tests=\"" << tests << "\" failures=\""
        << failures << "\" errors=\"0\" time=\"" << seconds_text(seconds, "%.3f") << "\">\n";
    for (const Battery& b : batteries) {
        const Counts n(b.results);
        out << "  <testsuite name=\"" << xml_escape(b.name) << "\" tests=\"" << b.results.size()
            << "\" failures=\"" << n.fail << "\" errors=\"0\" skipped=\"" << n.skip << "\" time=\""
            << seconds_text(b.seconds, "%.3f") << "\">\n";
        for (const Result& r : b.results) {
            const Verdict& v = r.verdict;
            out << "    <testcase classname=\"" << xml_escape(classname(b.name)) << "\" name=\""
                << xml_escape(r.check->id) << "\" time=\"" << seconds_text(r.seconds, "%.3f")
                << "\">\n";
            if (v.result == Verdict::fail) {
                out << "      <failure type=\"" << failure_name(v.kind) << "\" message=\""
                    << xml_escape(with_where(v)) << "\">" << xml_escape(context_text(r))
                    << "</failure>\n";
            } else if (v.result == Verdict::skip) {
                out << "      <skipped message=\"" << xml_escape(one_line(v.reason)) << "\"/>\n";
            }
            // What a passing case shows (its measurements, a WARN), and the
            // files to look at, as GitLab attaches them.
            // (Built up in steps: GCC 12 warns falsely about "..." + std::string.)
            std::string text = v.result == Verdict::pass ? one_line(v.reason) : "";
            const auto add_line = [&text](const std::string& line) {
                if (!text.empty()) text += '\n';
                text += line;
            };
            if (!v.warning.empty()) {
                add_line("WARN");
                text.append(1, ' ').append(one_line(v.warning)).append(1, '\n');
                text += context_text(r);
            }
            for (const std::string* file : {&r.repro, &r.trace}) {
                if (file->empty()) continue;
                add_line("[[ATTACHMENT|");
                text.append(*file).append("]]");
            }
            if (!text.empty()) out << "      <system-out>" << xml_escape(text) << "</system-out>\n";
            out << "    </testcase>\n";
        }
        out << "  </testsuite>\n";
    }
    out << "</testsuites>\n";
    return out.str();
}

std::string json(std::span<const Battery> batteries, double seconds, std::uint64_t seed,
                 int strictness) {
    std::ostringstream out;
    out << kOurJson << ", \"seed\": " << seed << ", \"strictness\": " << strictness
        << ", \"seconds\": " << seconds_text(seconds, "%.3f") << ",\n \"plugins\": [";
    const char* between = "\n";
    for (const Battery& b : batteries) {
        const Counts n(b.results);
        out << between << "  {\"name\": \"" << json_escape(b.name) << "\", \"plugin\": \""
            << json_escape(b.plugin) << "\", \"seconds\": " << seconds_text(b.seconds, "%.3f")
            << ", \"passed\": " << n.pass << ", \"skipped\": " << n.skip
            << ", \"failed\": " << n.fail << ",\n   \"checks\": [";
        const char* next = "\n";
        for (const Result& r : b.results) {
            const Verdict& v = r.verdict;
            out << next << "    {\"id\": \"" << r.check->id << "\", \"result\": \""
                << kJsonResults[v.result] << "\", \"type\": \"" << failure_name(v.kind)
                << "\", \"seconds\": " << seconds_text(r.seconds, "%.3f");
            const std::pair<const char*, std::string> texts[] = {{"reason", one_line(v.reason)},
                                                                 {"where", one_line(v.where)},
                                                                 {"warning", one_line(v.warning)},
                                                                 {"detail", v.detail},
                                                                 {"replay", r.replay},
                                                                 {"repro", r.repro},
                                                                 {"trace", r.trace}};
            for (const auto& [key, text] : texts)
                out << ", \"" << key << "\": \"" << json_escape(text) << "\"";
            out << "}";
            next = ",\n";
        }
        out << "]}";
        between = ",\n";
    }
    out << "]}\n";
    return out.str();
}

}  // namespace vmhost::validate
