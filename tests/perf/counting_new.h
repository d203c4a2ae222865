// The test program's global allocation functions count their calls.
#pragma once

#include <cstddef>

// Heap allocations through any operator new since the program started.
std::size_t heap_allocations();
