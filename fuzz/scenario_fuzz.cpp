// vmhost's scenario reader on arbitrary text, cut into lines as run_scenario
// cuts it: the tokens, the command table with its argument counts, each line
// read into its typed command, and every argument through one of the
// reader's number, key and name readers. No plug-in is loaded and nothing
// runs, so this is fast. Whatever the text, a reader either keeps its promise
// or throws an Error whose message holds no control byte (the reader quotes
// what it read, so that nothing echoed can drive a terminal); anything else
// (a crash, a sanitizer report, another exception, a broken promise) is a
// finding.
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

#include "reader.h"

namespace {

void check(bool ok, const char* promise, std::string_view token) {
    if (ok) return;
    std::fprintf(stderr, "broken promise: %s, for %s\n", promise, vmhost::quote(token).c_str());
    std::abort();
}

bool ascii(std::string_view s) {
    for (unsigned char c : s)
        if (c < 0x20 || c >= 0x7f) return false;
    return true;
}

bool without_control(std::string_view s) {
    for (unsigned char c : s)
        if (c < 0x20 || c == 0x7f) return false;
    return true;
}

// Runs `read`; true when it refused, with a message free of control bytes.
template <class Read>
bool refused(Read&& read, std::string_view token) {
    try {
        read();
        return false;
    } catch (const vmhost::Error& e) {
        bool clean = !e.what.empty() && without_control(e.what) && without_control(e.note);
        for (const std::string& hint : e.hints) clean = clean && without_control(hint);
        check(clean, "an error message holds no control byte", token);
        return true;
    }
}

// The integer ranges the commands read.
const struct {
    long long lo, hi;
} kRanges[] = {{0, vmhost::kMaxSteps}, {INT32_MIN, INT32_MAX}, {0, INT32_MAX}, {0, 255}};

// A token as each reader reads it, one reader a token (which one turns with
// the token's place, so that every reader meets every token the mutations
// move about): a refused token throws, and throwing is slow.
void read_argument(const std::string& t, std::size_t place) {
    const std::string q = vmhost::quote(t);
    check(q.size() >= 2 && q.size() <= 2 + 64 * 4 + 3 && q.front() == '\'' && q.back() == '\'' &&
              ascii(q),
          "a quoted token is short and printable ASCII", t);
    constexpr std::size_t kIntegers = std::size(kRanges) * 2;  // bases 10 and 0
    switch (const std::size_t reader = place % (kIntegers + 3); reader) {
        case kIntegers: {
            double real = 0;
            if (refused([&] { real = vmhost::parse_real(t); }, t)) break;
            const double expected = std::strtod(t.c_str(), nullptr);
            check(real == expected || (std::isnan(real) && std::isnan(expected)),
                  "a real reads as strtod reads it", t);
            break;
        }
        case kIntegers + 1: {
            long long key = 0;
            if (!refused([&] { key = vmhost::parse_key(t); }, t))
                check(0 <= key && key <= 255, "a key is a code 0..255", t);
            break;
        }
        case kIntegers + 2: {
            if (refused([&] { vmhost::check_vessel_name(t); }, t)) break;
            bool plain = !t.empty();
            for (unsigned char c : t) plain = plain && (std::isalnum(c) || c == '_');
            check(plain, "a vessel name is letters, digits and _", t);
            (void)vmhost::find_quantity(t);
            break;
        }
        default: {
            const auto& r = kRanges[reader / 2];
            long long v = 0;
            if (!refused(
                    [&] { v = vmhost::parse_integer(t, r.lo, r.hi, "n", reader % 2 ? 0 : 10); }, t))
                check(r.lo <= v && v <= r.hi, "an integer is within its range", t);
            break;
        }
    }
}

// What a command read promises the runner.
template <class C>
void check_command(const C& c, std::string_view line) {
    namespace cmd = vmhost::cmd;
    if constexpr (std::is_same_v<C, cmd::Create>) {
        check(!refused([&] { vmhost::check_vessel_name(c.name); }, c.name),
              "a new vessel's name is one a vessel may have", line);
    } else if constexpr (std::is_same_v<C, cmd::Key>) {
        check(c.code <= 255, "a key is a code 0..255", line);
    } else if constexpr (std::is_same_v<C, cmd::Step>) {
        check(0 <= c.count && c.count <= vmhost::kMaxSteps, "a step count is within its range",
              line);
    } else if constexpr (std::is_same_v<C, cmd::Until>) {
        check(0 <= c.limit && c.limit <= vmhost::kMaxSteps, "a step limit is within its range",
              line);
    } else if constexpr (std::is_same_v<C, cmd::SetReading>) {
        check(c.reading != host::Reading::ground || c.value == 0 || c.value == 1,
              "ground is 0 or 1", line);
    }
}

void read_line(std::string_view line, std::size_t number) {
    const vmhost::Args args = vmhost::tokens(line);
    std::size_t letters = 0;
    for (const std::string& t : args) {
        check(!t.empty(), "a token is not empty", line);
        for (unsigned char c : t) check(!std::isspace(c) && c != '#', "a token is one word", t);
        letters += t.size();
    }
    std::size_t expected = 0;
    for (unsigned char c : line.substr(0, line.find('#'))) expected += !std::isspace(c);
    check(letters == expected, "the tokens are the line's words", line);
    if (args.empty()) return;

    const vmhost::Row* row = nullptr;
    if (!refused([&] { row = &vmhost::command_for(args); }, args[0])) {
        const std::string_view usage = row->usage;
        check(usage.substr(0, usage.find(' ')) == args[0], "a line calls the command it names",
              line);
        vmhost::Line read{};
        if (!refused([&] { read = vmhost::read_line(*row, args, 1); }, line))
            std::visit([&](const auto& c) { check_command(c, line); }, read.command);
    }
    for (std::size_t i = 0; i < args.size(); ++i) read_argument(args[i], number + i);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::size_t pos = 0;
    std::size_t number = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        read_line(text.substr(pos, end - pos), number++);
        pos = end + 1;
    }
    return 0;
}
