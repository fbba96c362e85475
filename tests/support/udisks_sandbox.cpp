#include "support/udisks_sandbox.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/linux/process_watch.h"
#include "platform/linux/sysfs_reader.h"
#include "platform/linux/udisks_bus.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace testsupport {
namespace {
constexpr const char* kLockFile = "/run/lock/quillfen-udisks-sandbox.lock";

// One sandbox at a time on the machine: the rule file and loop device
// numbers are the machine's. Taken by the sandbox and by the polkit rule
// (which a test writes before its sandbox starts), once per process, so
// that another test program cannot swap the rule under a running sandbox.
int lockDescriptor = -1;
int lockHolders = 0;

bool TakeSandboxLock() {
  if (lockHolders++ > 0) return lockDescriptor >= 0;
  lockDescriptor = open(kLockFile, O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lockDescriptor < 0) {
    lockDescriptor = open("/tmp/quillfen-udisks-sandbox.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  }
  if (lockDescriptor >= 0 && flock(lockDescriptor, LOCK_EX) != 0) {
    close(lockDescriptor);
    lockDescriptor = -1;
  }
  return lockDescriptor >= 0;
}

void ReleaseSandboxLock() {
  if (--lockHolders > 0) return;
  if (lockDescriptor >= 0) close(lockDescriptor);
  lockDescriptor = -1;
}
constexpr const char* kRuleFile = "/etc/polkit-1/rules.d/10-quillfen-test.rules";
constexpr const char* kPolkitd = "/usr/lib/polkit-1/polkitd";
constexpr const char* kStandardSocket = "/run/dbus/system_bus_socket";
const char* const kBusConfig = R"(<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=@SOCKET@</listen>@STANDARD@
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
)";

// udevd sees every device event of the machine; it only probes loop devices'
// file systems, so that UDisks2 learns what a new loop device holds.
const char* const kRules = "SUBSYSTEM==\"block\", KERNEL==\"loop*\", IMPORT{builtin}=\"blkid\"";
const char* const kCardHints = ", ENV{UDISKS_SYSTEM}=\"0\", ENV{UDISKS_AUTO}=\"1\"";

// Runs in the new mount namespace: udevd in the background, then udisksd.
const char* const kInner = R"(set -e
mount -t tmpfs -o mode=755 tmpfs /run
mount -t tmpfs -o mode=755 tmpfs /media
mkdir -p /run/udev/rules.d "$1/empty"
cp "$1/90-loop.rules" /run/udev/rules.d/
mount --bind "$1/empty" /usr/lib/udev/rules.d
mount --bind "$1/empty" /etc/udev/rules.d
"$2" --resolve-names=never >"$1/udevd.log" 2>&1 &
echo $! >"$1/udevd.pid"
exec "$3" >"$1/udisksd.log" 2>&1
)";

std::string FirstExisting(std::initializer_list<const char*> paths) {
  for (const char* path : paths) {
    if (access(path, X_OK) == 0) return path;
  }
  return {};
}

void Replace(std::string& text, const std::string& from, const std::string& to) {
  text.replace(text.find(from), from.size(), to);
}

// A connection of our own to the private bus, not the process's system bus.
struct PrivateBus {
  sd_bus* bus = nullptr;
  explicit PrivateBus(const std::string& address) {
    if (sd_bus_new(&bus) < 0) return;
    sd_bus_set_address(bus, address.c_str());
    sd_bus_set_bus_client(bus, 1);
    sd_bus_set_method_call_timeout(bus, 2'000'000);
    if (sd_bus_start(bus) < 0) {
      sd_bus_unref(bus);
      bus = nullptr;
    }
  }
  ~PrivateBus() { sd_bus_flush_close_unref(bus); }
  // True when the object answers a property read of the interface.
  bool Answers(const std::string& object, const char* interface, const char* property) const {
    if (bus == nullptr) return false;
    sd_bus_error error{};  // the same as SD_BUS_ERROR_NULL
    sd_bus_message* reply = nullptr;
    const int r = sd_bus_get_property(bus, "org.freedesktop.UDisks2", object.c_str(), interface,
                                      property, &error, &reply, "s");
    sd_bus_error_free(&error);
    sd_bus_message_unref(reply);
    return r >= 0;
  }
};
}  // namespace

UdisksSandbox::UdisksSandbox(const std::string& folder, Polkit polkit, Loops loops)
    : folder_(folder) {
  reason_ = Start(polkit, loops);
}

UdisksSandbox::~UdisksSandbox() {
  Stop();
}

std::string UdisksSandbox::Start(Polkit polkit, Loops loops) {
  if (geteuid() != 0) return "a private udisksd needs root";
  if (polkit != Polkit::kNone && access(kPolkitd, X_OK) != 0) return "polkitd is not installed";
  if (access("/dev/loop-control", R_OK | W_OK) != 0) return "no /dev/loop-control";
  const std::string udisksd =
      FirstExisting({"/usr/libexec/udisks2/udisksd", "/usr/lib/udisks2/udisksd"});
  const std::string udevd =
      FirstExisting({"/lib/systemd/systemd-udevd", "/usr/lib/systemd/systemd-udevd"});
  if (udisksd.empty()) return "udisksd is not installed";
  if (udevd.empty()) return "systemd-udevd is not installed";
  for (const char* program : {"dbus-daemon", "unshare"}) {
    if (!testsupport::HaveProgram(program)) return std::string(program) + " is not installed";
  }

  const std::string socket = folder_ + "/system_bus_socket";
  std::string config = kBusConfig;
  Replace(config, "@SOCKET@", socket);
  locked_ = true;
  if (!TakeSandboxLock()) return "cannot take the sandbox lock";
  // Setuid programs ignore $DBUS_SYSTEM_BUS_ADDRESS; where no system bus
  // runs, ours takes the standard socket for the time of the test.
  standardSocket_ = polkit == Polkit::kAsking && access("/run/dbus", W_OK) == 0 &&
                    access(kStandardSocket, F_OK) != 0;
  std::string standard;
  if (standardSocket_)
    standard.append("\n  <listen>unix:path=").append(kStandardSocket).append("</listen>");
  Replace(config, "@STANDARD@", standard);
  // polkitd drops root, and the users the tests run as reach the socket.
  chmod(folder_.c_str(), 0755);
  if (!testsupport::WriteHostFile(folder_ + "/bus.conf", config) ||
      !testsupport::WriteHostFile(
          folder_ + "/90-loop.rules",
          std::string(kRules).append(loops == Loops::kCards ? kCardHints : "").append("\n")) ||
      !testsupport::WriteHostFile(folder_ + "/inner.sh", kInner)) {
    return "cannot write the sandbox's files";
  }
  if (!platform::StartProgram({"dbus-daemon", "--config-file=" + folder_ + "/bus.conf", "--nofork"},
                              &bus_, platform::ProgramOutput::kDiscard)) {
    return "dbus-daemon did not start";
  }
  for (int i = 0; i < 200 && access(socket.c_str(), F_OK) != 0; ++i) platform::SleepMs(10);
  if (access(socket.c_str(), F_OK) != 0) return "dbus-daemon made no socket";
  chmod(socket.c_str(), 0666);
  if (standardSocket_) chmod(kStandardSocket, 0666);
  address_ = "unix:path=" + socket;

  const char* old = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
  const std::string saved = old != nullptr ? old : "";
  setenv("DBUS_SYSTEM_BUS_ADDRESS", address_.c_str(), 1);
  const bool started =
      (polkit == Polkit::kNone || platform::StartProgram({kPolkitd, "--no-debug"}, &polkit_,
                                                         platform::ProgramOutput::kDiscard)) &&
      platform::StartProgram({"unshare", "-m", "--propagation", "private", "sh",
                              folder_ + "/inner.sh", folder_, udevd, udisksd},
                             &udisks_, platform::ProgramOutput::kDiscard);
  if (old != nullptr) {
    setenv("DBUS_SYSTEM_BUS_ADDRESS", saved.c_str(), 1);
  } else {
    unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
  }
  if (!started) return "polkitd or unshare did not start";
  const PrivateBus bus(address_);
  for (int i = 0; i < 100; ++i) {
    if (bus.Answers("/org/freedesktop/UDisks2/Manager", "org.freedesktop.UDisks2.Manager",
                    "Version")) {
      return {};
    }
    if (platform::WaitForProgram(udisks_, 0) == platform::WaitResult::kFinished) {
      udisks_ = 0;
      return "udisksd ended at once: " + Log();
    }
    platform::SleepMs(50);
  }
  return "udisksd did not come up on the private bus: " + Log();
}

void UdisksSandbox::Stop() {
  std::string pid;
  if (testsupport::ReadHostFile(folder_ + "/udevd.pid", &pid)) {
    const long udevd = std::strtol(pid.c_str(), nullptr, 10);
    if (udevd > 0) {
      kill(static_cast<pid_t>(udevd), SIGTERM);
      platform::WaitForProcessEnd(udevd, 3000);
    }
  }
  for (platform::ProcessId* process : {&udisks_, &polkit_, &bus_}) {
    if (*process == 0) continue;
    kill(static_cast<pid_t>(*process), SIGTERM);
    if (platform::WaitForProgram(*process, 3000) != platform::WaitResult::kFinished) {
      kill(static_cast<pid_t>(*process), SIGKILL);
      platform::WaitForProgram(*process, 1000);
    }
    *process = 0;
  }
  if (standardSocket_) unlink(kStandardSocket);
  if (locked_) ReleaseSandboxLock();
  locked_ = false;
}

bool UdisksSandbox::WaitForBlock(const std::string& node, unsigned timeoutMs) const {
  const PrivateBus bus(address_);
  const std::string object = platform::UdisksBlockObject(node);
  for (unsigned waited = 0;; waited += 50) {
    if (bus.Answers(object, "org.freedesktop.UDisks2.Block", "IdType")) return true;
    if (waited >= timeoutMs) return false;
    platform::SleepMs(50);
  }
}

PolkitRule::PolkitRule(const std::string& user, bool allow)
    : PolkitRule(user, allow ? Answer::kYes : Answer::kNo) {}

PolkitRule::PolkitRule(const std::string& user, Answer answer) {
  const bool locked = TakeSandboxLock();
  const char* result = answer == Answer::kYes ? "YES" : answer == Answer::kNo ? "NO" : "AUTH_SELF";
  const std::string rule =
      "polkit.addRule(function(action, subject) {\n"
      "  if (action.id.indexOf(\"org.freedesktop.udisks2.open-device\") == 0 &&\n"
      "      subject.user == \"" +
      user + "\") {\n    return polkit.Result." + std::string(result) + ";\n  }\n});\n";
  written_ = locked && testsupport::WriteHostFile(kRuleFile, rule);
}

PolkitRule::~PolkitRule() {
  unlink(kRuleFile);
  ReleaseSandboxLock();
}

std::string UdisksSandbox::Log() const {
  std::string log;
  testsupport::ReadHostFile(folder_ + "/udisksd.log", &log);
  return log;
}

std::string LoopDevicesOf(const std::string& image) {
  std::string found;
  DIR* dir = opendir("/sys/block");
  if (dir == nullptr) return found;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.rfind("loop", 0) != 0) continue;
    std::string backing;
    if (!platform::ReadTextFile("/sys/block/" + name + "/loop/backing_file", &backing)) continue;
    while (!backing.empty() && backing.back() == '\n') backing.pop_back();
    if (backing == image) found += (found.empty() ? "/dev/" : " /dev/") + name;
  }
  closedir(dir);
  return found;
}

}  // namespace testsupport
