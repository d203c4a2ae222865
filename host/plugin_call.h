// One call from the host into the plug-in, traced the way every such call is:
// the order check of a callback, the ">" line, the call, the "<" line with
// what it returned, then the look at the records and lights the call may have
// changed. vmhost's commands and the flight model's coefficient calls all go
// through here, so a call cannot be traced one way in one place and another
// way in the next. Header-only, built on host.h's public functions alone.
#pragma once

#include <type_traits>
#include <utility>

#include "host.h"

namespace host {

// For a call without a "<" line: it returns nothing the trace shows.
struct NoReply {};

// Makes one call into the plug-in, in this order:
//   request()      writes the ">" line;
//   call()         calls the plug-in, and does what must be done before the
//                  host looks at what the call changed (a deleted vessel is
//                  gone by then); returns what the plug-in returned, if any;
//   reply(result)  writes the "<" line (reply() when call returns nothing),
//                  and any broken rule the result shows;
//   check_lights().
// Returns what call() returned. Nothing allocates. When call() throws, the
// rest is left out.
template <class Request, class Call, class Reply = NoReply>
auto plugin_call(Request&& request, Call&& call, Reply&& reply = {}) {
    constexpr bool has_reply = !std::is_same_v<std::decay_t<Reply>, NoReply>;
    request();
    if constexpr (std::is_void_v<std::invoke_result_t<Call&>>) {
        call();
        if constexpr (has_reply) reply();
        check_lights();
    } else {
        auto result = call();
        if constexpr (has_reply) reply(std::as_const(result));
        check_lights();
        return result;
    }
}

// The same for a callback whose order the host checks: calling(vessel, c)
// comes first.
template <class Request, class Call, class Reply = NoReply>
auto plugin_call(VesselHandle vessel, Callback c, Request&& request, Call&& call,
                 Reply&& reply = {}) {
    calling(vessel, c);
    return plugin_call(std::forward<Request>(request), std::forward<Call>(call),
                       std::forward<Reply>(reply));
}

// A call of an airfoil's coefficient function: the same trace whether the
// flight model or a scenario's `airfoil` command makes it.
inline void coeff_call(AirfoilCoefficientFunction f, double aoa, double mach, double reynolds,
                       double* cl, double* cm, double* cd) {
    plugin_call([&] { Line(">").coeff(f).real(aoa).real(mach).real(reynolds); },
                [&] { f(aoa, mach, reynolds, cl, cm, cd); },
                [&] { Line("<").real(*cl).real(*cm).real(*cd); });
}

}  // namespace host
