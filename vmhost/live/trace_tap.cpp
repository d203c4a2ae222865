// The trace of a live session: the host writes it to a stream of ours
// (fopencookie), which passes it on to the trace file and keeps its latest
// bytes for the page. The stream's buffer makes writing a line a copy, as in
// `vmhost run`; the session flushes it once a frame.
#include <cerrno>
#include <cstring>

#include "live.h"

namespace vmhost::live {
namespace {

constexpr std::size_t kRingBytes = std::size_t{1} << 16;
char g_buffer[1 << 16];

}  // namespace

TraceTap::TraceTap(Output* out) : out_(out), ring_(kRingBytes) {
    cookie_io_functions_t io{};
    io.write = [](void* tap, const char* data, std::size_t size) -> ssize_t {
        return write(tap, data, size);
    };
    file_ = fopencookie(this, "w", io);
    if (file_) std::setvbuf(file_, g_buffer, _IOFBF, sizeof g_buffer);
}

TraceTap::~TraceTap() {
    if (file_) std::fclose(file_);
}

long TraceTap::write(void* tap, const char* data, std::size_t size) {
    auto& t = *static_cast<TraceTap*>(tap);
    for (std::size_t i = size > kRingBytes ? size - kRingBytes : 0; i < size; ++i)
        t.ring_[t.written_++ % kRingBytes] = data[i];
    if (t.out_ && t.out_->file && std::fwrite(data, 1, size, t.out_->file) != size) {
        if (errno == 0) errno = EIO;
        return -1;
    }
    return static_cast<long>(size);
}

bool TraceTap::flush() {
    const bool passed = !file_ || std::fflush(file_) == 0;
    const bool written = !out_ || out_->flush();
    return passed && written;
}

std::string TraceTap::tail(int lines) {
    flush();
    const std::size_t kept = written_ < kRingBytes ? written_ : kRingBytes;
    std::string text(kept, '\0');
    for (std::size_t i = 0; i < kept; ++i) text[i] = ring_[(written_ - kept + i) % kRingBytes];
    // Back from the end of the last line over `lines` line ends; when the
    // text holds fewer, all of it, but never the part of a line a ring that
    // has wrapped begins with.
    std::size_t end = text.empty() ? 0 : text.size() - 1;
    for (int n = 0; n < lines; ++n) {
        const std::size_t nl = end == 0 ? std::string::npos : text.rfind('\n', end - 1);
        if (nl == std::string::npos)
            return written_ > kRingBytes ? text.substr(text.find('\n') + 1) : text;
        end = nl;
    }
    return text.substr(end + 1);
}

}  // namespace vmhost::live
