// Recording of host calls: while a recording is on, every traced call (the
// plug-in's calls into the host and the add-on lines) is also kept as its
// operation name and typed arguments, in a list the caller provides. A
// benchmark records what one callback does and replays the same calls.
// Recording neither allocates nor needs the trace to be on.
#pragma once

#include <cstddef>

#include "control.h"
#include "vmapi.h"

namespace host {

struct RecordedToken {
    enum Kind { word, real, integer, text, vec, pointer, result } kind;
    double real_value;        // real
    long long integer_value;  // integer; a count for lists and handle lists
    const void* ptr;          // word, text, pointer (handles, records), vec (as passed)
    VECTOR3 vec_value;        // vec, when its pointer is not null
};

struct RecordedCall {
    static constexpr int kMaxTokens = 12;
    const char* name;  // the line's first word, e.g. "SetAnimation" or "~"
    int count;         // tokens after the name; extra ones are dropped
    RecordedToken tokens[kMaxTokens];
};

// Records into calls[0..capacity) from now on; `*count` says how many calls
// were made, and may exceed `capacity` (the calls past it are not kept).
// A null list stops recording. Words and texts are kept by pointer only.
inline void record_to(RecordedCall* calls, std::size_t capacity, std::size_t* count) {
    control().record_to(calls, capacity, count);
}

}  // namespace host
