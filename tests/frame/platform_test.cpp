// The platform layer's library look-ups, on the stand-in sound add-on (which
// exports the add-on's entry points and depends on the host library), and the
// SDK's keyboard modifiers.
#include "platform.h"

#include <gtest/gtest.h>

#include <string>

#include "library.h"
#include "vmapi_keys.h"

namespace {

TEST(Platform, OwnExportsAreTheLibrarysOwnAndNothingIsFoundInNoLibrary) {
    std::string error;
    ASSERT_NE(vmhost::library::open(
                  vmhost::library::executable_dir() + "/sound-full/VelmoraSound.dll", &error),
              nullptr)
        << error;
    const ModuleHandle addon = platform::find_loaded_module("VelmoraSound.dll");
    ASSERT_NE(addon, nullptr);
    EXPECT_NE(platform::find_own_export(addon, "GetVesselSoundID3"), nullptr);
    // The host library's entry point: the loader may find it through the
    // add-on, which depends on that library, but it is not the add-on's own.
    EXPECT_EQ(platform::find_own_export(addon, "VelmoraHostExtension"), nullptr);
    EXPECT_EQ(platform::find_symbol(nullptr, "GetVesselSoundID3"), nullptr);
}

TEST(Sdk, EitherKeyOfAPairIsItsModifierAndNoOther) {
    // clang-format off
    const struct { std::uint32_t key; bool shift, control, alt; } cases[] = {
        {key_code("LeftShift"),   true,  false, false}, {key_code("RightShift"),   true,  false, false},
        {key_code("LeftCtrl"), false, true,  false}, {key_code("RightCtrl"), false, true,  false},
        {key_code("LeftAlt"),     false, false, true},  {key_code("RightAlt"),     false, false, true},
        {key_code("K"),        false, false, false},
    };
    // clang-format on
    for (const auto& c : cases) {
        char key_state[256] = {};
        key_state[c.key] = static_cast<char>(0x80);
        EXPECT_EQ(modifier_held(key_state, Modifier::shift), c.shift) << c.key;
        EXPECT_EQ(modifier_held(key_state, Modifier::control), c.control) << c.key;
        EXPECT_EQ(modifier_held(key_state, Modifier::alt), c.alt) << c.key;
    }
}

}  // namespace
