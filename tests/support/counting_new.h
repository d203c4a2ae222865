// The test executable's global allocation functions count their calls and can
// be told to fail, so that tests see every heap allocation the aircraft (and,
// where the platform lets the program's functions replace a library's, the
// host) makes.
#pragma once

#include <cstddef>

namespace counting_new {

// Allocations and deallocations since start, through any operator new/delete.
std::size_t allocations();
std::size_t deallocations();

// The `n`th nothrow allocation from now (1: the very next) returns null; the
// others are not affected. 0 disarms.
void fail_nothrow_allocation(std::size_t n);

}  // namespace counting_new
