// The default flights of `vmhost fly`: the scenario files
// examples/fly-tarvik.vms and examples/fly-olumbra.vms, built in.
#pragma once

namespace vmhost {

extern const char* const kFlyTarvik;
extern const char* const kFlyOlumbra;

}  // namespace vmhost
