// What `vmhost validate` shows: the check list, the progress line while the
// battery runs (on a terminal only), the table of results and the JUnit XML
// report for CI systems, one testcase per check.
#include <cstdio>
#include <sstream>

#include "files.h"
#include "validate.h"

namespace vmhost::validate {
namespace {

const char* const kResultNames[] = {"PASS", "SKIP", "FAIL"};

std::string seconds_text(double s) {
    char t[32];
    std::snprintf(t, sizeof t, "%.2fs", s);
    return t;
}

}  // namespace

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
    for (const Check& c : all_checks()) {
        std::fprintf(out, "%-21s %-6d %s", c.id, c.strictness, c.description);
        if (c.needs != kNothing) std::fprintf(out, " (needs %s)", needs_text(c.needs).c_str());
        std::fputc('\n', out);
    }
}

void print_table(std::FILE* out, std::span<const Result> results, double seconds) {
    int counts[3] = {};
    std::fprintf(out, "%-21s %-6s %-8s %s\n", "check", "result", "time", "reason");
    for (const Result& r : results) {
        const Verdict& v = r.verdict;
        ++counts[v.result];
        std::string reason = v.reason;
        if (!v.where.empty()) reason += " " + v.where;
        std::fprintf(out, "%-21s %-6s %-8s %s\n", r.check->id, kResultNames[v.result],
                     r.ran ? seconds_text(r.seconds).c_str() : "-", reason.c_str());
        if (!v.warning.empty())
            std::fprintf(out, "%-21s %-6s %-8s %s\n", "", "WARN", "", v.warning.c_str());
    }
    std::fprintf(out, "\n%zu checks: %d passed, %d skipped, %d failed (%s)\n", results.size(),
                 counts[Verdict::pass], counts[Verdict::skip], counts[Verdict::fail],
                 seconds_text(seconds).c_str());
    for (const Result& r : results)
        if (!r.replay.empty()) std::fprintf(out, "%s: %s\n", r.check->id, r.replay.c_str());
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

std::string junit(const std::string& suite, std::span<const Result> results, double seconds) {
    int failures = 0, skipped = 0;
    for (const Result& r : results) {
        failures += r.verdict.result == Verdict::fail;
        skipped += r.verdict.result == Verdict::skip;
    }
    std::ostringstream out;
    char head[256];
    std::snprintf(head, sizeof head, "tests=\"%zu\" failures=\"%d\" skipped=\"%d\" time=\"%.3f\"",
                  results.size(), failures, skipped, seconds);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites " << head << ">\n"
        << "  <testsuite name=\"" << xml_escape(suite) << "\" " << head << ">\n";
    for (const Result& r : results) {
        const Verdict& v = r.verdict;
        char time[32];
        std::snprintf(time, sizeof time, "%.3f", r.seconds);
        out << "    <testcase classname=\"vmhost.validate\" name=\"" << xml_escape(r.check->id)
            << "\" time=\"" << time << "\"";
        std::string text = v.reason + (v.where.empty() ? "" : " " + v.where);
        if (!r.replay.empty()) text += "\n" + r.replay;
        if (v.result == Verdict::fail) {
            out << ">\n      <failure message=\"" << xml_escape(v.reason) << "\">"
                << xml_escape(text) << "</failure>\n    </testcase>\n";
        } else if (v.result == Verdict::skip) {
            out << ">\n      <skipped message=\"" << xml_escape(v.reason)
                << "\"/>\n    </testcase>\n";
        } else if (!v.warning.empty() || !v.reason.empty()) {
            out << ">\n      <system-out>" << xml_escape(v.reason)
                << (v.warning.empty() ? "" : "\nWARN " + xml_escape(v.warning))
                << "</system-out>\n    </testcase>\n";
        } else {
            out << "/>\n";
        }
    }
    out << "  </testsuite>\n</testsuites>\n";
    return out.str();
}

}  // namespace vmhost::validate
