// A UDisks2 of the test's own: a private system bus (dbus-daemon on a socket
// in a test folder), and udisksd with a udevd that probes only loop devices,
// both in a mount namespace of their own with private /run and /media, so
// that nothing they make outlives the test or touches the machine's own.
#pragma once

#include <string>

#include "platform/process.h"

namespace drivertest {

class UdisksSandbox {
 public:
  // Starts everything in `folder`; reason() tells why it could not.
  explicit UdisksSandbox(const std::string& folder);
  ~UdisksSandbox();
  UdisksSandbox(const UdisksSandbox&) = delete;
  UdisksSandbox& operator=(const UdisksSandbox&) = delete;

  // Empty when UDisks2 answers on the bus.
  const std::string& reason() const { return reason_; }
  // The bus address for $DBUS_SYSTEM_BUS_ADDRESS.
  const std::string& address() const { return address_; }
  // What udisksd wrote so far.
  std::string Log() const;

 private:
  std::string Start();
  void Stop();

  std::string folder_;
  std::string address_;
  std::string reason_;
  platform::ProcessId bus_ = 0;
  platform::ProcessId udisks_ = 0;
};

// The loop devices ("/dev/loop3") whose backing file is the image.
std::string LoopDevicesOf(const std::string& image);

}  // namespace drivertest
