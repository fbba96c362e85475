// The lock keys from the keyboard lights as the system lists them.
#include <gtest/gtest.h>

#include "platform/keyboard_locks.h"

namespace {
using platform::KeyboardLight;
using platform::LockKeysFromLights;
using platform::LockKeyState;

TEST(KeyboardLocks, ALockIsOnWhenAnyKeyboardLightsIt) {
  EXPECT_EQ(LockKeysFromLights({}), LockKeyState{});
  const std::vector<KeyboardLight> lights = {
      {"input3::capslock", "0\n"},   {"input3::numlock", "1\n"},
      {"input3::scrolllock", "0\n"}, {"input9::capslock", "1\n"},  // a second keyboard
      {"input3::kana", "1\n"},       {"phy0-led", "1"},
  };
  EXPECT_EQ(LockKeysFromLights(lights), (LockKeyState{true, true, false}));
  EXPECT_EQ(LockKeysFromLights({{"input1::scrolllock", "255"}}),
            (LockKeyState{false, false, true}));
  // Unreadable brightness counts as off; a name that only contains the word does not count.
  EXPECT_EQ(LockKeysFromLights({{"input1::capslock", ""}, {"capslock-x::numlock2", "1"}}),
            LockKeyState{});
}

}  // namespace
