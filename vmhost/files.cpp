// Reading the scenario, writing the trace, the summary and the report's
// files, each failure with the system's reason.
#include "files.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <utility>

#include "library.h"
#include "message.h"

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#if !defined(NOMINMAX)
#define NOMINMAX
#endif
#include <io.h>
#include <windows.h>
#else
#include <sys/ioctl.h>
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
    const bool standard_input = path == "-";
    const std::string shown = std::string("cannot read ") + what + ' ' +
                              (standard_input ? "from standard input" : quote_path(path)) + ": ";
    errno = 0;
    std::FILE* in = standard_input ? stdin : std::fopen(path.c_str(), "rb");
    if (standard_input) library::binary(stdin);
    if (!in) {
        *why = shown + reason(errno);
        return false;
    }
    char chunk[1 << 16];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, in)) > 0) {
        if (text->size() + n > limit) {
            if (!standard_input) std::fclose(in);
            *why = shown + "larger than " + std::to_string(limit >> 20) + " MiB";
            return false;
        }
        text->append(chunk, n);
    }
    // A read error (EIO, EISDIR) is not the end of the file.
    const int e = errno;
    const bool failed = std::ferror(in) != 0;
    if (!standard_input) std::fclose(in);
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

int write_failure() {
    const int e = errno;
#if defined(_WIN32)
    // Windows says that the reader closed a pipe with codes of its own,
    // which its C runtime passes on as EINVAL.
    const DWORD code = GetLastError();
    if ((e == 0 || e == EINVAL) &&
        (code == ERROR_NO_DATA || code == ERROR_BROKEN_PIPE || code == ERROR_PIPE_NOT_CONNECTED))
        return EPIPE;
#endif
    return e != 0 ? e : EIO;
}

bool Output::flush() {
    errno = 0;
    const bool flushed = std::fflush(file) == 0;
    if (error == 0 && (!flushed || std::ferror(file))) error = write_failure();
    return error == 0;
}

bool Output::close() {
    flush();
    if (file == stdout) return error == 0;
    errno = 0;
    const bool closed = std::fclose(file) == 0;
    file = nullptr;
    if (error == 0 && !closed) error = write_failure();
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

namespace {

// A name an earlier report of vmhost may have written into its folder: a
// vessel's CSV or SVG file, or the page. Anything else a manifest may hold
// (a path, a name edited in) is left alone.
bool report_file(std::string_view name) {
    if (name.empty() || name[0] == '.') return false;
    for (char c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-' && c != '.')
            return false;
    return name.ends_with(".csv") || name.ends_with(".svg") || name == "index.html";
}

}  // namespace

bool replace_report(const std::string& dir, const std::vector<std::string>& written,
                    std::string* why) {
    const std::filesystem::path folder(dir);
    std::ifstream earlier(folder / kReportManifest, std::ios::binary);
    for (std::string name; std::getline(earlier, name);) {
        if (!name.empty() && name.back() == '\r') name.pop_back();
        if (!report_file(name) || std::find(written.begin(), written.end(), name) != written.end())
            continue;
        std::error_code ec;
        std::filesystem::remove(folder / name, ec);
    }
    earlier.close();
    std::string list =
        "# The files of the report vmhost wrote into this folder. The next report\n"
        "# written here replaces them.\n";
    for (const std::string& name : written) list += name + "\n";
    return write_file((folder / kReportManifest).string(), list, "report", why);
}

bool is_terminal(std::FILE* stream) {
#if defined(_WIN32)
    return _isatty(_fileno(stream)) != 0;
#else
    return isatty(fileno(stream)) != 0;
#endif
}

bool stderr_is_terminal() {
    return is_terminal(stderr);
}

int terminal_width(std::FILE* stream) {
#if defined(_WIN32)
    CONSOLE_SCREEN_BUFFER_INFO info;
    const auto console = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    if (GetConsoleScreenBufferInfo(console, &info))
        return info.srWindow.Right - info.srWindow.Left + 1;
#else
    winsize size{};
    if (ioctl(fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
#endif
    return 80;
}

}  // namespace vmhost
