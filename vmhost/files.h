// The files vmhost reads and writes: the scenario, read whole within a
// limit; the streams it writes (the trace, the flight summary), where every
// failed write, flush or close is kept with the system's reason; the
// report's files, each written at once, and the manifest of a report folder;
// whether a standard stream is a terminal, and how wide.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace vmhost {

// The most a scenario file may hold: far beyond any written by hand or by a
// generator, and still a bound for an endless input such as /dev/zero.
inline constexpr std::size_t kMaxScenarioBytes = std::size_t{64} << 20;

// Reads the scenario file `path` into `text`; "-" is standard input. False,
// with "cannot read scenario 'PATH': REASON" in `why`, when it cannot be read
// to its end.
bool read_scenario(const std::string& path, std::string* text, std::string* why);
// The same for any file of text of at most `limit` bytes: "cannot read WHAT
// 'PATH': REASON".
bool read_text(const std::string& path, const char* what, std::size_t limit, std::string* text,
               std::string* why);

// True when `a` is a regular file and `b` names it too, also through a
// symbolic or a hard link.
bool same_file(const std::string& a, const std::string& b);

// Why the report in folder `dir` could write over the trace or the scenario
// (either may be null): the folder holds it under a name the report writes
// (index.html, NAME.csv, NAME.svg, in any letter case), which the vessels'
// names, known only after the run, may well give. Empty when it cannot.
std::string report_clash(const char* dir, const char* trace, const char* scenario);

// The reason of a write that failed just now: errno, EIO when the C library
// set none, EPIPE when the reader of a pipe went away (also where the system
// reports that otherwise).
int write_failure();

// A stream vmhost writes. The first failure is kept: a flush or close that
// fails, or the stream's error flag, set when a write failed earlier (the
// host library writes the trace's lines with fwrite and does not look).
struct Output {
    std::FILE* file = nullptr;
    std::string name;  // in messages: "'FILE'" or "to standard output"
    int error = 0;     // errno of the first failure

    // Flushes the stream; true while nothing has failed.
    bool flush();
    // Flushes and closes it (standard output stays open); true while
    // nothing has failed.
    bool close();
    // "cannot write WHAT NAME: REASON".
    std::string message(const char* what) const;
};

// Writes `text` to the file `path` at once: a report's file, a repro of
// validate. False, with "cannot write WHAT 'PATH': REASON" in `why`, when it
// cannot be written whole.
bool write_file(const std::string& path, std::string_view text, const char* what, std::string* why);

// The file in a report folder that lists the files vmhost wrote there.
inline constexpr char kReportManifest[] = "vmhost-report.txt";

// After a report's files `written` (names in the folder `dir`) are written:
// the files an earlier report listed in the folder's manifest and this one
// did not write again are removed, and the manifest lists this report's. So
// the folder holds exactly the current report, and nothing vmhost did not
// write is touched. False, with the reason in `why`, when the manifest
// cannot be written.
bool replace_report(const std::string& dir, const std::vector<std::string>& written,
                    std::string* why);

// Whether a stream is a terminal, where a progress line may be redrawn.
bool is_terminal(std::FILE* stream);
bool stderr_is_terminal();
// The width of the terminal `stream` shows on, in columns; 80 when it cannot
// be told.
int terminal_width(std::FILE* stream);

}  // namespace vmhost
