// The trace inside the host library. Every SDK method writes its line with
// trace::Line, a direct call; vmhost's own lines reach the same functions
// through the control interface (host::Line in host.h, the same methods).
// Recording (recording.h) keeps the same tokens typed.
#pragma once

#include <cstddef>
#include <cstdio>

#include "vmapi.h"

namespace host {
struct RecordedCall;
}

namespace host::trace {

// Where lines go; null switches tracing off (no line is formatted at all).
void to(std::FILE* out);
bool on();
void flush();
void record_to(RecordedCall* calls, std::size_t capacity, std::size_t* count);

// The thread that calls into the plug-in from now on. A line begun on any
// other thread is not traced: it is a host call from a foreign thread,
// reported once per operation as "! host call from a foreign thread: NAME"
// and counted in foreign_calls() (until forget_driver()).
void drive_from_this_thread();
int foreign_calls();
// No driving thread, no foreign call seen: as before the first load.
void forget_driver();

// One line, token by token. begin says whether the line is kept at all
// (tracing or recording are on); only then may tokens and end follow. Lines
// never nest.
bool begin(const char* first);
void end();
void word(const char* w);
void real(double v);
void single(float v);
void integer(long long v);
void text(const char* s);
void vec(const VECTOR3* v);
void list(const unsigned* items, long long n);
void handle(const void* h);
void handles(void* const* items, long long n);
void transform(const MGROUP_TRANSFORM* t);
void light(const BEACONLIGHTSPEC* b);
void exhaust(const PARTICLESTREAMSPEC* e);
void display(const VCMFDSPEC* d);
void coeff(AirfoilCoefficientFunction f);

// A line as host::Line writes it (see host.h for the tokens), as a temporary
// in one full expression: trace::Line("SetSize").real(size);
class Line {
  public:
    explicit Line(const char* first) : on_(begin(first)) {}
    ~Line() {
        if (on_) end();
    }
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;

    Line& word(const char* w) { return add(trace::word, w); }
    Line& real(double v) { return add(trace::real, v); }
    Line& single(float v) { return add(trace::single, v); }
    Line& integer(long long v) { return add(trace::integer, v); }
    Line& boolean(bool v) { return integer(v ? 1 : 0); }
    Line& text(const char* s) { return add(trace::text, s); }
    Line& vec(const VECTOR3& v) { return vec(&v); }
    Line& vec(const VECTOR3* v) { return add(trace::vec, v); }
    Line& list(const unsigned* items, long long n) { return add(trace::list, items, n); }
    Line& handle(const void* h) { return add(trace::handle, h); }
    Line& handles(void* const* items, long long n) { return add(trace::handles, items, n); }
    Line& result() { return word("="); }
    Line& transform(const MGROUP_TRANSFORM* t) { return add(trace::transform, t); }
    Line& light(const BEACONLIGHTSPEC* b) { return add(trace::light, b); }
    Line& exhaust(const PARTICLESTREAMSPEC* e) { return add(trace::exhaust, e); }
    Line& display(const VCMFDSPEC* d) { return add(trace::display, d); }
    Line& coeff(AirfoilCoefficientFunction f) { return add(trace::coeff, f); }

  private:
    // Every token: nothing at all while the line is not kept.
    template <class... Params, class... Args>
    Line& add(void (*token)(Params...), Args... args) {
        if (on_) token(args...);
        return *this;
    }
    bool on_;
};

// A remark line "# TEXT".
void remark(const char* text);

}  // namespace host::trace
