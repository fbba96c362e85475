#include "platform/keyboard_locks.h"

#include "platform/windows/win32.h"

namespace platform {

// The toggle bit of each lock key's state.
LockKeyState ReadLockKeys() {
  LockKeyState state;
  state.capsLock = (GetKeyState(VK_CAPITAL) & 1) != 0;
  state.numLock = (GetKeyState(VK_NUMLOCK) & 1) != 0;
  state.scrollLock = (GetKeyState(VK_SCROLL) & 1) != 0;
  return state;
}

}  // namespace platform
