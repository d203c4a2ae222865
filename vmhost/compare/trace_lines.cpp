// A trace read for comparing. One scanner splits a line into words, numbers,
// handles and texts; reading the trace hashes each line's shape with it, and
// a line that differs is scanned again for its numbers and its call. Numbers
// are found by their form, never converted while reading: only lines that
// differ in their bytes are compared by value.
#include <algorithm>
#include <charconv>
#include <cstring>

#include "compare.h"

namespace vmhost::compare {
namespace {

constexpr std::string_view kHandlePrefixes[kHandleKinds] = {"mesh", "ph", "th", "thg", "ac",
                                                            "tf",   "bl", "ex", "mfd", "cf"};

// Calls whose leading integers name what they act on, so that they are
// part of the call: SetAnimation 10 is another call than SetAnimation 11.
// (A post-step's numbers are its time, which keys its block instead.)
// clang-format off
const struct {
    std::string_view call;
    int ids;
} kIds[] = {
    {"SetAnimation", 1},            {"AddAnimationComponent", 1},
    {"SetControlSurfaceLevel", 1},  {"GetControlSurfaceLevel", 1},
    {"CreateControlSurface", 1},    {"CreateAirfoil", 1},
    {"SetMeshVisibilityMode", 1},   {"vmapiVCRegisterMFD", 1},
    {"clbkConsumeBufferedKey", 1},  {"clbkLoadVC", 1},
    {"light", 1},                   {"ReplaceStockVMSound3", 1},
    // The sound add-on's calls: the vessel's sound id and the slot.
    {"LoadVesselWaveVMSound3", 2},  {"PlayVesselWaveVMSound3", 2},
    {"PlayVesselExclusiveWaveVMSound3", 2}, {"StopVesselWave3", 2},
    {"IsPlayingVesselWave3", 2},    {"IsPlayingRadioVesselWave", 2},
    {"SetFrequency", 2},            {"SoundOption3", 2},
};
// clang-format on

constexpr std::string_view kPostStep = "> clbkPostStep ";
// A host call from a thread of the plug-in's own: where it stands depends on
// how the threads ran, so it is left out like a remark (the broken host
// contract is named apart).
constexpr std::string_view kForeignCall = "! host call from a foreign thread: ";

bool digit(char c) {
    return c >= '0' && c <= '9';
}
bool word_start(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool word_char(char c) {
    return word_start(c) || digit(c);
}

// A line's prefix ("> ", "~ "...) is kept with its first word; the call's
// name is that word.
std::size_t prefix_size(std::string_view line) {
    return line.size() >= 2 && line[1] == ' ' && std::strchr("><~*!", line[0]) ? 2 : 0;
}

std::string_view first_word(std::string_view line) {
    const std::size_t from = prefix_size(line);
    std::size_t to = from;
    while (to < line.size() && word_char(line[to])) ++to;
    return line.substr(from, to - from);
}

int id_count(std::string_view line) {
    const std::string_view name = first_word(line);
    for (const auto& row : kIds)
        if (row.call == name) return row.ids;
    return 0;
}

// The end of the number that starts at p: an optional minus, digits with an
// optional fraction and exponent, or nan or inf; p where none starts.
const char* number_end(const char* p, const char* e) {
    const char* q = p;
    if (q < e && *q == '-') ++q;
    for (std::string_view special : {"nan", "inf"})
        if (static_cast<std::size_t>(e - q) >= 3 && std::memcmp(q, special.data(), 3) == 0)
            return q + 3 < e && word_char(q[3]) ? p : q + 3;
    const char* digits = q;
    while (q < e && digit(*q)) ++q;
    bool any = q > digits;
    if (q < e && *q == '.') {
        const char* fraction = ++q;
        while (q < e && digit(*q)) ++q;
        any = any || q > fraction;
    }
    if (!any) return p;
    if (q < e && (*q == 'e' || *q == 'E')) {
        const char* r = q + 1;
        if (r < e && (*r == '+' || *r == '-')) ++r;
        if (r < e && digit(*r)) {
            while (r < e && digit(*r)) ++r;
            q = r;
        }
    }
    return q;
}

// A handle or record name: a kind's prefix and a number from 1, as a whole word.
bool as_handle(std::string_view word, Trace::Handle* h) {
    std::size_t d = word.size();
    while (d > 0 && digit(word[d - 1])) --d;
    if (d == word.size() || d == 0 || word[d] == '0' || word.size() - d > 7) return false;
    for (int k = 0; k < kHandleKinds; ++k) {
        if (word.substr(0, d) != kHandlePrefixes[k]) continue;
        std::uint32_t n = 0;
        std::from_chars(word.data() + d, word.data() + word.size(), n);
        if (n >= kMaxHandle) return false;
        *h = {static_cast<HandleKind>(k), n};
        return true;
    }
    return false;
}

// Splits a line into what the visitor is told: text(piece) for what is
// compared as written (words, punctuation, quoted texts whole), number(piece,
// id) for a number (id: one of the call's leading ids), handle(h).
template <class Visitor>
void scan(std::string_view line, Visitor& v) {
    int ids = id_count(line);
    const char* p = line.data();
    const char* const e = p + line.size();
    while (p < e) {
        const char c = *p;
        const char* q = p + 1;
        if (c == '"') {
            // A text runs to the next quote: texts are written as passed.
            while (q < e && *q != '"') ++q;
            if (q < e) ++q;
            v.text(std::string_view(p, static_cast<std::size_t>(q - p)));
        } else if (word_start(c)) {
            while (q < e && word_char(*q)) ++q;
            const std::string_view word(p, static_cast<std::size_t>(q - p));
            Trace::Handle h{};
            if (word == "nan" || word == "inf") {
                v.number(word, ids-- > 0);
            } else if (as_handle(word, &h)) {
                v.handle(h);
            } else {
                v.text(word);
            }
        } else if ((q = number_end(p, e)) != p) {
            v.number(std::string_view(p, static_cast<std::size_t>(q - p)), ids-- > 0);
        } else {
            q = p + 1;
            v.text(std::string_view(p, 1));
        }
        p = q;
    }
}

// FNV-1a, 64 bits.
struct Hash {
    std::uint64_t h = 0xcbf29ce484222325ull;
    void byte(unsigned char c) { h = (h ^ c) * 0x100000001b3ull; }
    void bytes(std::string_view s) {
        for (char c : s) byte(static_cast<unsigned char>(c));
    }
};

struct Shape {
    Hash hash;
    std::vector<Trace::Handle>& handles;
    void text(std::string_view s) { hash.bytes(s); }
    void number(std::string_view s, bool id) {
        hash.byte(id ? 2 : 1);
        if (id) hash.bytes(s);
    }
    void handle(Trace::Handle h) {
        hash.byte(3);
        hash.byte(static_cast<unsigned char>(h.kind));
        handles.push_back(h);
    }
};

struct Numbers {
    std::vector<double>& out;
    void text(std::string_view) {}
    void number(std::string_view s, bool) {
        double v = 0;
        const char* b = s.data();
        // from_chars reads no '+' and no '-' before nan on every library.
        const bool minus = *b == '-';
        std::from_chars(b + minus, b + s.size(), v);
        out.push_back(minus ? -v : v);
    }
    void handle(Trace::Handle) {}
};

struct Ids {
    std::string& out;
    void text(std::string_view) {}
    void number(std::string_view s, bool id) {
        if (id) (out += ' ') += s;
    }
    void handle(Trace::Handle) {}
};

}  // namespace

Trace::Trace(std::string_view text) : text_(text) {
    std::size_t at = 0;
    double time = NAN;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        std::size_t size = end - at;
        if (size > 0 && text[end - 1] == '\r') --size;  // a text file's line end on Windows
        const std::string_view line = text.substr(at, size);
        ++file_lines_;
        at = end + 1;
        if (line.empty() || line[0] == '#' || line.starts_with(kForeignCall)) continue;
        Shape shape{{}, handles_};
        const auto first_handle = static_cast<std::uint32_t>(handles_.size());
        scan(line, shape);
        const bool call_in = line.starts_with("> ");
        if (lines_.empty() || call_in) {
            Hash key{shape.hash};
            if (line.starts_with(kPostStep)) {
                key.bytes(line);
                const char* t = line.data() + kPostStep.size();
                std::from_chars(t, line.data() + line.size(), time);
            }
            block_start_.push_back(static_cast<std::uint32_t>(lines_.size()));
            block_key_.push_back(call_in ? key.h : 0);
            block_time_.push_back(time);
        }
        lines_.push_back({static_cast<std::uint32_t>(line.data() - text.data()),
                          static_cast<std::uint32_t>(size), file_lines_, first_handle,
                          shape.hash.h});
    }
}

std::span<const Trace::Handle> Trace::handles(std::size_t i) const {
    const std::size_t end = i + 1 < lines_.size() ? lines_[i + 1].handles : handles_.size();
    return std::span<const Handle>(handles_).subspan(lines_[i].handles, end - lines_[i].handles);
}

void Trace::numbers(std::size_t i, std::vector<double>& out) const {
    out.clear();
    Numbers n{out};
    scan(text(i), n);
}

std::string Trace::call(std::size_t i) const {
    const std::string_view line = text(i);
    switch (prefix_size(line) ? line[0] : ' ') {
        case '<': {
            const auto b = std::upper_bound(block_start_.begin(), block_start_.end(),
                                            static_cast<std::uint32_t>(i));
            const std::size_t first = b == block_start_.begin() ? i : *(b - 1);
            // (Built up in steps: GCC 12 warns falsely about "<" + std::string.)
            std::string s(1, '<');
            if (first != i && text(first).starts_with("> ")) s += call(first).substr(1);
            return s;
        }
        case '*':
            return std::string(line.substr(0, line.rfind(' ')));
        case '!':
            return "!";
        default:
            break;
    }
    std::string s(line.substr(0, prefix_size(line)));
    s += first_word(line);
    Ids ids{s};
    scan(line, ids);
    return s;
}

}  // namespace vmhost::compare
