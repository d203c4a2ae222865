// The operating system's dynamic-library services, as vmhost uses them. One
// small file per platform implements them.
#pragma once

#include <cstdio>
#include <string>

namespace vmhost::library {

using Handle = void*;

// Loads a library; null on failure, with the system's reason in `error`.
Handle open(const std::string& path, std::string* error);

// An exported symbol by name, or null.
void* symbol(Handle library, const char* name);

void close(Handle library);

// The folder that holds the running executable (and the plug-ins built with it).
std::string executable_dir();

// A standard stream without line-end translation: a trace written to
// standard output has "\n" line ends on every platform, and a scenario read
// from standard input the bytes of its file.
void binary(std::FILE* stream);

// The file name of a plug-in named by its deliverable: "Tarvik" -> "Tarvik.so".
std::string plugin_file(const std::string& stem);

}  // namespace vmhost::library
