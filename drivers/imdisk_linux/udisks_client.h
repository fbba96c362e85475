// A small client of UDisks2 on the system bus, the service through which a
// Linux desktop lets the logged-in user set up loop devices and mount them
// (no root needed; the file manager shows what it mounts). Every call gives
// up without asking the user for a password.
#pragma once

#include <memory>
#include <string>

struct sd_bus;

namespace linux_driver {

class UdisksClient {
 public:
  UdisksClient();
  ~UdisksClient();
  UdisksClient(const UdisksClient&) = delete;
  UdisksClient& operator=(const UdisksClient&) = delete;

  // Connects to the system bus ($DBUS_SYSTEM_BUS_ADDRESS where set).
  bool Connect();
  // True when UDisks2 runs on the bus or the bus can start it.
  bool ServiceAvailable();

  // Sets up a loop device over the open image file; its object path.
  bool LoopSetup(int imageFd, bool readOnly, std::string* object);
  // Mounts the file system of a block object; where UDisks2 mounted it.
  // Waits a moment for the file system to be recognised on a new device.
  bool Mount(const std::string& object, std::string* mountPath);
  bool Unmount(const std::string& object);
  // The loop device goes away by itself once nothing holds it any more.
  bool SetAutoclear(const std::string& object);
  bool LoopDelete(const std::string& object);
  // The device node of a block object ("/dev/loop3").
  bool DeviceOf(const std::string& object, std::string* device);

  // The last failure's D-Bus error name and message.
  const std::string& lastError() const { return lastError_; }

 private:
  sd_bus* bus_ = nullptr;
  std::string lastError_;
};

}  // namespace linux_driver
