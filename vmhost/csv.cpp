// The CSV file of a track: the column names, then one line per row.
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "flightlog.h"

namespace vmhost {
namespace {

// A number as the shortest text that reads back the same.
std::string num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    for (int p = 1; p <= 17; ++p) {
        char t[32];
        std::snprintf(t, sizeof t, "%.*g", p, v);
        if (std::strtod(t, nullptr) == v) return t;
    }
    return buf;
}

}  // namespace

bool write_csv(const FlightLog::Track& t, const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    const int cols = t.columns();
    for (int c = 0; c < cols; ++c) out << (c ? "," : "") << t.column_name(c);
    out << '\n';
    for (std::size_t r = 0; r < t.row_count(); ++r) {
        for (int c = 0; c < cols; ++c) out << (c ? "," : "") << num(t.at(r, c));
        out << '\n';
    }
    return static_cast<bool>(out.flush());
}

}  // namespace vmhost
