// The live page: one file, its script, style and chart library built in, as
// the report's; the panel is the report's own (report/panel.js). And the key
// map: the browser's name of every key of the SDK's table.
#include "report/page.h"

#include <cstdint>
#include <string>

#include "assets.h"
#include "live.h"
#include "vmapi_keys.h"

namespace vmhost::live {
namespace {

// Keys whose browser name (KeyboardEvent.code) is not the SDK's by the
// rules of browser_code.
const struct {
    std::uint32_t code;
    const char* browser;
} kRenamed[] = {
    {key_code("Equals"), "Equal"},
    {key_code("LeftBracket"), "BracketLeft"},
    {key_code("RightBracket"), "BracketRight"},
    {key_code("LeftCtrl"), "ControlLeft"},
    {key_code("RightCtrl"), "ControlRight"},
    {key_code("LeftShift"), "ShiftLeft"},
    {key_code("RightShift"), "ShiftRight"},
    {key_code("LeftAlt"), "AltLeft"},
    {key_code("RightAlt"), "AltRight"},
    {key_code("LeftSystem"), "MetaLeft"},
    {key_code("RightSystem"), "MetaRight"},
    {key_code("Menu"), "ContextMenu"},
    {key_code("Apostrophe"), "Quote"},
    {key_code("Grave"), "Backquote"},
    {key_code("IsoBackslash"), "IntlBackslash"},
    {key_code("KeypadMinus"), "NumpadSubtract"},
    {key_code("KeypadPlus"), "NumpadAdd"},
    {key_code("KeypadPeriod"), "NumpadDecimal"},
    {key_code("Up"), "ArrowUp"},
    {key_code("Down"), "ArrowDown"},
    {key_code("Left"), "ArrowLeft"},
    {key_code("Right"), "ArrowRight"},
};

// A letter is KeyA, a digit Digit1, a keypad key Numpad...; the rest keep
// the SDK's name unless renamed above.
std::string browser_code(const KeyName& k) {
    for (const auto& r : kRenamed)
        if (r.code == k.code) return r.browser;
    std::string name(k.name);
    if (name.size() == 1) return (name[0] >= 'A' && name[0] <= 'Z' ? "Key" : "Digit") + name;
    if (name.starts_with("Keypad")) return "Numpad" + name.substr(6);
    return name;
}

}  // namespace

std::string key_map_json() {
    std::string map, names;
    for (const KeyName& k : kKeys) {
        const std::string code = std::to_string(k.code);
        add_item(map, json_string(browser_code(k)) + ':' + code);
        add_item(names, json_string(code) + ':' + json_string(std::string(k.name)));
    }
    return "{\"map\":{" + map + "},\"names\":{" + names + "}}";
}

std::string page() {
    return std::string(
               "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
               "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
               "<link rel=\"icon\" href=\"data:,\">\n"
               "<title>vmhost live</title>\n<style>\n") +
           vmhost::page::kChartStyle + vmhost::page::kStyle + vmhost::page::kLiveStyle +
           "</style></head>\n<body>\n" + vmhost::page::kLiveBody + "<script>\n" +
           vmhost::page::kChartScript + "</script>\n<script>\n" + vmhost::page::kPanelScript +
           "</script>\n<script>\n" + vmhost::page::kLiveScript + "</script>\n</body></html>\n";
}

}  // namespace vmhost::live
