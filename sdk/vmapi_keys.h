// Host SDK: the keyboard, as the host passes it to clbkConsumeBufferedKey.
//
// A key is its scan code, the number the keyboard sends: one byte, with 0x80
// added for the keys a PC keyboard sends behind an extension prefix (the right
// Ctrl and Alt, the arrows, the block above them, the keypad's Enter and /).
// The key-state table that comes with a key event has 256 entries indexed by
// scan code; bit 0x80 of an entry is set while that key is held.
//
// kKeys is the one table of every key, by name; key_code("K") finds a code at
// compile time (an unknown name does not compile), so a plug-in with a key of
// its own never needs a new declaration here.
#pragma once

#include <cstdint>
#include <string_view>

struct KeyName {
    std::string_view name;
    std::uint32_t code;
};

// clang-format off
inline constexpr KeyName kKeys[] = {
    {"Escape", 0x01},
    {"1", 0x02}, {"2", 0x03}, {"3", 0x04}, {"4", 0x05}, {"5", 0x06},
    {"6", 0x07}, {"7", 0x08}, {"8", 0x09}, {"9", 0x0A}, {"0", 0x0B},
    {"Minus", 0x0C}, {"Equals", 0x0D}, {"Backspace", 0x0E}, {"Tab", 0x0F},
    {"Q", 0x10}, {"W", 0x11}, {"E", 0x12}, {"R", 0x13}, {"T", 0x14},
    {"Y", 0x15}, {"U", 0x16}, {"I", 0x17}, {"O", 0x18}, {"P", 0x19},
    {"LeftBracket", 0x1A}, {"RightBracket", 0x1B}, {"Enter", 0x1C}, {"LeftCtrl", 0x1D},
    {"A", 0x1E}, {"S", 0x1F}, {"D", 0x20}, {"F", 0x21}, {"G", 0x22},
    {"H", 0x23}, {"J", 0x24}, {"K", 0x25}, {"L", 0x26},
    {"Semicolon", 0x27}, {"Apostrophe", 0x28}, {"Grave", 0x29}, {"LeftShift", 0x2A},
    {"Backslash", 0x2B},
    {"Z", 0x2C}, {"X", 0x2D}, {"C", 0x2E}, {"V", 0x2F}, {"B", 0x30}, {"N", 0x31}, {"M", 0x32},
    {"Comma", 0x33}, {"Period", 0x34}, {"Slash", 0x35}, {"RightShift", 0x36},
    {"KeypadMultiply", 0x37}, {"LeftAlt", 0x38}, {"Space", 0x39}, {"CapsLock", 0x3A},
    {"F1", 0x3B}, {"F2", 0x3C}, {"F3", 0x3D}, {"F4", 0x3E}, {"F5", 0x3F},
    {"F6", 0x40}, {"F7", 0x41}, {"F8", 0x42}, {"F9", 0x43}, {"F10", 0x44},
    {"NumLock", 0x45}, {"ScrollLock", 0x46},
    {"Keypad7", 0x47}, {"Keypad8", 0x48}, {"Keypad9", 0x49}, {"KeypadMinus", 0x4A},
    {"Keypad4", 0x4B}, {"Keypad5", 0x4C}, {"Keypad6", 0x4D}, {"KeypadPlus", 0x4E},
    {"Keypad1", 0x4F}, {"Keypad2", 0x50}, {"Keypad3", 0x51}, {"Keypad0", 0x52},
    {"KeypadPeriod", 0x53}, {"IsoBackslash", 0x56}, {"F11", 0x57}, {"F12", 0x58},
    {"KeypadEnter", 0x9C}, {"RightCtrl", 0x9D}, {"KeypadDivide", 0xB5},
    {"PrintScreen", 0xB7}, {"RightAlt", 0xB8}, {"Pause", 0xC5},
    {"Home", 0xC7}, {"Up", 0xC8}, {"PageUp", 0xC9}, {"Left", 0xCB}, {"Right", 0xCD},
    {"End", 0xCF}, {"Down", 0xD0}, {"PageDown", 0xD1}, {"Insert", 0xD2}, {"Delete", 0xD3},
    {"LeftSystem", 0xDB}, {"RightSystem", 0xDC}, {"Menu", 0xDD},
};
// clang-format on

// The scan code of the key called `name` in kKeys. Evaluated while compiling:
// a name the table does not have is a compile error, not a wrong key.
consteval std::uint32_t key_code(std::string_view name) {
    for (const KeyName& k : kKeys)
        if (k.name == name) return k.code;
    throw "no key of that name in kKeys";
}

// Whether the key-state table shows `code` held. A null table holds nothing.
inline bool key_held(const char* key_state, std::uint32_t code) {
    return key_state && code < 256 && (key_state[code] & 0x80) != 0;
}

// The modifiers, each a pair of keys either of which counts.
enum class Modifier { shift, control, alt };

inline bool modifier_held(const char* key_state, Modifier m) {
    switch (m) {
        case Modifier::shift:
            return key_held(key_state, key_code("LeftShift")) ||
                   key_held(key_state, key_code("RightShift"));
        case Modifier::control:
            return key_held(key_state, key_code("LeftCtrl")) ||
                   key_held(key_state, key_code("RightCtrl"));
        case Modifier::alt:
            return key_held(key_state, key_code("LeftAlt")) ||
                   key_held(key_state, key_code("RightAlt"));
    }
    return false;
}
