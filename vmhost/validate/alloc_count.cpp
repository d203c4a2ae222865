// Counting the heap allocations a plug-in makes in the calls the host times.
//
// On Linux vmhost replaces the global operator new: a plug-in's C++ runtime is
// the shared one, whose references to operator new the loader binds to the
// executable's definition, so its allocations come through here. They are
// counted only while a call is being watched, and only in the thread that
// watches it. On Windows every DLL links its own C++ runtime, and the host
// cannot see a plug-in's allocations at all.
#include <cstdlib>
#include <new>

#include "validate.h"

namespace vmhost::validate::alloc_count {

#if defined(__linux__)

namespace {
thread_local bool t_counting = false;
thread_local long long t_count = 0;
}  // namespace

bool available() {
    return true;
}
const char* why_not() {
    return "";
}
void counting(bool on) {
    t_counting = on;
}
long long count() {
    return t_count;
}

}  // namespace vmhost::validate::alloc_count

namespace {

void* allocate(std::size_t n) {
    using namespace vmhost::validate::alloc_count;
    if (t_counting) ++t_count;
    return std::malloc(n ? n : 1);
}

void* allocate_aligned(std::size_t n, std::align_val_t a) {
    using namespace vmhost::validate::alloc_count;
    if (t_counting) ++t_count;
    const auto align = static_cast<std::size_t>(a);
    return std::aligned_alloc(align, (n + align - 1) / align * align);
}

}  // namespace

void* operator new(std::size_t n) {
    if (void* p = allocate(n)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
    return operator new(n);
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    return allocate(n);
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    return allocate(n);
}
void* operator new(std::size_t n, std::align_val_t a) {
    if (void* p = allocate_aligned(n, a)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n, std::align_val_t a) {
    return operator new(n, a);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}

#else

bool available() {
    return false;
}
const char* why_not() {
    return "each Windows DLL links its own C++ runtime, so the host cannot see its allocations";
}
void counting(bool) {}
long long count() {
    return 0;
}

}  // namespace vmhost::validate::alloc_count

#endif
