// The CSV file of a track: the column names, then one line per row. Numbers
// are written with std::to_chars, the shortest text that reads back as the
// same double, into one buffer written at once.
#include <charconv>

#include "files.h"
#include "flightlog.h"

namespace vmhost {

bool write_csv(const FlightLog::Track& t, const std::string& path, std::string* why) {
    const int cols = t.columns();
    std::string text;
    for (int c = 0; c < cols; ++c) {
        if (c) text += ',';
        text += t.column_name(c);
    }
    text += '\n';
    text.reserve(text.size() + t.rows.size() * 16);  // room for 16 characters a number
    // A double takes at most 24 characters this way.
    char number[32];
    for (std::size_t r = 0; r < t.row_count(); ++r) {
        for (int c = 0; c < cols; ++c) {
            if (c) text += ',';
            const auto end = std::to_chars(number, number + sizeof number, t.at(r, c)).ptr;
            text.append(number, end);
        }
        text += '\n';
    }
    return write_file(path, text, "report", why);
}

}  // namespace vmhost
