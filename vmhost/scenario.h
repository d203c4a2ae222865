// The scenario language: one command per line, run as it is read.
#pragma once

#include <cstdio>
#include <string>

namespace vmhost {

// Exit statuses of vmhost.
enum Status {
    kOk = 0,
    kBadInput = 2,  // bad command line or a scenario that cannot run
};

// Runs the scenario `text`, read from the file `name` (used in messages),
// with the trace going wherever host::trace_to points. A faulty line is
// reported on `err` as "NAME:LINE: error: WHAT" and ends the run: nothing
// after it runs. A run that reaches the end deletes the vessels still alive
// and unloads the plug-in, as `unload` would.
Status run_scenario(const std::string& name, const std::string& text, std::FILE* err);

}  // namespace vmhost
