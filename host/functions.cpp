// The host's free functions.
#include <numbers>

#include "state.h"

using host::trace::Line;

void InitLib(ModuleHandle hModule) {
    host::State& s = host::state();
    // The handle the plug-in's load hook passes while the host loads it is the
    // plug-in's module from then on.
    if (s.loading_module && hModule && !s.module) s.module = hModule;
    Line("InitLib").handle(hModule);
}

namespace {

// "Mmm D YYYY" as YYYYMMDD; 0 for anything else. Several blanks may separate
// the fields (the compiler pads one-digit days).
int parse_date(const char* date) {
    if (!date) return 0;
    static const char months[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
    int month = 0;
    for (int m = 0; m < 12; ++m) {
        if (date[0] && date[1] && date[2] && date[0] == months[3 * m] &&
            date[1] == months[3 * m + 1] && date[2] == months[3 * m + 2])
            month = m + 1;
    }
    if (month == 0) return 0;
    const char* p = date + 3;
    auto number = [&p](int max_digits, int* out) {
        if (*p != ' ') return false;
        while (*p == ' ') ++p;
        int digits = 0, value = 0;
        while (*p >= '0' && *p <= '9' && digits < max_digits) {
            value = value * 10 + (*p++ - '0');
            ++digits;
        }
        *out = value;
        return digits > 0;
    };
    int day = 0, year = 0;
    if (!number(2, &day) || !number(4, &year) || *p != '\0') return 0;
    if (day < 1 || day > 31) return 0;
    return year * 10000 + month * 100 + day;
}

}  // namespace

int Date2Int(const char* date) {
    const int r = parse_date(date);
    Line("Date2Int").text(date).result().integer(r);
    return r;
}

MeshHandle vmapiLoadMeshGlobal(const char* fname) {
    host::State& s = host::state();
    host::Object* mesh = nullptr;
    if (fname) {
        auto it = s.meshes_by_path.find(fname);
        if (it != s.meshes_by_path.end()) {
            mesh = it->second;
        } else {
            mesh = host::make_object(host::Kind::mesh, nullptr);
            s.meshes_by_path.emplace(fname, mesh);
        }
    }
    Line("vmapiLoadMeshGlobal").text(fname).result().handle(mesh);
    return mesh;
}

double vmapiGetInducedDrag(double cl, double A, double e) {
    const double r = cl * cl / (std::numbers::pi * A * e);
    Line("vmapiGetInducedDrag").real(cl).real(A).real(e).result().real(r);
    return r;
}

double vmapiGetTimeAcceleration() {
    const double w = host::state().warp;
    Line("vmapiGetTimeAcceleration").result().real(w);
    return w;
}

void vmapiSetTimeAcceleration(double warp) {
    Line("vmapiSetTimeAcceleration").real(warp);
    host::state().pending_warp = warp;
}

bool vmapiGetFocusHeading(double* heading) {
    const std::optional<double>& h = host::state().heading;
    if (h && heading) *heading = *h;
    Line line("vmapiGetFocusHeading");
    line.result().boolean(h.has_value());
    if (h && heading) line.real(*h);
    return h.has_value();
}

void vmapiVCRegisterMFD(int mfd, const VCMFDSPEC* spec) {
    Line("vmapiVCRegisterMFD").integer(mfd).display(spec);
    if (!spec) host::broken_rule().word("vmapiVCRegisterMFD").word("null is no display");
}
