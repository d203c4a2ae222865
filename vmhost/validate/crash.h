// A child's last words (crash.txt): what a crash handler, an exception
// filter or the terminate handler writes before the process ends. They run
// where the heap may be broken, so the text is built in a fixed buffer.
// child.cpp writes the file and handles escaping exceptions; the platform
// files capture and describe the stack.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string_view>

namespace vmhost::validate {

class Words {
  public:
    Words& put(const char* s, std::size_t n) {
        n = std::min(n, sizeof buf_ - len_);
        std::memcpy(buf_ + len_, s, n);
        len_ += n;
        return *this;
    }
    Words& put(const char* s) { return put(s, std::strlen(s)); }
    Words& hex(std::uintptr_t v) {
        char b[2 + 2 * sizeof v];
        std::size_t i = sizeof b;
        do {
            b[--i] = kDigits[v & 15];
            v >>= 4;
        } while (v && i > 2);
        b[--i] = 'x';
        b[--i] = '0';
        return put(b + i, sizeof b - i);
    }
    Words& dec(long long v) {
        char b[24];
        std::size_t i = sizeof b;
        unsigned long long u =
            v < 0 ? 0ull - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
        do {
            b[--i] = kDigits[u % 10];
            u /= 10;
        } while (u);
        if (v < 0) b[--i] = '-';
        return put(b + i, sizeof b - i);
    }
    // Text from elsewhere, on one line: control bytes as \xNN, cut at `max`.
    Words& escaped(const char* s, std::size_t max) {
        for (std::size_t n = 0; *s && n < max; ++s, ++n) {
            const auto c = static_cast<unsigned char>(*s);
            if (c < 0x20 || c == 0x7f) {
                const char esc[] = {'\\', 'x', kDigits[c >> 4], kDigits[c & 15]};
                put(esc, 4);
            } else {
                put(s, 1);
            }
        }
        return *this;
    }
    std::string_view text() const { return {buf_, len_}; }

  private:
    static constexpr char kDigits[] = "0123456789abcdef";
    char buf_[8192];
    std::size_t len_ = 0;
};

inline constexpr int kMaxFrames = 48;

// Platform part. This thread's stack, innermost frame first.
int capture_stack(void** frames, int max);
// A "frame MODULE\tOFFSET\tSYMBOL" line for each frame (SYMBOL where the
// module exports one). A return address is looked up in the call it returns
// from; `first_is_pc`: the first frame is where a fault happened.
void frames_into(Words& w, void* const* frames, int n, bool first_is_pc);

// child.cpp. crash.txt in `dir` is opened now, while opening files still
// works; write_last_words adds to it.
void open_last_words(const std::filesystem::path& dir);
void write_last_words(const Words& w);
// Whether the stack was written already (the terminate handler's abort
// then needs no second one).
bool stack_written();
// The terminate handler: an exception that escaped, with its type, what()
// and the stack it was thrown from, which is still there; then abort().
[[noreturn]] void on_terminate();

}  // namespace vmhost::validate
