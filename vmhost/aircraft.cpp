// The table of the aircraft vmhost knows by name.
#include "aircraft.h"

#include <cstddef>
#include <filesystem>
#include <utility>

#include "flights.h"
#include "library.h"

namespace vmhost {
namespace {

constexpr double kStall = 15 / kDegrees;  // the wing's greatest lift, frame/airfoil.cpp

// Builders for the rows of a panel. `anim` shows offset + scale * state of the
// animation NAME, wrapped into 0..period when a period is given.
Indicator anim(const char* name, double offset, double scale, double period = 0) {
    return {std::string("anim_") + name, offset, scale, period};
}
Gauge dial(const char* label, const char* unit, int decimals, Face face,
           std::vector<Indicator> needles) {
    return {GaugeKind::dial, label, unit, decimals, face, std::move(needles)};
}
// Something that turns round, one turn per state 1: a wheel, a propeller.
Gauge spinner(const char* label, const char* name) {
    return dial(label, "°", 0, {0, 360, 0, 360, 90, 0}, {anim(name, 0, 360, 360)});
}
// The horizon's pitch or bank: the state is (angle + 3 rad) / 6, 0.5 when level.
Indicator attitude(const char* name, const char* role, const char* reading) {
    return anim(name, -3 * kDegrees, 6 * kDegrees).named(role).like(reading, kDegrees);
}
Gauge horizon(const char* label, std::vector<Indicator> pitch_and_bank) {
    return {GaugeKind::horizon, label, "°", 0, {}, std::move(pitch_and_bank)};
}
Gauge drum(const char* label, const char* unit, std::vector<Indicator> ones_first) {
    return {GaugeKind::drum, label, unit, 0, {}, std::move(ones_first)};
}
Gauge bar(const char* label, const char* unit, int decimals, double lo, double hi, Indicator marker,
          std::vector<Meaning> meanings = {}) {
    return {GaugeKind::bar,     label, unit, decimals, {lo, hi}, {std::move(marker)},
            std::move(meanings)};
}
// A control surface, -1..1 over the states 0..1 as the host moves it.
Gauge surface(const char* label, const char* name) {
    return bar(label, "", 2, -1, 1, anim(name, -1, 2));
}
Gauge lamp(const char* label, const char* column) {
    return {GaugeKind::lamp, label, "", 0, {}, {{column}}};
}

// What the two aircraft have in common: the heading indicator turns its card
// once per state 1 (the plug-ins give it 0.16 per radian), and the clock's
// hands each turn once per state 1, the fastest once in 5000 steps of 0.02 s,
// 100 s, each turn moving the next hand on by a sixtieth: 100 minutes a turn
// for the next, 100 hours for the slowest. So the face counts to 100 s, and
// the three hands read together give the flight's time.
Gauge heading_indicator() {
    return dial("heading", "°", 0, {0, 360, 0, 360, 10, 90},
                {anim("heading", 0, 360, 360).like("heading_rad", kDegrees)});
}
Gauge clock(const char* sec, const char* min, const char* hour) {
    return dial("clock", "s", 0, {0, 100, 0, 360, 5, 25},
                {anim(sec, 0, 100, 100).named("fast hand").like("time_s"),
                 anim(min, 0, 6000, 6000).named("minute hand").like("time_s").stepping(),
                 anim(hour, 0, 360000, 360000).named("hour hand").like("time_s").stepping()});
}

// An aircraft's animation names and ids, from its outline (NAME/outline.h).
template <class Key, std::size_t N>
std::vector<const char*> names(const kit::Named<Key> (&animations)[N]) {
    std::vector<const char*> v;
    for (const kit::Named<Key>& a : animations) v.push_back(a.name);
    return v;
}
template <class Key>
int id(Key animation) {
    return static_cast<int>(animation);
}

const Aircraft kAircraft[] = {
// Each aircraft NAME of VM_AIRCRAFT brings its row, NAME/vmhost_row.inc.
#include "aircraft_rows.inc"
};

}  // namespace

std::span<const Aircraft> all_aircraft() {
    return kAircraft;
}

const Aircraft* find_aircraft(std::string_view name) {
    for (const Aircraft& a : kAircraft)
        if (name == a.name) return &a;
    return nullptr;
}

std::string_view example_scenario(const Aircraft& a) {
    for (const auto& e : examples::kExamples)
        if (e.aircraft && std::string_view(e.aircraft) == a.name) return e.text;
    return {};
}

std::string aircraft_names(const char* separator, const char* last) {
    std::string names;
    const std::size_t n = std::size(kAircraft);
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0) names += i + 1 == n ? last : separator;
        names += kAircraft[i].name;
    }
    return names;
}

std::vector<std::string> aircraft_list() {
    std::vector<std::string> names;
    for (const Aircraft& a : kAircraft) names.emplace_back(a.name);
    return names;
}

std::string plugin_path(const Aircraft& a) {
    const std::string bin = library::executable_dir();
    const std::string file = library::plugin_file(a.library);
    std::error_code ec;
    if (std::filesystem::exists(bin + "/" + file, ec)) return bin + "/" + file;
    return bin + "/../Modules/" + file;
}

}  // namespace vmhost
