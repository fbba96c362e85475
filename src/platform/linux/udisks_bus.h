// UDisks2 on the system bus ($DBUS_SYSTEM_BUS_ADDRESS where set), as the
// Linux backend asks it for what a user without root may not do himself:
// open a block device (polkit decides) and tell how the desktop classifies a
// drive. Every call has a timeout, so a bus or a service that does not answer
// is a refusal, never a hang.
#pragma once

#include <string>

namespace platform {

// How UDisks2 answered an OpenDevice call.
enum class UdisksAnswer {
  kGranted,
  kRefused,     // polkit said no, or the user dismissed the dialog
  kNeedsAgent,  // polkit would ask, but no authentication agent is there
  kNoService,   // no bus, no UDisks2 on it, or no answer in time
  kFailed,      // UDisks2 tried and the open failed (a bad flag, no medium)
};

// The block object of a device node ("/dev/sdb" ->
// "/org/freedesktop/UDisks2/block_devices/sdb"); links are followed.
std::string UdisksBlockObject(const std::string& node);

// Block.OpenDevice with mode "r" or "rw" and open(2) flags (O_DIRECT and the
// like); polkit may ask the user when `interactive`. *fd receives a
// descriptor the caller owns.
UdisksAnswer UdisksOpenDevice(const std::string& object, bool writable, int flags, bool interactive,
                              int* fd, std::string* error);

// What UDisks2 says of a block device: false for each where it does not run
// or does not know the device.
struct UdisksHints {
  bool known = false;
  bool hintSystem = false;
  bool hintAuto = false;
  bool driveRemovable = false;  // Drive.Removable (or MediaRemovable) of its drive
};
UdisksHints UdisksBlockHints(const std::string& node);

}  // namespace platform
