// Checking a vmhost run against the expectations written into its scenario
// file as comment directives (#CHECK: and friends; tests/scenarios/README.md).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tracematch {

// Two trace lines are equal when their blank-separated tokens are. Tokens are
// cut further at ( ) [ ] { } , = ; pieces that both read as numbers compare
// by value (3e+05 equals 300000, nan equals nan), all else by exact text.
bool lines_equal(std::string_view expected, std::string_view actual);

enum class Kind { check, next, never, exit, err, log, log_empty, args };

struct Directive {
    Kind kind;
    std::string text;
    int line;  // in the scenario file, from 1
};

struct Expectations {
    std::vector<Directive> directives;  // in file order
    int exit_status = 0;
    std::vector<std::string> args;  // from #ARGS
};

// The directives of a scenario file; an unknown or malformed directive gives
// `error` as "LINE: WHAT".
Expectations parse(std::string_view scenario, std::string* error);

// The lines of a text, without their line ends.
std::vector<std::string> split_lines(std::string_view text);

// Each check returns the failures as "FILE:LINE: error: ..." paragraphs,
// empty when everything matched.
std::string check_trace(const Expectations& e, const std::vector<std::string>& trace,
                        const std::string& file);
std::string check_stderr(const Expectations& e, const std::vector<std::string>& err,
                         const std::string& file);
// `log` is the sound log's content, or nothing when there is no such file.
std::string check_log(const Expectations& e, const std::optional<std::string>& log,
                      const std::string& file);
std::string check_exit(const Expectations& e, int status, const std::string& file);

}  // namespace tracematch
