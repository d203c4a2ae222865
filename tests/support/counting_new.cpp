#include "counting_new.h"

#include <cstdlib>
#include <new>

namespace {

std::size_t g_allocations = 0;
std::size_t g_deallocations = 0;
std::size_t g_fail_in = 0;

void* allocate(std::size_t n) {
    ++g_allocations;
    return std::malloc(n ? n : 1);
}

void* allocate_nothrow(std::size_t n) {
    if (g_fail_in != 0 && --g_fail_in == 0) {
        ++g_allocations;
        return nullptr;
    }
    return allocate(n);
}

void release(void* p) {
    if (p) ++g_deallocations;
    std::free(p);
}

}  // namespace

namespace counting_new {
std::size_t allocations() {
    return g_allocations;
}
std::size_t deallocations() {
    return g_deallocations;
}
void fail_nothrow_allocation(std::size_t n) {
    g_fail_in = n;
}
}  // namespace counting_new

void* operator new(std::size_t n) {
    if (void* p = allocate(n)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
    return operator new(n);
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    return allocate_nothrow(n);
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    return allocate_nothrow(n);
}
void operator delete(void* p) noexcept {
    release(p);
}
void operator delete[](void* p) noexcept {
    release(p);
}
void operator delete(void* p, std::size_t) noexcept {
    release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    release(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    release(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    release(p);
}
