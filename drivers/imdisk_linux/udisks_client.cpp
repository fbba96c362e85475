#include "imdisk_linux/udisks_client.h"

#include <systemd/sd-bus.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/process.h"

namespace linux_driver {
namespace {
constexpr const char* kService = "org.freedesktop.UDisks2";
constexpr const char* kManagerObject = "/org/freedesktop/UDisks2/Manager";
constexpr const char* kManagerInterface = "org.freedesktop.UDisks2.Manager";
constexpr const char* kFilesystemInterface = "org.freedesktop.UDisks2.Filesystem";
constexpr const char* kLoopInterface = "org.freedesktop.UDisks2.Loop";
constexpr const char* kBlockInterface = "org.freedesktop.UDisks2.Block";
constexpr std::uint64_t kCallTimeoutUs = 15'000'000;
// A new loop device's file system is recognised shortly after it appears.
constexpr auto kFilesystemWait = std::chrono::seconds(3);

struct BoolOption {
  const char* name;
  bool value;
};

// The options dictionary every call takes: never ask the user for a password.
int AppendOptions(sd_bus_message* m, std::initializer_list<BoolOption> more = {}) {
  int r = sd_bus_message_open_container(m, 'a', "{sv}");
  if (r >= 0) r = sd_bus_message_append(m, "{sv}", "auth.no_user_interaction", "b", 1);
  for (const BoolOption& option : more) {
    if (r >= 0) r = sd_bus_message_append(m, "{sv}", option.name, "b", option.value ? 1 : 0);
  }
  if (r >= 0) r = sd_bus_message_close_container(m);
  return r;
}

bool IsNotThereYet(const std::string& errorName) {
  return errorName == "org.freedesktop.DBus.Error.UnknownMethod" ||
         errorName == "org.freedesktop.DBus.Error.UnknownInterface" ||
         errorName == "org.freedesktop.DBus.Error.UnknownObject";
}

// Owns a message reference.
struct Message {
  sd_bus_message* m = nullptr;
  ~Message() { sd_bus_message_unref(m); }
};
}  // namespace

UdisksClient::UdisksClient() = default;

UdisksClient::~UdisksClient() {
  if (bus_ != nullptr) sd_bus_flush_close_unref(bus_);
}

bool UdisksClient::Connect() {
  if (bus_ != nullptr) return true;
  const int r = sd_bus_open_system(&bus_);
  if (r < 0) {
    bus_ = nullptr;
    lastError_ = std::string("no system bus: ") + std::strerror(-r);
    return false;
  }
  sd_bus_set_method_call_timeout(bus_, kCallTimeoutUs);
  return true;
}

bool UdisksClient::ServiceAvailable() {
  if (!Connect()) return false;
  sd_bus_error error = SD_BUS_ERROR_NULL;
  Message reply;
  int owned = 0;
  if (sd_bus_call_method(bus_, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                         "org.freedesktop.DBus", "NameHasOwner", &error, &reply.m, "s",
                         kService) >= 0 &&
      sd_bus_message_read(reply.m, "b", &owned) >= 0 && owned) {
    return true;
  }
  sd_bus_error_free(&error);
  Message names;
  if (sd_bus_call_method(bus_, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                         "org.freedesktop.DBus", "ListActivatableNames", &error, &names.m,
                         "") < 0) {
    sd_bus_error_free(&error);
    return false;
  }
  char** list = nullptr;
  if (sd_bus_message_read_strv(names.m, &list) < 0) return false;
  bool found = false;
  for (char** name = list; name != nullptr && *name != nullptr; ++name) {
    found = found || std::strcmp(*name, kService) == 0;
    std::free(*name);
  }
  std::free(list);
  return found;
}

namespace {
// Sends a finished method call; the reply in *reply, or the error in *lastError.
bool Send(sd_bus* bus, sd_bus_message* call, int appended, sd_bus_message** reply,
          std::string* lastError) {
  if (appended < 0) {
    *lastError = std::string("cannot build the call: ") + std::strerror(-appended);
    return false;
  }
  sd_bus_error error = SD_BUS_ERROR_NULL;
  const int r = sd_bus_call(bus, call, 0, &error, reply);
  if (r < 0) {
    *lastError = error.name != nullptr ? std::string(error.name) + ": " +
                                             (error.message != nullptr ? error.message : "")
                                       : std::string(std::strerror(-r));
  }
  sd_bus_error_free(&error);
  return r >= 0;
}
}  // namespace

bool UdisksClient::LoopSetup(int imageFd, bool readOnly, std::string* object) {
  if (!Connect()) return false;
  Message call;
  Message reply;
  int r = sd_bus_message_new_method_call(bus_, &call.m, kService, kManagerObject, kManagerInterface,
                                         "LoopSetup");
  if (r >= 0) r = sd_bus_message_append(call.m, "h", imageFd);
  if (r >= 0) r = AppendOptions(call.m, {{"read-only", readOnly}});
  if (!Send(bus_, call.m, r, &reply.m, &lastError_)) return false;
  const char* path = nullptr;
  if (sd_bus_message_read(reply.m, "o", &path) < 0 || path == nullptr) return false;
  *object = path;
  return true;
}

bool UdisksClient::Mount(const std::string& object, std::string* mountPath) {
  if (!Connect()) return false;
  const auto deadline = std::chrono::steady_clock::now() + kFilesystemWait;
  for (;;) {
    Message call;
    Message reply;
    int r = sd_bus_message_new_method_call(bus_, &call.m, kService, object.c_str(),
                                           kFilesystemInterface, "Mount");
    if (r >= 0) r = AppendOptions(call.m);
    if (Send(bus_, call.m, r, &reply.m, &lastError_)) {
      const char* path = nullptr;
      if (sd_bus_message_read(reply.m, "s", &path) < 0 || path == nullptr) return false;
      *mountPath = path;
      return true;
    }
    const std::string name = lastError_.substr(0, lastError_.find(':'));
    if (!IsNotThereYet(name) || std::chrono::steady_clock::now() >= deadline) return false;
    platform::SleepMs(100);
  }
}

namespace {
bool CallWithOptions(sd_bus* bus, const std::string& object, const char* interface,
                     const char* member, std::string* lastError) {
  Message call;
  Message reply;
  int r = sd_bus_message_new_method_call(bus, &call.m, kService, object.c_str(), interface, member);
  if (r >= 0) r = AppendOptions(call.m);
  return Send(bus, call.m, r, &reply.m, lastError);
}
}  // namespace

bool UdisksClient::Unmount(const std::string& object) {
  return Connect() && CallWithOptions(bus_, object, kFilesystemInterface, "Unmount", &lastError_);
}

bool UdisksClient::LoopDelete(const std::string& object) {
  return Connect() && CallWithOptions(bus_, object, kLoopInterface, "Delete", &lastError_);
}

bool UdisksClient::SetAutoclear(const std::string& object) {
  if (!Connect()) return false;
  Message call;
  Message reply;
  int r = sd_bus_message_new_method_call(bus_, &call.m, kService, object.c_str(), kLoopInterface,
                                         "SetAutoclear");
  if (r >= 0) r = sd_bus_message_append(call.m, "b", 1);
  if (r >= 0) r = AppendOptions(call.m);
  return Send(bus_, call.m, r, &reply.m, &lastError_);
}

bool UdisksClient::DeviceOf(const std::string& object, std::string* device) {
  if (!Connect()) return false;
  sd_bus_error error = SD_BUS_ERROR_NULL;
  Message reply;
  const int r = sd_bus_get_property(bus_, kService, object.c_str(), kBlockInterface, "Device",
                                    &error, &reply.m, "ay");
  sd_bus_error_free(&error);
  if (r < 0) return false;
  const void* bytes = nullptr;
  std::size_t size = 0;
  if (sd_bus_message_read_array(reply.m, 'y', &bytes, &size) < 0) return false;
  // A byte string that ends with its terminating zero.
  const char* text = static_cast<const char*>(bytes);
  *device = std::string(text, strnlen(text, size));
  return !device->empty();
}

}  // namespace linux_driver
