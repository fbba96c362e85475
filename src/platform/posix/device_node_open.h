// Block device nodes opened by a user who may lack the right to open them.
// Each POSIX backend provides it: on Linux, where open(2) says EACCES or
// EPERM, UDisks2 opens the node and polkit decides (udisks_device_open.h).
#pragma once

#include <string>

namespace platform {

// Whether the system may ask the user (a polkit password dialog).
enum class DeviceAsk { kMayAsk, kGrantedOnly };

// As open(2) of a block device node with `flags` (O_RDONLY or O_RDWR, with
// O_DIRECT, O_SYNC): a new descriptor the caller closes (close-on-exec), or
// -1 with errno set: EACCES when neither the node nor the system lets us in
// (or the system does not answer in time), EINVAL when the system could not
// open it with O_DIRECT.
int OpenDeviceNode(const std::string& node, int flags, DeviceAsk ask = DeviceAsk::kMayAsk);

}  // namespace platform
