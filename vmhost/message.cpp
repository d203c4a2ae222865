// Text made safe to show, and the run's messages.
#include "message.h"

#include "files.h"

namespace vmhost {
namespace {

// `s` with the bytes `escaped` picks written as \xNN, cut after `max` bytes.
template <class Escaped>
std::string shown(std::string_view s, std::size_t max, Escaped escaped) {
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (i == max) return out + "...";
        const auto c = static_cast<unsigned char>(s[i]);
        if (escaped(c)) {
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

}  // namespace

std::string quote(std::string_view s) {
    std::string q = "'";
    q += shown(s, 64, [](unsigned char c) { return is_control(c) || c >= 0x80; });
    q += '\'';
    return q;
}

std::string printable(std::string_view s, std::size_t max) {
    return shown(s, max, is_control);
}

std::string quote_path(std::string_view path) {
    std::string q = "'";
    q += printable(path);
    q += '\'';
    return q;
}

void Messages::put(long long line, const char* kind, const std::string& what) {
    end_progress();
    if (line > 0) {
        std::fprintf(err_, "%s:%lld: %s: %s\n", scenario_.c_str(), line, kind, what.c_str());
    } else {
        std::fprintf(err_, "%s: %s: %s\n", scenario_.c_str(), kind, what.c_str());
    }
}

void Messages::progress(const char* text) {
    // Padded to the terminal's width, and cut short at it: a line that
    // wrapped would not be redrawn in place.
    const int width = terminal_width(err_) - 1;
    std::fprintf(err_, "\r%-*.*s", width, width, text);
    std::fflush(err_);
    progress_shown_ = true;
}

void Messages::end_progress() {
    if (progress_shown_) std::fputc('\n', err_);
    progress_shown_ = false;
}

}  // namespace vmhost
