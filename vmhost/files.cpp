// Reading the scenario, writing the trace, the summary and the report's
// files, each failure with the system's reason.
#include "files.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

#include "message.h"

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace vmhost {
namespace {

// The system's reason for errno `e`. A failure the C library reported
// without setting errno (a write that failed before the stream was looked
// at, errno changed since) is an input/output error.
std::string reason(int e) {
    return std::strerror(e != 0 ? e : EIO);
}

}  // namespace

bool read_text(const std::string& path, const char* what, std::size_t limit, std::string* text,
               std::string* why) {
    const std::string shown = std::string("cannot read ") + what + ' ' + quote_path(path) + ": ";
    errno = 0;
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) {
        *why = shown + reason(errno);
        return false;
    }
    char chunk[1 << 16];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, in)) > 0) {
        if (text->size() + n > limit) {
            std::fclose(in);
            *why = shown + "larger than " + std::to_string(limit >> 20) + " MiB";
            return false;
        }
        text->append(chunk, n);
    }
    // A read error (EIO, EISDIR) is not the end of the file.
    const int e = errno;
    const bool failed = std::ferror(in) != 0;
    std::fclose(in);
    if (failed) *why = shown + reason(e);
    return !failed;
}

bool read_scenario(const std::string& path, std::string* text, std::string* why) {
    return read_text(path, "scenario", kMaxScenarioBytes, text, why);
}

bool same_file(const std::string& a, const std::string& b) {
    // Compares device and inode (on Windows the volume and file index); a
    // name that does not exist yet is no other file. Only a regular file can
    // be overwritten: a scenario read from the terminal (/dev/stdin) may well
    // be traced to it.
    std::error_code ec;
    return std::filesystem::is_regular_file(a, ec) && std::filesystem::equivalent(a, b, ec) && !ec;
}

std::string report_clash(const char* dir, const char* trace, const char* scenario) {
    namespace fs = std::filesystem;
    if (!dir) return "";
    for (const auto& [path, what] : {std::pair{trace, "trace"}, std::pair{scenario, "scenario"}}) {
        if (!path) continue;
        std::string name = fs::path(path).filename().string();
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const bool report_name =
            name == "index.html" || name.ends_with(".csv") || name.ends_with(".svg");
        fs::path folder = fs::path(path).parent_path();
        if (folder.empty()) folder = ".";
        std::error_code ec;
        if (report_name && fs::equivalent(folder, dir, ec) && !ec)
            return std::string("the report in ") + quote_path(dir) + " could overwrite the " +
                   what + " " + quote_path(path) +
                   " (it writes index.html, NAME.csv and NAME.svg there)";
    }
    return "";
}

bool Output::flush() {
    errno = 0;
    const bool flushed = std::fflush(file) == 0;
    const int e = errno;
    if (error == 0 && (!flushed || std::ferror(file))) error = e != 0 ? e : EIO;
    return error == 0;
}

bool Output::close() {
    flush();
    if (file == stdout) return error == 0;
    errno = 0;
    const bool closed = std::fclose(file) == 0;
    const int e = errno;
    file = nullptr;
    if (error == 0 && !closed) error = e != 0 ? e : EIO;
    return error == 0;
}

std::string Output::message(const char* what) const {
    return std::string("cannot write ") + what + " " + name + ": " + reason(error);
}

bool write_file(const std::string& path, std::string_view text, const char* what,
                std::string* why) {
    errno = 0;
    std::FILE* out = std::fopen(path.c_str(), "wb");
    int e = errno;
    bool ok = out != nullptr;
    if (ok) {
        ok = std::fwrite(text.data(), 1, text.size(), out) == text.size();
        e = errno;
        if (std::fflush(out) != 0 && ok) ok = false, e = errno;
        if (std::fclose(out) != 0 && ok) ok = false, e = errno;
    }
    if (!ok && why)
        *why = std::string("cannot write ") + what + " " + quote_path(path) + ": " + reason(e);
    return ok;
}

bool stderr_is_terminal() {
#if defined(_WIN32)
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

}  // namespace vmhost
