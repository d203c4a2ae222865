// Trace lines: formatted into one fixed buffer and written with fwrite, so a
// traced call costs no heap allocation and, with a buffered FILE, no system
// call. With tracing off nothing is formatted.
#include <charconv>
#include <cstring>

#include "recording.h"
#include "state.h"

namespace host {
namespace {

std::FILE* g_out = nullptr;

// The recording, when one is on, and the call being recorded (null when the
// list is full).
RecordedCall* g_rec_calls = nullptr;
std::size_t g_rec_capacity = 0;
std::size_t* g_rec_count = nullptr;
RecordedCall* g_rec_call = nullptr;

RecordedToken* rec_token(RecordedToken::Kind kind) {
    if (!g_rec_call || g_rec_call->count == RecordedCall::kMaxTokens) return nullptr;
    RecordedToken& t = g_rec_call->tokens[g_rec_call->count++];
    t = RecordedToken{kind, 0, 0, nullptr, {0, 0, 0}};
    return &t;
}
void rec(RecordedToken::Kind kind, const void* p) {
    if (RecordedToken* t = rec_token(kind)) t->ptr = p;
}
void rec_real(double v) {
    if (RecordedToken* t = rec_token(RecordedToken::real)) t->real_value = v;
}
void rec_integer(long long v) {
    if (RecordedToken* t = rec_token(RecordedToken::integer)) t->integer_value = v;
}
void rec_vec(const VECTOR3* v) {
    if (RecordedToken* t = rec_token(RecordedToken::vec)) {
        t->ptr = v;
        if (v) t->vec_value = *v;
    }
}
void rec_list(const void* p, long long n) {
    if (RecordedToken* t = rec_token(RecordedToken::pointer)) {
        t->ptr = p;
        t->integer_value = n;
    }
}

// The line being built. Lines never nest, so one buffer serves them all; a
// line longer than the buffer is written out in pieces.
char g_line[8192];
std::size_t g_len = 0;
bool g_line_start = true;

void flush_line() {
    if (g_len > 0 && g_out) std::fwrite(g_line, 1, g_len, g_out);
    g_len = 0;
}

void put(const char* s, std::size_t n) {
    while (n > 0) {
        if (g_len == sizeof g_line) flush_line();
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

// The blank before every token but the first.
void token() {
    if (!g_line_start) put(' ');
    g_line_start = false;
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
void put_list(const UINT* items, long long n) {
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

}  // namespace

void trace_to(std::FILE* out) {
    trace_flush();
    g_out = out;
}

void record_to(RecordedCall* calls, std::size_t capacity, std::size_t* count) {
    g_rec_calls = calls && count ? calls : nullptr;
    g_rec_capacity = g_rec_calls ? capacity : 0;
    g_rec_count = g_rec_calls ? count : nullptr;
    g_rec_call = nullptr;
    if (g_rec_count) *g_rec_count = 0;
}

bool tracing() {
    return g_out != nullptr;
}

void trace_flush() {
    if (g_out) std::fflush(g_out);
}

Line::Line(const char* first) : on_(g_out != nullptr || g_rec_calls != nullptr) {
    if (!on_) return;
    if (g_rec_calls) {
        const std::size_t n = (*g_rec_count)++;
        g_rec_call = n < g_rec_capacity ? &g_rec_calls[n] : nullptr;
        if (g_rec_call) *g_rec_call = RecordedCall{first, 0, {}};
    }
    if (!g_out) return;
    g_len = 0;
    g_line_start = true;
    token();
    put(first ? first : "null");
}

Line::~Line() {
    g_rec_call = nullptr;
    if (!on_ || !g_out) return;
    put('\n');
    flush_line();
}

Line& Line::word(const char* w) {
    if (!on_) return *this;
    rec(w && w[0] == '=' && !w[1] ? RecordedToken::result : RecordedToken::word, w);
    if (!g_out) return *this;
    token();
    put(w ? w : "null");
    return *this;
}

Line& Line::real(double v) {
    if (!on_) return *this;
    rec_real(v);
    if (!g_out) return *this;
    token();
    put_real(v);
    return *this;
}

Line& Line::single(float v) {
    if (!on_) return *this;
    rec_real(v);
    if (!g_out) return *this;
    token();
    put_single(v);
    return *this;
}

Line& Line::integer(long long v) {
    if (!on_) return *this;
    rec_integer(v);
    if (!g_out) return *this;
    token();
    put_integer(v);
    return *this;
}

Line& Line::boolean(bool v) {
    return integer(v ? 1 : 0);
}

Line& Line::text(const char* s) {
    if (!on_) return *this;
    rec(RecordedToken::text, s);
    if (!g_out) return *this;
    token();
    if (!s) {
        put("null");
    } else {
        put('"');
        put(s);
        put('"');
    }
    return *this;
}

Line& Line::vec(const VECTOR3& v) {
    return vec(&v);
}

Line& Line::vec(const VECTOR3* v) {
    if (!on_) return *this;
    rec_vec(v);
    if (!g_out) return *this;
    token();
    put_vec(v);
    return *this;
}

Line& Line::list(const UINT* items, long long n) {
    if (!on_) return *this;
    rec_list(items, n);
    if (!g_out) return *this;
    token();
    put_list(items, n);
    return *this;
}

Line& Line::handle(const void* h) {
    if (!on_) return *this;
    rec(RecordedToken::pointer, h);
    if (!g_out) return *this;
    token();
    put_handle(h);
    return *this;
}

Line& Line::handles(void* const* items, long long n) {
    if (!on_) return *this;
    rec_list(items, n);
    if (!g_out) return *this;
    token();
    if ((!items && n != 0) || n < 0) {
        put("null");
        return *this;
    }
    put('[');
    for (long long i = 0; i < n; ++i) {
        if (i > 0) put(',');
        put_handle(items[i]);
    }
    put(']');
    return *this;
}

Line& Line::result() {
    return word("=");
}

Line& Line::transform(const MGROUP_TRANSFORM* t) {
    if (!on_) return *this;
    rec(RecordedToken::pointer, t);
    if (!g_out) return *this;
    token();
    if (!record_begin(state().transforms, t)) return *this;
    const MGROUP_TRANSFORM::TYPE type = t->Type();
    put(type == MGROUP_TRANSFORM::ROTATE      ? "rot"
        : type == MGROUP_TRANSFORM::TRANSLATE ? "trans"
                                              : "none");
    field("mesh");
    put_integer(t->mesh);
    field("groups");
    put_list(t->grp, t->ngrp);
    if (type == MGROUP_TRANSFORM::ROTATE) {
        const auto* r = static_cast<const MGROUP_ROTATE*>(t);
        field("ref");
        put_vec(&r->ref);
        field("axis");
        put_vec(&r->axis);
        field("angle");
        put_single(r->angle);
    } else if (type == MGROUP_TRANSFORM::TRANSLATE) {
        field("shift");
        put_vec(&static_cast<const MGROUP_TRANSLATE*>(t)->shift);
    }
    put('}');
    return *this;
}

Line& Line::light(const BEACONLIGHTSPEC* b) {
    if (!on_) return *this;
    rec(RecordedToken::pointer, b);
    if (!g_out) return *this;
    token();
    if (!record_begin(state().lights, b)) return *this;
    put("shape=");
    put_integer(b->shape);
    field("pos");
    put_vec(b->pos);
    field("col");
    put_vec(b->col);
    field("size");
    put_real(b->size);
    field("falloff");
    put_real(b->falloff);
    field("period");
    put_real(b->period);
    field("duration");
    put_real(b->duration);
    field("tofs");
    put_real(b->tofs);
    field("active");
    put_integer(b->active ? 1 : 0);
    put('}');
    return *this;
}

Line& Line::exhaust(const PARTICLESTREAMSPEC* e) {
    if (!on_) return *this;
    rec(RecordedToken::pointer, e);
    if (!g_out) return *this;
    token();
    if (!record_begin(state().exhausts, e)) return *this;
    put("flags=");
    put_integer(e->flags);
    const struct {
        const char* name;
        double value;
    } reals[] = {
        {"srcsize", e->srcsize},        {"srcrate", e->srcrate},   {"v0", e->v0},
        {"srcspread", e->srcspread},    {"lifetime", e->lifetime}, {"growthrate", e->growthrate},
        {"atmslowdown", e->atmslowdown}};
    for (const auto& r : reals) {
        field(r.name);
        put_real(r.value);
    }
    field("ltype");
    put_integer(e->ltype);
    field("levelmap");
    put_integer(e->levelmap);
    field("lmin");
    put_real(e->lmin);
    field("lmax");
    put_real(e->lmax);
    field("atmsmap");
    put_integer(e->atmsmap);
    field("amin");
    put_real(e->amin);
    field("amax");
    put_real(e->amax);
    field("tex");
    put_handle(e->tex);
    put('}');
    return *this;
}

Line& Line::display(const VCMFDSPEC* d) {
    if (!on_) return *this;
    rec(RecordedToken::pointer, d);
    if (!g_out) return *this;
    token();
    if (!record_begin(state().displays, d)) return *this;
    put("mesh=");
    put_integer(d->nmesh);
    field("group");
    put_integer(d->ngroup);
    put('}');
    return *this;
}

Line& Line::coeff(AirfoilCoeffFunc f) {
    if (!on_) return *this;
    rec(RecordedToken::pointer, reinterpret_cast<const void*>(f));
    if (!g_out) return *this;
    token();
    if (!f) {
        put("null");
        return *this;
    }
    put("cf");
    put_integer(state().coeffs.number_of(reinterpret_cast<std::uintptr_t>(f)));
    return *this;
}

void remark(const char* text) {
    Line("#").word(text);
}

}  // namespace host
