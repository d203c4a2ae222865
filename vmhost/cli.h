// The conventions every vmhost command follows on its command line, written
// once: options read from a table (`--opt VALUE`, `--opt=VALUE`, `--` ending
// the options, `-` an operand like any other), one error format
// ("vmhost: error: WHAT", then "vmhost: note: ..." lines, then a one-line
// hint where to read on), the nearest valid name for a typo, and text for
// standard output whose every write is checked.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vmhost {
struct Output;
}

namespace vmhost::cli {

// The status of a run whose reader closed standard output early
// (`vmhost run s.vms | head`): 128 + SIGPIPE, what a POSIX shell shows for a
// process that signal ended. vmhost ends so quietly, on every platform, also
// where SIGPIPE is ignored and a write fails with EPIPE instead.
inline constexpr int kBrokenPipe = 141;

// An option of a command. Every command also knows -h and --help.
struct Option {
    const char* name;      // "--trace"
    const char* value;     // what its value stands for, "FILE"; null for a flag
    const char* help;      // for the command's --help; a line each after '\n'
    bool repeats = false;  // may be given again, each value kept
    bool hidden = false;   // in no help and no suggestion
};

// A command line as a command's option table read it.
struct Arguments {
    std::vector<std::optional<std::string>> values;  // per option of the table; a flag's is ""
    std::vector<std::vector<std::string>> every;     // per option: all its values, in order
    std::vector<std::string> operands;               // in order; "-" among them
    bool help = false;

    // The value of option `name` of the table, if it was given.
    const std::optional<std::string>& operator[](std::string_view name) const;
    // Every value of option `name` (one that repeats), in order.
    const std::vector<std::string>& all(std::string_view name) const;

    std::span<const Option> options;
};

// A command of vmhost: its row in vmhost's help, its own help (made from
// these fields, the options from their table) and what runs it.
struct Command {
    const char* name;
    const char* usage;    // what follows "vmhost NAME"; another synopsis on a line of its own
    const char* summary;  // its line in vmhost's help; null for a hidden command
    std::span<const Option> options;
    std::string (*about)();  // what it does, for its help
    const char* statuses;    // its exit statuses, for its help
    const char* page;        // its page in the documentation, where its help sends the reader
    int (*main)(const Arguments& args);
};

// A usage error: what is wrong, and notes on what would be right.
struct Problem {
    std::string what;
    std::vector<std::string> notes = {};
};

// Reads the arguments after the command against its option table. An
// unknown option (with the nearest known one), an option given twice, a
// value missing or given to a flag: a Problem.
std::optional<Problem> parse(std::span<const Option> options, int argc, char** argv,
                             Arguments& out);

// The notes for `given`, which is none of `names`: "did you mean 'X'?" with
// the nearest name, compared in any letter case, when it is near enough to
// be a typo; and, where the names are few, all of them ("known WHAT: a, b"),
// unless `what` is null (the message lists them already).
std::vector<std::string> suggest(std::string_view given, const std::vector<std::string>& names,
                                 const char* what = nullptr);

// An option's value as a number from lo to hi, as strtod reads it with
// nothing after it: true, and *v set; else false.
bool number(const std::string& value, double lo, double hi, double* v);

// An option's value as a seed from 0 to 2^64 - 1, decimal digits alone (no
// sign, no blank, which strtoull would take): true, and *v set; else false.
bool seed(const std::string& value, std::uint64_t* v);

// Prints a usage error on standard error, its notes after it and the hint
// "try 'vmhost COMMAND --help'" (`command` empty: 'vmhost --help'); returns
// the status of a bad command line.
int usage_error(std::string_view command, const Problem& problem);

// Prints "vmhost: error: WHAT" on standard error; returns the status of a
// bad command line.
int error(const std::string& what);

// The status after `out` failed: quietly kBrokenPipe where its reader went
// away, else "cannot write WHAT NAME: REASON" and the status of a bad input.
int failed(const Output& out, const char* what);

// Standard output flushed, every write to it so far checked: 0, or the
// status of failed(..., what).
int flushed(const char* what);

// Writes `text` to standard output, checked through the last flush: 0, or
// the status of failed(..., what).
int print(std::string_view text, const char* what);

}  // namespace vmhost::cli
