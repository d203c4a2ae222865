// Trace lines: formatted into one fixed buffer and written with fwrite, so a
// traced call costs no heap allocation and, with a buffered FILE, no system
// call. With tracing off nothing is formatted.
//
// The buffer belongs to the thread that drives the simulation. A line begun
// on any other thread (a plug-in calling the host from a thread of its own)
// is not formatted at all: it is reported as a broken rule in one fwrite of
// its own, which the stream's lock keeps whole, so that no line is ever torn.
#include "trace.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <thread>

#include "recording.h"
#include "state.h"

namespace host::trace {
namespace {

std::FILE* g_out = nullptr;

// The recording, when one is on, and the call being recorded (null when the
// list is full).
RecordedCall* g_rec_calls = nullptr;
std::size_t g_rec_capacity = 0;
std::size_t* g_rec_count = nullptr;
RecordedCall* g_rec_call = nullptr;

RecordedToken kept(RecordedToken::Kind kind, const void* p = nullptr, long long n = 0) {
    return RecordedToken{kind, 0, n, p, {0, 0, 0}};
}

// The line being built. Lines never nest, so one buffer serves them all; a
// line longer than the buffer is written out in pieces.
char g_line[8192];
std::size_t g_len = 0;
bool g_line_start = true;
bool g_in_pieces = false;  // a line longer than the buffer is being written

// The thread that drives the simulation; none until a plug-in is loaded.
std::atomic<std::thread::id> g_driver{};

// Host calls from foreign threads: how many, and the operations reported
// (each once until reset, so that a busy thread does not flood the trace).
std::mutex g_foreign_mutex;
std::atomic<int> g_foreign_calls{0};
const char* g_foreign_seen[32] = {};
int g_foreign_seen_count = 0;

void lock_stream(std::FILE* f, bool lock) {
#if defined(_WIN32)
    lock ? _lock_file(f) : _unlock_file(f);
#else
    lock ? flockfile(f) : funlockfile(f);
#endif
}

void flush_line() {
    if (g_len > 0 && g_out) std::fwrite(g_line, 1, g_len, g_out);
    g_len = 0;
}

void put(const char* s, std::size_t n) {
    while (n > 0) {
        if (g_len == sizeof g_line) {
            // Its pieces go out under the stream's lock, which also keeps a
            // foreign thread's line from coming between them.
            if (!g_in_pieces && g_out) lock_stream(g_out, true);
            g_in_pieces = g_out != nullptr;
            flush_line();
        }
        const std::size_t chunk = std::min(n, sizeof g_line - g_len);
        std::memcpy(g_line + g_len, s, chunk);
        g_len += chunk;
        s += chunk;
        n -= chunk;
    }
}

void put(const char* s) {
    put(s, std::strlen(s));
}
void put(char c) {
    put(&c, 1);
}

void put_real(double v) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    put(buf, static_cast<std::size_t>(r.ptr - buf));
}

void put_single(float v) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    put(buf, static_cast<std::size_t>(r.ptr - buf));
}

void put_integer(long long v) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    put(buf, static_cast<std::size_t>(r.ptr - buf));
}

void put_vec(const VECTOR3* v) {
    if (!v) return put("null");
    put('(');
    put_real(v->x);
    put(',');
    put_real(v->y);
    put(',');
    put_real(v->z);
    put(')');
}

// A group list the plug-in describes by pointer and count. The host can only
// trust the count; a null list or a negative count prints as null.
void put_list(const unsigned* items, long long n) {
    if ((!items && n != 0) || n < 0) return put("null");
    put('[');
    for (long long i = 0; i < n; ++i) {
        if (i > 0) put(',');
        put_integer(items[i]);
    }
    put(']');
}

void put_name(const Object& o) {
    static const char* const prefixes[] = {"", "mesh", "ph", "th", "thg", "ac"};
    if (o.kind == Kind::vessel) return put(o.owner->name.c_str());
    put(prefixes[static_cast<int>(o.kind)]);
    put_integer(o.number);
}

void put_handle(const void* h) {
    if (!h) return put("null");
    State& s = state();
    if (h == s.module) return put("module");
    if (const Object* o = find(h)) return put_name(*o);
    put('?');
}

// "NAMEn{" for a record seen by pointer, or false (and "null") for none.
bool record_begin(RecordNames& names, const void* p) {
    if (!p) {
        put("null");
        return false;
    }
    put(names.prefix);
    put_integer(names.number_of(reinterpret_cast<std::uintptr_t>(p)));
    put('{');
    return true;
}

void field(const char* name) {
    put(' ');
    put(name);
    put('=');
}

void put_transform(const MGROUP_TRANSFORM* t) {
    if (!record_begin(state().transforms, t)) return;
    const TransformKind type = t->kind();
    put(type == TransformKind::rotation      ? "rot"
        : type == TransformKind::translation ? "trans"
                                             : "none");
    field("mesh");
    put_integer(t->mesh);
    field("groups");
    put_list(t->groups, t->group_count);
    if (type == TransformKind::rotation) {
        const auto* r = static_cast<const RotationTransform*>(t);
        field("ref");
        put_vec(&r->reference);
        field("axis");
        put_vec(&r->axis);
        field("angle");
        put_single(r->angle);
    } else if (type == TransformKind::translation) {
        field("shift");
        put_vec(&static_cast<const TranslationTransform*>(t)->shift);
    }
    put('}');
}

void put_light(const BEACONLIGHTSPEC* b) {
    if (!record_begin(state().lights, b)) return;
    put("shape=");
    put_integer(static_cast<long long>(b->shape));
    field("pos");
    put_vec(b->position);
    field("col");
    put_vec(b->colour);
    field("size");
    put_real(b->size);
    field("falloff");
    put_real(b->falloff);
    field("period");
    put_real(b->period);
    field("duration");
    put_real(b->duration);
    field("tofs");
    put_real(b->time_offset);
    field("active");
    put_integer(b->active ? 1 : 0);
    put('}');
}

void put_exhaust(const PARTICLESTREAMSPEC* e) {
    if (!record_begin(state().exhausts, e)) return;
    put("flags=");
    put_integer(e->flags);
    const struct {
        const char* name;
        double value;
    } reals[] = {{"srcsize", e->size},
                 {"srcrate", e->rate},
                 {"v0", e->velocity},
                 {"srcspread", e->velocity_spread},
                 {"lifetime", e->lifetime},
                 {"growthrate", e->growth_rate},
                 {"atmslowdown", e->atmosphere_slowdown}};
    for (const auto& r : reals) {
        field(r.name);
        put_real(r.value);
    }
    field("ltype");
    put_integer(static_cast<int>(e->lighting));
    field("levelmap");
    put_integer(static_cast<int>(e->level_map));
    field("lmin");
    put_real(e->level_min);
    field("lmax");
    put_real(e->level_max);
    field("atmsmap");
    put_integer(static_cast<int>(e->atmosphere_map));
    field("amin");
    put_real(e->density_min);
    field("amax");
    put_real(e->density_max);
    field("tex");
    put_handle(e->texture);
    put('}');
}

void put_display(const VCMFDSPEC* d) {
    if (!record_begin(state().displays, d)) return;
    put("mesh=");
    put_integer(d->mesh);
    field("group");
    put_integer(d->group);
    put('}');
}

// A line begun on a thread other than the driver's. Lines the host writes
// for the call itself ("!" of its checks, "*" of lights) are left out with it.
bool foreign_call(const char* first) {
    if (!first || std::strchr("!*#<>", first[0]) != nullptr) return false;
    const char* name = first[0] == '~' ? "an entry point of the sound add-on" : first;
    const std::lock_guard<std::mutex> lock(g_foreign_mutex);
    for (int i = 0; i < g_foreign_seen_count; ++i)
        if (std::strcmp(g_foreign_seen[i], name) == 0) return false;
    if (g_foreign_seen_count < static_cast<int>(std::size(g_foreign_seen)))
        g_foreign_seen[g_foreign_seen_count++] = name;
    g_foreign_calls.fetch_add(1, std::memory_order_relaxed);
    char line[160];
    const int n =
        std::snprintf(line, sizeof line, "! host call from a foreign thread: %.100s\n", name);
    if (std::FILE* out = g_out; out && n > 0)
        std::fwrite(line, 1, static_cast<std::size_t>(n), out);
    return false;
}

// Every token passes here: it is kept in the recording, when one is on, and
// written, when tracing is on, after a blank unless it starts the line.
template <class Write>
void token(const RecordedToken& recorded, Write write) {
    if (g_rec_call && g_rec_call->count < RecordedCall::kMaxTokens)
        g_rec_call->tokens[g_rec_call->count++] = recorded;
    if (!g_out) return;
    if (!g_line_start) put(' ');
    g_line_start = false;
    write();
}

}  // namespace

void to(std::FILE* out) {
    flush();
    g_out = out;
}

void record_to(RecordedCall* calls, std::size_t capacity, std::size_t* count) {
    g_rec_calls = calls && count ? calls : nullptr;
    g_rec_capacity = g_rec_calls ? capacity : 0;
    g_rec_count = g_rec_calls ? count : nullptr;
    g_rec_call = nullptr;
    if (g_rec_count) *g_rec_count = 0;
}

bool on() {
    return g_out != nullptr;
}

void flush() {
    if (g_out) std::fflush(g_out);
}

void drive_from_this_thread() {
    g_driver.store(std::this_thread::get_id(), std::memory_order_relaxed);
}

int foreign_calls() {
    return g_foreign_calls.load(std::memory_order_relaxed);
}

void forget_driver() {
    g_driver.store(std::thread::id(), std::memory_order_relaxed);
    const std::lock_guard<std::mutex> lock(g_foreign_mutex);
    g_foreign_calls = 0;
    g_foreign_seen_count = 0;
}

bool begin(const char* first) {
    if (const std::thread::id driver = g_driver.load(std::memory_order_relaxed);
        driver != std::thread::id() && driver != std::this_thread::get_id())
        return foreign_call(first);
    if (!g_out && !g_rec_calls) return false;
    if (g_rec_calls) {
        const std::size_t n = (*g_rec_count)++;
        g_rec_call = n < g_rec_capacity ? &g_rec_calls[n] : nullptr;
        if (g_rec_call) *g_rec_call = RecordedCall{first, 0, {}};
    }
    if (g_out) {
        g_len = 0;
        put(first ? first : "null");
        g_line_start = false;
    }
    return true;
}

void end() {
    g_rec_call = nullptr;
    if (!g_out) return;
    put('\n');
    flush_line();
    if (g_in_pieces) lock_stream(g_out, false);
    g_in_pieces = false;
}

void word(const char* w) {
    const bool result = w && w[0] == '=' && !w[1];
    token(kept(result ? RecordedToken::result : RecordedToken::word, w),
          [&] { put(w ? w : "null"); });
}

void real(double v) {
    RecordedToken t = kept(RecordedToken::real);
    t.real_value = v;
    token(t, [&] { put_real(v); });
}

void single(float v) {
    RecordedToken t = kept(RecordedToken::real);
    t.real_value = v;
    token(t, [&] { put_single(v); });
}

void integer(long long v) {
    token(kept(RecordedToken::integer, nullptr, v), [&] { put_integer(v); });
}

void text(const char* s) {
    token(kept(RecordedToken::text, s), [&] {
        if (!s) return put("null");
        put('"');
        put(s);
        put('"');
    });
}

void vec(const VECTOR3* v) {
    RecordedToken t = kept(RecordedToken::vec, v);
    if (v) t.vec_value = *v;
    token(t, [&] { put_vec(v); });
}

void list(const unsigned* items, long long n) {
    token(kept(RecordedToken::pointer, items, n), [&] { put_list(items, n); });
}

void handle(const void* h) {
    token(kept(RecordedToken::pointer, h), [&] { put_handle(h); });
}

void handles(void* const* items, long long n) {
    token(kept(RecordedToken::pointer, items, n), [&] {
        if ((!items && n != 0) || n < 0) return put("null");
        put('[');
        for (long long i = 0; i < n; ++i) {
            if (i > 0) put(',');
            put_handle(items[i]);
        }
        put(']');
    });
}

void transform(const MGROUP_TRANSFORM* t) {
    token(kept(RecordedToken::pointer, t), [&] { put_transform(t); });
}

void light(const BEACONLIGHTSPEC* b) {
    token(kept(RecordedToken::pointer, b), [&] { put_light(b); });
}

void exhaust(const PARTICLESTREAMSPEC* e) {
    token(kept(RecordedToken::pointer, e), [&] { put_exhaust(e); });
}

void display(const VCMFDSPEC* d) {
    token(kept(RecordedToken::pointer, d), [&] { put_display(d); });
}

void coeff(AirfoilCoefficientFunction f) {
    token(kept(RecordedToken::pointer, reinterpret_cast<const void*>(f)), [&] {
        if (!f) return put("null");
        put("cf");
        put_integer(state().coeffs.number_of(reinterpret_cast<std::uintptr_t>(f)));
    });
}

void remark(const char* text) {
    Line("#").word(text);
}

}  // namespace host::trace
