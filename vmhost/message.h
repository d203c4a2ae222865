// What vmhost tells its user about a scenario: text from the scenario or the
// system made safe to show, and a run's messages on the error stream.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

namespace vmhost {

inline bool is_control(unsigned char c) {
    return c < 0x20 || c == 0x7f;
}

// A token in a message: quoted, control bytes escaped, long ones cut short.
std::string quote(std::string_view s);
// Text for a message (a file name, the system's reason, a number as
// written): control bytes escaped as \xNN, so that nothing echoed can drive
// the terminal, and cut short after `max` bytes.
std::string printable(std::string_view s, std::size_t max = std::string_view::npos);
// A file name in a message: quoted, control bytes escaped, never cut.
std::string quote_path(std::string_view path);

// Where a run's messages go: "SCENARIO:LINE: KIND: WHAT" on the error
// stream, "SCENARIO: KIND: WHAT" for the scenario as a whole (line 0); and
// the progress line, redrawn in place, which a message first ends.
class Messages {
  public:
    // `scenario` as messages show it (printable).
    Messages(std::FILE* err, std::string scenario) : err_(err), scenario_(std::move(scenario)) {}

    void put(long long line, const char* kind, const std::string& what);
    void progress(const char* text);
    void end_progress();

  private:
    std::FILE* err_;
    std::string scenario_;
    bool progress_shown_ = false;
};

}  // namespace vmhost
