# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (posix threads
# variant, which the C++ standard library's threads need). Programs built here
# run under wine (through wine-run.sh, in a wine prefix of the build's own),
# which CTest uses as the emulator.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR sh ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${CMAKE_BINARY_DIR}/wine)
# GoogleTest programs list their tests when CTest runs, not while building:
# building needs no wine.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)

# The C++ runtime and the thread library are linked in statically, so a
# plug-in needs no DLL beyond the system's own and the host's.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

# GCC 12 reports impossible overlaps inside libstdc++'s inlined std::string
# code at -O2 (-Wrestrict false positives); with warnings as errors they would
# stop the build.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")
