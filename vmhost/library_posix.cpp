// POSIX library services (dlopen family).
#include <dlfcn.h>
#include <unistd.h>

#include <climits>

#include "library.h"

namespace vmhost::library {

Handle open(const std::string& path, std::string* error) {
    Handle h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h && error) {
        const char* e = dlerror();
        *error = e ? e : "unknown error";
    }
    return h;
}

void* symbol(Handle library, const char* name) {
    return library ? dlsym(library, name) : nullptr;
}

void close(Handle library) {
    if (library) dlclose(library);
}

std::string executable_dir() {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    std::string path(buf, static_cast<std::size_t>(n));
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

void binary(std::FILE*) {}

std::string plugin_file(const std::string& stem) {
    return stem + ".so";
}

}  // namespace vmhost::library
