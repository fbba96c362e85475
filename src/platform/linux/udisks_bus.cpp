#include "platform/linux/udisks_bus.h"

#include <fcntl.h>
#include <systemd/sd-bus.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace platform {
namespace {
constexpr const char* kService = "org.freedesktop.UDisks2";
constexpr const char* kBlockInterface = "org.freedesktop.UDisks2.Block";
constexpr const char* kDriveInterface = "org.freedesktop.UDisks2.Drive";
// Property reads and the service's presence answer at once or not at all.
constexpr std::uint64_t kQuickTimeoutUs = 3'000'000;
// A polkit dialog waits for the user typing a password.
constexpr std::uint64_t kInteractiveTimeoutUs = 120'000'000;
constexpr std::uint64_t kOpenTimeoutUs = 15'000'000;

// One connection for the process; sd-bus objects are not thread-safe.
std::mutex g_busMutex;
sd_bus* g_bus = nullptr;
// A listing asks for every disk: once UDisks2 did not answer, it is not
// asked again for a while, so that a listing never waits for it disk by disk.
constexpr auto kAbsenceKept = std::chrono::seconds(30);
std::chrono::steady_clock::time_point g_absentUntil;

sd_bus* Bus() {
  if (g_bus != nullptr) return g_bus;
  sd_bus* bus = nullptr;
  if (sd_bus_open_system(&bus) < 0) return nullptr;
  sd_bus_set_method_call_timeout(bus, kQuickTimeoutUs);
  g_bus = bus;
  return g_bus;
}

// A connection that broke is made anew on the next call.
void DropBusAfter(int r) {
  if (g_bus != nullptr && (r == -ENOTCONN || r == -ECONNRESET || r == -EPIPE)) {
    sd_bus_flush_close_unref(g_bus);
    g_bus = nullptr;
  }
}

struct Message {
  sd_bus_message* m = nullptr;
  ~Message() { sd_bus_message_unref(m); }
};

struct Error {
  sd_bus_error e{};  // the same as SD_BUS_ERROR_NULL, without C99 compound literal
  ~Error() { sd_bus_error_free(&e); }
  bool Is(const char* name) const { return sd_bus_error_has_name(&e, name) != 0; }
  bool StartsWith(const char* prefix) const {
    return e.name != nullptr && std::strncmp(e.name, prefix, std::strlen(prefix)) == 0;
  }
  std::string Text(int r) const {
    if (e.name == nullptr) return std::strerror(-r);
    return std::string(e.name) + ": " + (e.message != nullptr ? e.message : "");
  }
};

bool ReadBool(sd_bus* bus, const std::string& object, const char* interface, const char* name,
              bool* value) {
  Error error;
  int b = 0;
  const int r = sd_bus_get_property_trivial(bus, kService, object.c_str(), interface, name,
                                            &error.e, 'b', &b);
  DropBusAfter(r);
  if (r < 0 && !error.Is("org.freedesktop.DBus.Error.UnknownObject") &&
      !error.Is("org.freedesktop.DBus.Error.UnknownMethod") &&
      !error.Is("org.freedesktop.DBus.Error.UnknownInterface")) {
    g_absentUntil = std::chrono::steady_clock::now() + kAbsenceKept;
  }
  if (r < 0) return false;
  *value = b != 0;
  return true;
}

bool ReadObjectPath(sd_bus* bus, const std::string& object, const char* interface, const char* name,
                    std::string* value) {
  Error error;
  Message reply;
  const int r =
      sd_bus_get_property(bus, kService, object.c_str(), interface, name, &error.e, &reply.m, "o");
  DropBusAfter(r);
  const char* path = nullptr;
  if (r < 0 || sd_bus_message_read(reply.m, "o", &path) < 0 || path == nullptr) return false;
  *value = path;
  return true;
}
}  // namespace

std::string UdisksBlockObject(const std::string& node) {
  char resolved[PATH_MAX];
  const std::string real = realpath(node.c_str(), resolved) != nullptr ? resolved : node;
  const std::string name = real.substr(real.find_last_of('/') + 1);
  // UDisks2 keeps letters, digits and '_' of the name and writes any other
  // byte as _xx.
  std::string object = "/org/freedesktop/UDisks2/block_devices/";
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_') {
      object += c;
    } else {
      static const char kHex[] = "0123456789abcdef";
      object.append(1, '_').append(1, kHex[u >> 4]).append(1, kHex[u & 15]);
    }
  }
  return object;
}

UdisksAnswer UdisksOpenDevice(const std::string& object, bool writable, int flags, bool interactive,
                              int* fd, std::string* error) {
  std::lock_guard<std::mutex> lock(g_busMutex);
  sd_bus* bus = Bus();
  if (bus == nullptr) {
    *error = "no system bus";
    return UdisksAnswer::kNoService;
  }
  Message call;
  int r = sd_bus_message_new_method_call(bus, &call.m, kService, object.c_str(), kBlockInterface,
                                         "OpenDevice");
  if (r >= 0) r = sd_bus_message_set_allow_interactive_authorization(call.m, interactive);
  if (r >= 0) r = sd_bus_message_append(call.m, "s", writable ? "rw" : "r");
  if (r >= 0) r = sd_bus_message_open_container(call.m, 'a', "{sv}");
  if (r >= 0 && flags != 0) r = sd_bus_message_append(call.m, "{sv}", "flags", "i", flags);
  if (r >= 0) {
    r = sd_bus_message_append(call.m, "{sv}", "auth.no_user_interaction", "b", interactive ? 0 : 1);
  }
  if (r >= 0) r = sd_bus_message_close_container(call.m);
  if (r < 0) {
    *error = std::string("cannot build the call: ") + std::strerror(-r);
    return UdisksAnswer::kFailed;
  }
  Error answer;
  Message reply;
  r = sd_bus_call(bus, call.m, interactive ? kInteractiveTimeoutUs : kOpenTimeoutUs, &answer.e,
                  &reply.m);
  DropBusAfter(r);
  if (r < 0) {
    *error = answer.Text(r);
    if (answer.Is("org.freedesktop.UDisks2.Error.NotAuthorizedCanObtain")) {
      return UdisksAnswer::kNeedsAgent;
    }
    if (answer.StartsWith("org.freedesktop.UDisks2.Error.NotAuthorized") ||
        answer.Is("org.freedesktop.UDisks2.Error.Cancelled") ||
        answer.Is("org.freedesktop.DBus.Error.AccessDenied") ||
        answer.Is("org.freedesktop.DBus.Error.InteractiveAuthorizationRequired")) {
      return UdisksAnswer::kRefused;
    }
    if (answer.Is("org.freedesktop.UDisks2.Error.Failed")) return UdisksAnswer::kFailed;
    // No service, no such object, no answer in time, a broken bus.
    return UdisksAnswer::kNoService;
  }
  int received = -1;
  if (sd_bus_message_read(reply.m, "h", &received) < 0 || received < 0) {
    *error = "OpenDevice answered no descriptor";
    return UdisksAnswer::kFailed;
  }
  // The reply owns what it received.
  *fd = fcntl(received, F_DUPFD_CLOEXEC, 3);
  if (*fd < 0) {
    *error = std::strerror(errno);
    return UdisksAnswer::kFailed;
  }
  return UdisksAnswer::kGranted;
}

UdisksHints UdisksBlockHints(const std::string& node) {
  UdisksHints hints;
  std::lock_guard<std::mutex> lock(g_busMutex);
  if (std::chrono::steady_clock::now() < g_absentUntil) return hints;
  sd_bus* bus = Bus();
  if (bus == nullptr) {
    g_absentUntil = std::chrono::steady_clock::now() + kAbsenceKept;
    return hints;
  }
  const std::string object = UdisksBlockObject(node);
  if (!ReadBool(bus, object, kBlockInterface, "HintSystem", &hints.hintSystem)) return hints;
  hints.known = true;
  ReadBool(bus, object, kBlockInterface, "HintAuto", &hints.hintAuto);
  std::string drive;
  if (ReadObjectPath(bus, object, kBlockInterface, "Drive", &drive) && drive != "/") {
    bool removable = false;
    bool mediaRemovable = false;
    ReadBool(bus, drive, kDriveInterface, "Removable", &removable);
    ReadBool(bus, drive, kDriveInterface, "MediaRemovable", &mediaRemovable);
    hints.driveRemovable = removable || mediaRemovable;
  }
  return hints;
}

}  // namespace platform
