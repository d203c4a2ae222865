// Tables keyed by an enumeration: each row names its key, and a table is
// checked at compile time to hold one row per key in key order, so that the
// rows, the enumeration and every other table keyed by it cannot drift apart.
// Data alone, with no SDK: vmhost reads an aircraft's outline (NAME/outline.h)
// through it.
#pragma once

#include <cstddef>
#include <iterator>

namespace kit {

// A key and the name it is shown by.
template <class Key>
struct Named {
    Key key;
    const char* name;
};

// True when every table has one row per key, in key order (row i holds key i),
// and all of them as many rows.
template <class First, std::size_t N, class... Rest>
constexpr bool one_row_per_key(const First (&first)[N], const Rest&... rest) {
    bool ok = ((std::size(rest) == N) && ...);
    for (std::size_t i = 0; i < N; ++i) ok = ok && static_cast<std::size_t>(first[i].key) == i;
    if constexpr (sizeof...(rest) > 0) ok = ok && one_row_per_key(rest...);
    return ok;
}

}  // namespace kit
