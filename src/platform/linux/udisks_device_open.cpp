#include "platform/linux/udisks_device_open.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <map>
#include <mutex>
#include <vector>

#include "platform/authorization_agent.h"
#include "platform/linux/udisks_bus.h"
#include "platform/process.h"

namespace platform {
namespace {
using Clock = std::chrono::steady_clock;
// Long enough for one operation's retries, short enough that a user who
// dismissed the dialog can try again.
constexpr auto kRefusalKept = std::chrono::seconds(3);
// pkttyagent registers with polkit a moment after it starts.
constexpr int kAgentTries = 30;
constexpr unsigned kAgentPauseMs = 100;

struct Grant {
  dev_t device;
  bool writable;
  bool direct;
  int fd;
};

std::mutex g_mutex;
std::vector<Grant> g_grants;
std::map<dev_t, Clock::time_point> g_refused;
bool g_terminalAgentAllowed = false;
ProcessId g_agent = 0;

int DupOf(int fd) {
  return fcntl(fd, F_DUPFD_CLOEXEC, 3);
}

// The kernel numbers every disk it makes (a card put in, a reader plugged):
// a kept descriptor serves the disk of the same number only, never a new one
// that has the old one's device number. 0 where the kernel does not tell.
std::uint64_t SysfsDiskSequence(dev_t device) {
  std::ifstream file("/sys/dev/block/" + std::to_string(major(device)) + ":" +
                     std::to_string(minor(device)) + "/diskseq");
  std::uint64_t sequence = 0;
  file >> sequence;
  return sequence;
}

bool SameDisk(int fd, dev_t device) {
  std::uint64_t opened = 0;
  if (ioctl(fd, BLKGETDISKSEQ, &opened) != 0) return true;
  const std::uint64_t now = SysfsDiskSequence(device);
  return now == 0 || now == opened;
}

// A kept grant that serves the request: the same device and the same kind of
// transfers; a read-write grant serves reads. Grants of a disk that is gone
// are dropped.
const Grant* FindGrant(dev_t device, bool writable, bool direct) {
  for (auto it = g_grants.begin(); it != g_grants.end();) {
    if (it->device == device && !SameDisk(it->fd, device)) {
      close(it->fd);
      it = g_grants.erase(it);
      continue;
    }
    if (it->device == device && it->direct == direct && (it->writable || !writable)) return &*it;
    ++it;
  }
  return nullptr;
}

// Started only once polkit has said that no agent answers for us, so it
// stands in for none. Not as `--fallback`: polkit keeps a fallback agent for
// the subject's login session, and a process outside any session (no logind,
// a terminal over ssh without pam_systemd) would never be asked.
bool StartTerminalAgent() {
  if (!g_terminalAgentAllowed || g_agent != 0 || !isatty(STDIN_FILENO)) return false;
  return StartProgram({"pkttyagent", "--process", std::to_string(getpid())}, &g_agent,
                      ProgramOutput::kInherit);
}

int Refuse() {
  errno = EACCES;
  return -1;
}
}  // namespace

int OpenDeviceNode(const std::string& node, int flags, DeviceAsk ask) {
  const int fd = open(node.c_str(), flags | O_CLOEXEC);
  if (fd >= 0 || (errno != EACCES && errno != EPERM)) return fd;
  const int denied = errno;
  struct stat st {};
  // A node we may open, refused all the same (a write-protected medium
  // opened for writing), is no question of rights.
  const bool writable = (flags & O_ACCMODE) != O_RDONLY;
  if (stat(node.c_str(), &st) != 0 || !S_ISBLK(st.st_mode) ||
      access(node.c_str(), writable ? R_OK | W_OK : R_OK) == 0) {
    errno = denied;
    return -1;
  }
  const bool direct = (flags & O_DIRECT) != 0;
  std::lock_guard<std::mutex> lock(g_mutex);
  if (const Grant* grant = FindGrant(st.st_rdev, writable, direct)) return DupOf(grant->fd);
  if (ask == DeviceAsk::kGrantedOnly) {
    errno = denied;
    return -1;
  }
  const auto refused = g_refused.find(st.st_rdev);
  if (refused != g_refused.end() && Clock::now() - refused->second < kRefusalKept) return Refuse();

  // UDisks2 takes the access mode as "r" or "rw", the other flags as they are.
  const int udisksFlags = flags & (O_DIRECT | O_SYNC | O_DSYNC | O_EXCL);
  const std::string object = UdisksBlockObject(node);
  int granted = -1;
  std::string error;
  UdisksAnswer answer = UdisksOpenDevice(object, writable, udisksFlags, true, &granted, &error);
  if (answer == UdisksAnswer::kNeedsAgent && StartTerminalAgent()) {
    for (int i = 0; i < kAgentTries && answer == UdisksAnswer::kNeedsAgent; ++i) {
      SleepMs(kAgentPauseMs);
      answer = UdisksOpenDevice(object, writable, udisksFlags, true, &granted, &error);
    }
  }
  if (answer == UdisksAnswer::kGranted) {
    struct stat opened {};
    if (fstat(granted, &opened) != 0 || !S_ISBLK(opened.st_mode) || opened.st_rdev != st.st_rdev) {
      // Another device than the node names: never written to.
      close(granted);
      return Refuse();
    }
    g_grants.push_back({st.st_rdev, writable, direct, granted});
    return DupOf(granted);
  }
  if (answer == UdisksAnswer::kFailed) {
    // The caller tries again without O_DIRECT; then a write-protected medium
    // (refused for writing) is tried for reading.
    errno = direct ? EINVAL : writable ? EACCES : EIO;
    return -1;
  }
  g_refused[st.st_rdev] = Clock::now();
  return Refuse();
}

void AllowTerminalAgent(bool allow) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_terminalAgentAllowed = allow;
}

void StopTerminalAgent() {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_agent == 0) return;
  kill(static_cast<pid_t>(g_agent), SIGTERM);
  if (WaitForProgram(g_agent, 2000) != WaitResult::kFinished) {
    kill(static_cast<pid_t>(g_agent), SIGKILL);
    (void)WaitForProgram(g_agent, 1000);
  }
  g_agent = 0;
}

TerminalAuthorization::TerminalAuthorization() {
  AllowTerminalAgent(true);
}

TerminalAuthorization::~TerminalAuthorization() {
  StopTerminalAgent();
  AllowTerminalAgent(false);
}

}  // namespace platform
