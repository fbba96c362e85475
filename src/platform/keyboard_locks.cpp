#include "platform/keyboard_locks.h"

#include <cstdlib>

namespace platform {
namespace {
bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool Lit(const std::string& brightness) {
  return std::strtol(brightness.c_str(), nullptr, 10) > 0;
}
}  // namespace

LockKeyState LockKeysFromLights(const std::vector<KeyboardLight>& lights) {
  LockKeyState state;
  for (const KeyboardLight& light : lights) {
    if (!Lit(light.brightness)) continue;
    if (EndsWith(light.name, "::capslock")) state.capsLock = true;
    if (EndsWith(light.name, "::numlock")) state.numLock = true;
    if (EndsWith(light.name, "::scrolllock")) state.scrollLock = true;
  }
  return state;
}

}  // namespace platform
