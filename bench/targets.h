// The speed targets, checked against the results once every benchmark of the
// program has run, and printed as a summary after the benchmark table. A
// missed target is reported, never a failure: the machine may be slow.
#pragma once

#include <string>

namespace bench {

// time(numerator) / time(denominator) must be at most `limit`.
bool ratio_at_most(const std::string& label, const std::string& numerator,
                   const std::string& denominator, double limit);

// time(numerator) / time(denominator) must be at least `limit`.
bool ratio_at_least(const std::string& label, const std::string& numerator,
                    const std::string& denominator, double limit);

// Counter `counter` of benchmark `name` must be at least `limit`.
bool counter_at_least(const std::string& label, const std::string& name, const std::string& counter,
                      double limit);

}  // namespace bench
