// The platform layer's library look-ups, on the stand-in sound add-on (which
// exports the add-on's entry points and depends on the host library), and the
// SDK's keyboard modifiers.
#include "platform.h"

#include <gtest/gtest.h>

#include <string>

#include "library.h"

namespace {

TEST(Platform, OwnExportsAreTheLibrarysOwnAndNothingIsFoundInNoLibrary) {
    std::string error;
    ASSERT_NE(vmhost::library::open(
                  vmhost::library::executable_dir() + "/sound-full/VelmoraSound.dll", &error),
              nullptr)
        << error;
    const HINSTANCE addon = platform::find_loaded_module("VelmoraSound.dll");
    ASSERT_NE(addon, nullptr);
    EXPECT_NE(platform::find_own_export(addon, "GetVesselSoundID3"), nullptr);
    // The host library's entry point: the loader may find it through the
    // add-on, which depends on that library, but it is not the add-on's own.
    EXPECT_EQ(platform::find_own_export(addon, "VelmoraHostExtension"), nullptr);
    EXPECT_EQ(platform::find_symbol(nullptr, "GetVesselSoundID3"), nullptr);
}

TEST(Sdk, EitherKeyOfAPairIsItsModifierAndNoOther) {
    // clang-format off
    const struct { DWORD key; bool shift, control, alt; } cases[] = {
        {OAPI_KEY_LSHIFT,   true,  false, false}, {OAPI_KEY_RSHIFT,   true,  false, false},
        {OAPI_KEY_LCONTROL, false, true,  false}, {OAPI_KEY_RCONTROL, false, true,  false},
        {OAPI_KEY_LALT,     false, false, true},  {OAPI_KEY_RALT,     false, false, true},
        {OAPI_KEY_K,        false, false, false},
    };
    // clang-format on
    for (const auto& c : cases) {
        char kstate[256] = {};
        kstate[c.key] = static_cast<char>(0x80);
        EXPECT_EQ(KEYMOD_SHIFT(kstate), c.shift) << c.key;
        EXPECT_EQ(KEYMOD_CONTROL(kstate), c.control) << c.key;
        EXPECT_EQ(KEYMOD_ALT(kstate), c.alt) << c.key;
    }
}

}  // namespace
