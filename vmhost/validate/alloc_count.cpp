// Counting what the heap does for a plug-in: the allocations its timed calls
// make, and the bytes it holds.
//
// On Linux vmhost replaces the global operator new and delete: a plug-in's
// C++ runtime is the shared one, whose references to them the loader binds
// to the executable's definitions, so its allocations come through here.
// Allocations are counted only while a call is being watched, and only in
// the thread that watches it; the first one's stack is kept. Bytes held are
// followed in every thread, for allocations made by any code but vmhost's
// own and the host library's (whose records of deleted vessels stay by
// design), each by the size the allocator gave it, until freed by whatever
// code frees them: the allocations followed are kept in a table, since a
// free reached by a tail call does not tell who freed it. On Windows every DLL
// links its own C++ runtime, and the host cannot see a plug-in's allocations
// at all.
#include <cstdlib>
#include <new>

#include "validate.h"

#if defined(__linux__)

#include <execinfo.h>
#include <link.h>
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <iterator>

#include "crash.h"
#include "vmapi.h"

namespace vmhost::validate::alloc_count {
namespace {

thread_local bool t_counting = false;
thread_local long long t_count = 0;
thread_local void* t_first[kMaxFrames];
thread_local int t_first_frames = -1;  // -1: the next counted allocation's stack is kept

std::atomic<bool> g_holding{false};
std::atomic<long long> g_held{0};

// The allocations followed: an open-addressing table of addresses (0 free,
// 1 freed again), in static storage, so that following one allocates nothing.
constexpr std::size_t kSlots = std::size_t{1} << 20;
constexpr std::size_t kMostFollowed = kSlots / 4 * 3;
std::uintptr_t g_slots[kSlots];
std::size_t g_used = 0;  // slots not free
bool g_overflow = false;
std::atomic_flag g_table_lock = ATOMIC_FLAG_INIT;

class TableLock {
  public:
    TableLock() {
        while (g_table_lock.test_and_set(std::memory_order_acquire)) {
        }
    }
    ~TableLock() { g_table_lock.clear(std::memory_order_release); }
    TableLock(const TableLock&) = delete;
    TableLock& operator=(const TableLock&) = delete;
};

std::size_t slot_of(std::uintptr_t a) {
    return static_cast<std::size_t>((a >> 4) * 0x9E3779B97F4A7C15ull) & (kSlots - 1);
}

void follow(void* p) {
    const TableLock lock;
    const auto a = reinterpret_cast<std::uintptr_t>(p);
    if (g_used >= kMostFollowed) {
        g_overflow = true;
        return;
    }
    std::size_t i = slot_of(a);
    while (g_slots[i] > 1) i = (i + 1) & (kSlots - 1);
    if (g_slots[i] == 0) ++g_used;
    g_slots[i] = a;
    g_held.fetch_add(static_cast<long long>(malloc_usable_size(p)), std::memory_order_relaxed);
}

void unfollow(void* p) {
    const TableLock lock;
    const auto a = reinterpret_cast<std::uintptr_t>(p);
    for (std::size_t i = slot_of(a); g_slots[i] != 0; i = (i + 1) & (kSlots - 1)) {
        if (g_slots[i] != a) continue;
        g_slots[i] = 1;
        g_held.fetch_sub(static_cast<long long>(malloc_usable_size(p)), std::memory_order_relaxed);
        return;
    }
}

// The address ranges of vmhost and of the host library.
struct Range {
    std::uintptr_t lo, hi;
};
Range g_host[2] = {};

Range module_of(const void* address) {
    struct Search {
        std::uintptr_t at;
        Range found;
    } search{reinterpret_cast<std::uintptr_t>(address), {0, 0}};
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* data) {
            auto* s = static_cast<Search*>(data);
            Range r{UINTPTR_MAX, 0};
            for (int i = 0; i < info->dlpi_phnum; ++i) {
                const ElfW(Phdr)& p = info->dlpi_phdr[i];
                if (p.p_type != PT_LOAD) continue;
                r.lo = std::min<std::uintptr_t>(r.lo, info->dlpi_addr + p.p_vaddr);
                r.hi = std::max<std::uintptr_t>(r.hi, info->dlpi_addr + p.p_vaddr + p.p_memsz);
            }
            if (s->at < r.lo || s->at >= r.hi) return 0;
            s->found = r;
            return 1;
        },
        &search);
    return search.found;
}

bool host_code(const void* caller) {
    const auto at = reinterpret_cast<std::uintptr_t>(caller);
    for (const Range& r : g_host)
        if (at >= r.lo && at < r.hi) return true;
    return false;
}

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

std::string first_stack() {
    if (t_first_frames <= 0) return "";
    static Words w;
    w = Words();
    frames_into(w, t_first, t_first_frames, false);
    t_first_frames = -1;
    return std::string(w.text());
}

void holding(bool on) {
    if (on) {
        g_host[0] = module_of(reinterpret_cast<const void*>(&holding));
        g_host[1] = module_of(reinterpret_cast<const void*>(&InitLib));
        const TableLock lock;
        std::fill(std::begin(g_slots), std::end(g_slots), std::uintptr_t{0});
        g_used = 0;
        g_overflow = false;
        g_held = 0;
    }
    g_holding = on;
}

long long held() {
    return g_overflow ? -1 : g_held.load(std::memory_order_relaxed);
}

}  // namespace vmhost::validate::alloc_count

namespace {

using namespace vmhost::validate::alloc_count;

void* counted(void* p, const void* caller) {
    if (t_counting && p) {
        ++t_count;
        if (t_first_frames < 0) {
            t_first_frames = 0;  // no allocation of its own is counted again
            t_first_frames = backtrace(t_first, vmhost::validate::kMaxFrames);
        }
    }
    if (p && g_holding.load(std::memory_order_relaxed) && !host_code(caller)) follow(p);
    return p;
}

void* allocate(std::size_t n, const void* caller) {
    return counted(std::malloc(n ? n : 1), caller);
}

void* allocate_aligned(std::size_t n, std::align_val_t a, const void* caller) {
    const auto align = static_cast<std::size_t>(a);
    return counted(std::aligned_alloc(align, (n + align - 1) / align * align), caller);
}

void release(void* p) {
    if (p && g_holding.load(std::memory_order_relaxed)) unfollow(p);
    std::free(p);
}

}  // namespace

#define VM_CALLER __builtin_return_address(0)

void* operator new(std::size_t n) {
    if (void* p = allocate(n, VM_CALLER)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
    if (void* p = allocate(n, VM_CALLER)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    return allocate(n, VM_CALLER);
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    return allocate(n, VM_CALLER);
}
void* operator new(std::size_t n, std::align_val_t a) {
    if (void* p = allocate_aligned(n, a, VM_CALLER)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n, std::align_val_t a) {
    if (void* p = allocate_aligned(n, a, VM_CALLER)) return p;
    throw std::bad_alloc();
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
void operator delete(void* p, std::align_val_t) noexcept {
    release(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    release(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    release(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    release(p);
}

#else

namespace vmhost::validate::alloc_count {

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
std::string first_stack() {
    return "";
}
void holding(bool) {}
long long held() {
    return 0;
}

}  // namespace vmhost::validate::alloc_count

#endif
