// A UDisks2 of the test's own: a private system bus (dbus-daemon on a socket
// in a test folder), and udisksd with a udevd that probes only loop devices,
// both in a mount namespace of their own with private /run and /media, so
// that nothing they make outlives the test or touches the machine's own.
// With polkit, polkitd answers udisksd's questions on that bus, by the rules
// in /etc/polkit-1/rules.d (PolkitRule). One sandbox at a time on the
// machine: a lock file keeps test programs from running two at once.
#pragma once

#include <string>

#include "platform/process.h"

namespace testsupport {

class UdisksSandbox {
 public:
  // kAsking: polkitd, and the bus on the standard socket too where no system
  // bus runs, for polkit's setuid password helper, which reaches only that.
  enum class Polkit { kNone, kRun, kAsking };
  // UDisks2 counts loop devices as the system's own disks; as cards, it
  // hints them to the desktop as a card reader's medium (not a system disk,
  // mounted on insertion), which makes them removable drives here.
  enum class Loops { kSystemDisks, kCards };
  // Starts everything in `folder`; reason() tells why it could not.
  explicit UdisksSandbox(const std::string& folder, Polkit polkit = Polkit::kNone,
                         Loops loops = Loops::kSystemDisks);
  ~UdisksSandbox();
  UdisksSandbox(const UdisksSandbox&) = delete;
  UdisksSandbox& operator=(const UdisksSandbox&) = delete;

  // Empty when UDisks2 answers on the bus.
  const std::string& reason() const { return reason_; }
  // The bus address for $DBUS_SYSTEM_BUS_ADDRESS; every user may connect.
  const std::string& address() const { return address_; }
  // True when the bus listens on the standard socket too (kAsking).
  bool onStandardSocket() const { return standardSocket_; }
  // What udisksd wrote so far.
  std::string Log() const;
  // True once UDisks2 has a block object for the device node.
  bool WaitForBlock(const std::string& node, unsigned timeoutMs) const;
  // A process in the sandbox's mount namespace (for nsenter --target), whose
  // /run holds the udev database of the loop devices.
  platform::ProcessId NamespaceProcess() const { return udisks_; }

 private:
  std::string Start(Polkit polkit, Loops loops);
  void Stop();

  std::string folder_;
  std::string address_;
  std::string reason_;
  bool locked_ = false;
  bool standardSocket_ = false;
  platform::ProcessId bus_ = 0;
  platform::ProcessId polkit_ = 0;
  platform::ProcessId udisks_ = 0;
};

// A polkit rule file for the tests, removed again when the guard goes away:
// the user may open block devices through UDisks2, or may not, or may once
// the user's own password is given to polkit's agent.
class PolkitRule {
 public:
  enum class Answer { kYes, kNo, kOwnPassword };
  PolkitRule(const std::string& user, bool allow);
  PolkitRule(const std::string& user, Answer answer);
  ~PolkitRule();
  PolkitRule(const PolkitRule&) = delete;
  PolkitRule& operator=(const PolkitRule&) = delete;
  bool written() const { return written_; }

 private:
  bool written_ = false;
};

// The loop devices ("/dev/loop3") whose backing file is the image.
std::string LoopDevicesOf(const std::string& image);

}  // namespace testsupport
