// The command-line conventions: options, errors, suggestions, checked output.
#include "cli.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "files.h"
#include "message.h"
#include "scenario.h"

namespace vmhost::cli {
namespace {

// Names this many or fewer are listed whole after a typo.
constexpr std::size_t kShortList = 16;

char lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// Edits (insert, delete, replace, swap two neighbours) from `a` to `b`, in
// any letter case: "altitdue" is one from "altitude", "Olumbra" none from
// "olumbra".
std::size_t distance(std::string_view a, std::string_view b) {
    const std::size_t n = b.size() + 1;
    std::vector<std::size_t> d((a.size() + 1) * n);
    auto at = [&](std::size_t i, std::size_t j) -> std::size_t& { return d[i * n + j]; };
    for (std::size_t i = 0; i <= a.size(); ++i) at(i, 0) = i;
    for (std::size_t j = 0; j <= b.size(); ++j) at(0, j) = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t change = lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1;
            at(i, j) = std::min({at(i - 1, j) + 1, at(i, j - 1) + 1, at(i - 1, j - 1) + change});
            if (i > 1 && j > 1 && lower(a[i - 1]) == lower(b[j - 2]) &&
                lower(a[i - 2]) == lower(b[j - 1]))
                at(i, j) = std::min(at(i, j), at(i - 2, j - 2) + 1);
        }
    }
    return at(a.size(), b.size());
}

// "a FILE", "an ID": the article as the value's name is spoken.
std::string a_value(const char* value) {
    const bool vowel =
        std::strchr("AEIOU", value[0]) || (value[1] == '\0' && std::strchr("FHLMNRSX", value[0]));
    return (vowel ? "an " : "a ") + std::string(value);
}

}  // namespace

const std::vector<std::string>& Arguments::all(std::string_view name) const {
    static const std::vector<std::string> none;
    for (std::size_t i = 0; i < options.size(); ++i)
        if (name == options[i].name) return every[i];
    return none;
}

const std::optional<std::string>& Arguments::operator[](std::string_view name) const {
    static const std::optional<std::string> none;
    for (std::size_t i = 0; i < options.size(); ++i)
        if (name == options[i].name) return values[i];
    return none;
}

std::optional<Problem> parse(std::span<const Option> options, int argc, char** argv,
                             Arguments& out) {
    out.options = options;
    out.values.assign(options.size(), std::nullopt);
    out.every.assign(options.size(), {});
    bool operands_only = false;
    for (int i = 0; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (operands_only || a == "-" || !a.starts_with('-')) {
            out.operands.emplace_back(a);
        } else if (a == "--") {
            operands_only = true;
        } else if (a == "-h" || a == "--help") {
            out.help = true;
        } else {
            const std::size_t eq = a.find('=');
            const std::string name(a.substr(0, eq));
            if (name == "--help") return Problem{name + " takes no value"};
            const auto o = std::find_if(options.begin(), options.end(),
                                        [&](const Option& known) { return name == known.name; });
            if (o == options.end()) {
                std::vector<std::string> names;
                for (const Option& known : options)
                    if (!known.hidden) names.emplace_back(known.name);
                names.emplace_back("--help");
                return Problem{"unknown option " + quote(name), suggest(name, names, "options")};
            }
            std::optional<std::string>& value = out.values[o - options.begin()];
            if (value && !o->repeats) return Problem{name + " given twice"};
            if (!o->value) {
                if (eq != std::string_view::npos) return Problem{name + " takes no value"};
                value = "";
            } else if (eq != std::string_view::npos) {
                value = std::string(a.substr(eq + 1));
            } else if (i + 1 < argc) {
                value = argv[++i];
            } else {
                return Problem{name + " needs " + a_value(o->value)};
            }
            out.every[o - options.begin()].push_back(*value);
        }
    }
    return std::nullopt;
}

std::vector<std::string> suggest(std::string_view given, const std::vector<std::string>& names,
                                 const char* what) {
    std::vector<std::string> notes;
    const std::string* nearest = nullptr;
    std::size_t best = std::max<std::size_t>(1, given.size() / 3);
    for (const std::string& name : names) {
        const std::size_t d = distance(given, name);
        // Of two as near, the one `given` begins: "of" is more likely "off" than "on".
        const bool better = !nearest || d < best ||
                            (d == best && name.starts_with(given) && !nearest->starts_with(given));
        if (d <= best && better) nearest = &name, best = d;
    }
    if (nearest) notes.push_back("did you mean " + quote(*nearest) + "?");
    if (what && names.size() <= kShortList) {
        std::string list = std::string("known ") + what + ":";
        for (const std::string& name : names) list += (list.back() == ':' ? " " : ", ") + name;
        notes.push_back(list);
    }
    return notes;
}

bool number(const std::string& value, double lo, double hi, double* v) {
    char* end = nullptr;
    *v = std::strtod(value.c_str(), &end);
    return !value.empty() && end && !*end && *v >= lo && *v <= hi;
}

bool seed(const std::string& value, std::uint64_t* v) {
    char* end = nullptr;
    errno = 0;
    *v = std::strtoull(value.c_str(), &end, 10);
    return std::isdigit(static_cast<unsigned char>(value[0])) && !*end && errno != ERANGE;
}

int usage_error(std::string_view command, const Problem& problem) {
    std::fprintf(stderr, "vmhost: error: %s\n", problem.what.c_str());
    for (const std::string& note : problem.notes)
        std::fprintf(stderr, "vmhost: note: %s\n", note.c_str());
    const std::string hint = command.empty() ? "vmhost" : "vmhost " + std::string(command);
    std::fprintf(stderr, "try '%s --help'\n", hint.c_str());
    return kBadInput;
}

int error(const std::string& what) {
    std::fprintf(stderr, "vmhost: error: %s\n", what.c_str());
    return kBadInput;
}

int failed(const Output& out, const char* what) {
    if (out.error == EPIPE) return kBrokenPipe;
    return error(out.message(what));
}

int flushed(const char* what) {
    Output out{stdout, "to standard output"};
    return out.flush() ? kOk : failed(out, what);
}

int print(std::string_view text, const char* what) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    return flushed(what);
}

}  // namespace vmhost::cli
