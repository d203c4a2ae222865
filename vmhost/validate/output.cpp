// The files of --out, and what leads to them: a user's folder may hold files
// of its own, so only files that begin with our header are ever removed or
// replaced; another file of the same name stays, and ours takes a free
// numbered name beside it (ID-2.vms...). Commands printed to replay a
// failure are quoted for the shell.
#include <fstream>

#include "files.h"
#include "validate.h"

namespace vmhost::validate {
namespace {

namespace fs = std::filesystem;

constexpr int kMaxSiblings = 99;

// STEM.EXT, STEM-2.EXT... (Built up in steps: GCC 12 warns falsely about
// "-" + std::string.)
fs::path sibling(const fs::path& dir, const std::string& stem, const char* ext, int n) {
    std::string name = stem;
    if (n > 1) name.append(1, '-').append(std::to_string(n));
    return dir / name.append(ext);
}

bool ours(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    char head[256] = {};
    in.read(head, sizeof head - 1);
    const std::string_view h(head, static_cast<std::size_t>(in.gcount()));
    return h.starts_with(kOurHeader) || h.starts_with(kCompareHeader) || h.starts_with(kOurJson) ||
           (h.starts_with("<?xml") && h.find(kOurXml) != std::string_view::npos);
}

}  // namespace

bool OutFolder::open(const fs::path& dir, std::string* why) {
    std::error_code ec;
    if (!fs::is_directory(dir, ec) && !fs::create_directories(dir, ec)) {
        *why = "cannot make the folder '" + one_line(dir.string()) + "': " + ec.message();
        return false;
    }
    dir_ = fs::absolute(dir, ec);
    return true;
}

void OutFolder::remove(const std::string& stem, const char* ext) {
    std::error_code ec;
    for (int n = 1; n <= kMaxSiblings; ++n)
        if (const fs::path p = sibling(dir_, stem, ext, n); fs::is_regular_file(p, ec) && ours(p))
            fs::remove(p, ec);
}

std::string OutFolder::write(const std::string& stem, const char* ext, const std::string& text,
                             const char* what) {
    if (!error_.empty()) return "";
    std::error_code ec;
    for (int n = 1; n <= kMaxSiblings; ++n) {
        const fs::path p = sibling(dir_, stem, ext, n);
        if (fs::exists(p, ec) && !(fs::is_regular_file(p, ec) && ours(p))) continue;
        if (!write_file(p.string(), text, what, &error_)) return "";
        return p.string();
    }
    error_ = "no free name for " + stem + ext + " in '" + one_line(dir_.string()) + "'";
    return "";
}

std::string shell_word(const std::string& s) {
#if defined(_WIN32)
    if (!s.empty() && s.find_first_of(" \t\"&|<>^%") == std::string::npos) return s;
    std::string q = "\"";
    for (char c : s) q += c == '"' ? std::string("\\\"") : std::string(1, c);
    return q + "\"";
#else
    if (!s.empty() &&
        s.find_first_not_of(
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_@%+=:,./-") ==
            std::string::npos)
        return s;
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
#endif
}

}  // namespace vmhost::validate
