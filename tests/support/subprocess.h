// Running a program from a test, the same way on every platform.
#pragma once

#include <filesystem>
#include <string>

namespace testsupport {

// Runs `command` (a shell command line; redirections with > and 2> work on
// every platform) in the folder `dir`. Returns the exit status, or 128 plus
// the signal number when the program was killed.
int run_in(const std::filesystem::path& dir, const std::string& command);

// An argument quoted for the shell of `run_in`.
std::string quote(const std::string& arg);

// A name for a temporary folder that no other process uses.
std::string unique_name(const std::string& stem);

}  // namespace testsupport
