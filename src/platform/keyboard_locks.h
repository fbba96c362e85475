// The keyboard's lock keys (Caps, Num and Scroll Lock), which the main
// window's status bar shows.
#pragma once

#include <string>
#include <vector>

namespace platform {

struct LockKeyState {
  bool capsLock = false;
  bool numLock = false;
  bool scrollLock = false;
  bool operator==(const LockKeyState&) const = default;
};

// One light of a keyboard as the system lists it: its name (on Linux
// "input3::capslock") and its brightness as text ("0", "1").
struct KeyboardLight {
  std::string name;
  std::string brightness;
};

// A lock is on when any keyboard's light of that lock is lit (several
// keyboards each have their own lights, which the system keeps in step).
LockKeyState LockKeysFromLights(const std::vector<KeyboardLight>& lights);

// The lock keys now; all off where the system does not tell (no keyboard
// lights, as in a container or over a remote display).
LockKeyState ReadLockKeys();

}  // namespace platform
