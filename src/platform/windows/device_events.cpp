// The Windows device events: a hidden window on a thread of its own hears
// WM_DEVICECHANGE (volumes and media that come and go, disks through the
// device interface registration of RegisterDeviceNotificationA), the drive
// table tells letters that get or lose a drive. Both queue what happened
// and wake the caller through a loopback socket pair: a socket is what a Qt
// program on Windows can wait on (QSocketNotifier), and what the CLI can
// select() on.
#include <winsock2.h>
// winsock2.h before windows.h, which would bring the old winsock.
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/device_events.h"
#include "platform/drive.h"
#include "platform/drive_refresh.h"
#include "platform/errors.h"
#include "platform/windows/win32.h"

namespace platform {
namespace {
constexpr char kWindowClass[] = "QuillfenDeviceEvents";
// GUID_DEVINTERFACE_DISK: whole disks that come and go.
constexpr GUID kDiskInterface = {
    0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};

// What the window and the drive table queue, and the socket that says so.
struct Queue {
  std::mutex mutex;
  std::deque<DeviceEvent> device;   // from the window
  std::deque<DeviceEvent> letters;  // from the drive table
  SOCKET signal = INVALID_SOCKET;

  void Push(DeviceEvent event, bool letter) {
    std::lock_guard<std::mutex> lock(mutex);
    (letter ? letters : device).push_back(std::move(event));
    const char one = 1;
    // A full socket buffer says "something is queued" as well.
    send(signal, &one, 1, 0);
  }
};

// A connected pair of loopback sockets: [0] is read, [1] is written.
bool SocketPair(SOCKET pair[2]) {
  const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (listener == INVALID_SOCKET) return false;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof address;
  bool ok = bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) == 0 &&
            listen(listener, 1) == 0;
  pair[0] = pair[1] = INVALID_SOCKET;
  if (ok) pair[1] = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  ok = ok && pair[1] != INVALID_SOCKET &&
       connect(pair[1], reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  if (ok) pair[0] = accept(listener, nullptr, nullptr);
  closesocket(listener);
  u_long nonBlocking = 1;
  ok = ok && pair[0] != INVALID_SOCKET && ioctlsocket(pair[0], FIONBIO, &nonBlocking) == 0 &&
       ioctlsocket(pair[1], FIONBIO, &nonBlocking) == 0;
  if (!ok) {
    if (pair[0] != INVALID_SOCKET) closesocket(pair[0]);
    if (pair[1] != INVALID_SOCKET) closesocket(pair[1]);
  }
  return ok;
}

std::string LetterPath(int bit) {
  return std::string("\\\\.\\").append(1, static_cast<char>('A' + bit)).append(":");
}

// The events of one WM_DEVICECHANGE for volumes: media into or out of a
// drive, or volumes that come and go, one event a letter.
void VolumeEvents(bool arrival, const DEV_BROADCAST_VOLUME& volume, Queue* queue) {
  const bool media = (volume.dbcv_flags & DBTF_MEDIA) != 0;
  for (int bit = 0; bit < 26; ++bit) {
    if ((volume.dbcv_unitmask & (1u << bit)) == 0) continue;
    DeviceEvent event;
    event.kind = media
                     ? (arrival ? DeviceEventKind::kMediaArrival : DeviceEventKind::kMediaRemoval)
                     : (arrival ? DeviceEventKind::kVolumeMount : DeviceEventKind::kVolumeDismount);
    event.devicePath = LetterPath(bit);
    event.diskPath = event.devicePath;
    if (!media) event.mountPoint = std::string(1, static_cast<char>('A' + bit)).append(":\\");
    queue->Push(std::move(event), false);
  }
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* queue = reinterpret_cast<Queue*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  const bool arrival = wParam == DBT_DEVICEARRIVAL;
  if (message == WM_DEVICECHANGE && queue != nullptr && lParam != 0 &&
      (arrival || wParam == DBT_DEVICEREMOVECOMPLETE)) {
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
    if (header->dbch_devicetype == DBT_DEVTYP_VOLUME) {
      VolumeEvents(arrival, *reinterpret_cast<const DEV_BROADCAST_VOLUME*>(lParam), queue);
    } else if (header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE) {
      const auto* device = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_A*>(lParam);
      if (IsEqualGUID(device->dbcc_classguid, kDiskInterface)) {
        DeviceEvent event;
        event.kind = arrival ? DeviceEventKind::kDiskArrival : DeviceEventKind::kDiskRemoval;
        event.devicePath = device->dbcc_name;
        event.diskPath = event.devicePath;
        queue->Push(std::move(event), false);
      }
    }
    return TRUE;
  }
  if (message == WM_CLOSE) {
    DestroyWindow(window);
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// The hidden window and its message loop. Volume broadcasts reach top-level
// windows only, so it is not a message-only window; it is never shown.
class NotificationWindow {
 public:
  explicit NotificationWindow(Queue* queue) {
    std::unique_lock<std::mutex> lock(mutex_);
    thread_ = std::thread([this, queue] { Run(queue); });
    started_.wait(lock, [this] { return ready_; });
  }
  ~NotificationWindow() {
    if (window_ != nullptr) PostMessageA(window_, WM_CLOSE, 0, 0);
    thread_.join();
  }
  NotificationWindow(const NotificationWindow&) = delete;
  NotificationWindow& operator=(const NotificationWindow&) = delete;

  // The disk interface events come only when the registration succeeded.
  bool hearsDisks() const { return notification_ != nullptr; }

 private:
  void Run(Queue* queue) {
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kWindowClass;
    RegisterClassA(&windowClass);  // fails harmlessly when a second watch registers it again
    const HWND window = CreateWindowExA(0, kWindowClass, "", WS_OVERLAPPED, 0, 0, 0, 0, nullptr,
                                        nullptr, instance, nullptr);
    if (window != nullptr) {
      SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(queue));
      DEV_BROADCAST_DEVICEINTERFACE_A filter{};
      filter.dbcc_size = sizeof filter;
      filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
      filter.dbcc_classguid = kDiskInterface;
      notification_ = RegisterDeviceNotificationA(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      window_ = window;
      ready_ = true;
    }
    started_.notify_one();
    if (window == nullptr) return;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    if (notification_ != nullptr) UnregisterDeviceNotification(notification_);
  }

  std::mutex mutex_;
  std::condition_variable started_;
  bool ready_ = false;
  HWND window_ = nullptr;
  HDEVNOTIFY notification_ = nullptr;
  std::thread thread_;
};

class WindowsDeviceEvents : public IDeviceEvents {
 public:
  WindowsDeviceEvents(const DeviceEventOptions& options, SOCKET pair[2])
      : options_(options), reader_(pair[0]) {
    queue_ = std::make_shared<Queue>();
    queue_->signal = pair[1];
    listener_ = DriveTable::Instance().AddListener([queue = queue_](char letter, bool attached) {
      if (letter < 'A' || letter > 'Z') return;
      DeviceEvent event;
      event.kind = attached ? DeviceEventKind::kLetterArrival : DeviceEventKind::kLetterRemoval;
      event.unitMask = 1u << (letter - 'A');
      queue->Push(std::move(event), true);
    });
    window_ = std::make_unique<NotificationWindow>(queue_.get());
  }

  ~WindowsDeviceEvents() override {
    window_.reset();
    DriveTable::Instance().RemoveListener(listener_);
    closesocket(reader_);
    closesocket(queue_->signal);
    WSACleanup();
  }

  std::vector<EventDescriptor> Descriptors() const override {
    return {EventDescriptor{static_cast<int>(reader_), false}};
  }

  void Read(std::vector<DeviceEvent>* events) override {
    char drain[256];
    while (recv(reader_, drain, sizeof drain, 0) > 0) {
    }
    std::deque<DeviceEvent> device = Take(&Queue::device);
    // The machine's drives follow the volumes at once, so that the letters
    // they gain or lose come with this reading.
    if (!device.empty() && options_.refreshNativeDrives) RefreshDrives();
    std::deque<DeviceEvent> letters = Take(&Queue::letters);
    events->insert(events->end(), device.begin(), device.end());
    events->insert(events->end(), letters.begin(), letters.end());
  }

  bool Wait(int timeoutMs) override {
    fd_set ready;
    FD_ZERO(&ready);
    FD_SET(reader_, &ready);
    timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    return select(0, &ready, nullptr, nullptr, timeoutMs < 0 ? nullptr : &limit) > 0;
  }

  DiskEventFeed Feed() const override {
    return window_->hearsDisks() ? DiskEventFeed::kKernel : DiskEventFeed::kNone;
  }

 private:
  std::deque<DeviceEvent> Take(std::deque<DeviceEvent> Queue::*which) {
    std::lock_guard<std::mutex> lock(queue_->mutex);
    std::deque<DeviceEvent> taken;
    taken.swap((*queue_).*which);
    return taken;
  }

  DeviceEventOptions options_;
  SOCKET reader_;
  // Shared with the drive table's listener, which may run on another thread.
  std::shared_ptr<Queue> queue_;
  int listener_ = 0;
  std::unique_ptr<NotificationWindow> window_;
};
}  // namespace

std::unique_ptr<IDeviceEvents> OpenDeviceEvents(const DeviceEventOptions& options,
                                                std::uint32_t* error) {
  WSADATA data;
  if (const int code = WSAStartup(MAKEWORD(2, 2), &data)) {
    *error = static_cast<std::uint32_t>(code);
    return nullptr;
  }
  SOCKET pair[2];
  if (!SocketPair(pair)) {
    *error = static_cast<std::uint32_t>(WSAGetLastError());
    WSACleanup();
    return nullptr;
  }
  *error = kErrorSuccess;
  return std::make_unique<WindowsDeviceEvents>(options, pair);
}

}  // namespace platform
