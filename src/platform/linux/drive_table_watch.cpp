#include "platform/linux/drive_table_watch.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <mutex>

#include "platform/drive.h"

namespace platform {

struct DriveTableWatch::Queue {
  explicit Queue(int eventFd) : fd(eventFd) {}
  ~Queue() { close(fd); }
  const int fd;
  std::mutex mutex;
  std::vector<std::pair<char, bool>> changes;
};

std::vector<DeviceEvent> LetterEvents(const std::vector<std::pair<char, bool>>& changes) {
  std::vector<DeviceEvent> events;
  for (const auto& [letter, attached] : changes) {
    if (letter < 'A' || letter > 'Z') continue;
    const DeviceEventKind kind =
        attached ? DeviceEventKind::kLetterArrival : DeviceEventKind::kLetterRemoval;
    const std::uint32_t bit = 1u << (letter - 'A');
    // A letter already in the mask starts a new event, so that a drive that
    // went and came back is reported as both.
    if (events.empty() || events.back().kind != kind || (events.back().unitMask & bit) != 0) {
      events.push_back(DeviceEvent{kind, {}, {}, {}, 0});
    }
    events.back().unitMask |= bit;
  }
  return events;
}

std::unique_ptr<DriveTableWatch> DriveTableWatch::Open() {
  const int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (fd < 0) return nullptr;
  auto queue = std::make_shared<Queue>(fd);
  const int listener = DriveTable::Instance().AddListener([queue](char letter, bool attached) {
    std::lock_guard<std::mutex> lock(queue->mutex);
    queue->changes.emplace_back(letter, attached);
    const std::uint64_t one = 1;
    // The counter only says "something is queued"; a full counter says it too.
    if (write(queue->fd, &one, sizeof one) < 0) return;
  });
  return std::unique_ptr<DriveTableWatch>(new DriveTableWatch(std::move(queue), listener));
}

DriveTableWatch::DriveTableWatch(std::shared_ptr<Queue> queue, int listener)
    : queue_(std::move(queue)), listener_(listener) {}

DriveTableWatch::~DriveTableWatch() {
  DriveTable::Instance().RemoveListener(listener_);
}

int DriveTableWatch::fd() const {
  return queue_->fd;
}

void DriveTableWatch::Read(std::vector<DeviceEvent>* events) {
  std::vector<std::pair<char, bool>> changes;
  {
    std::lock_guard<std::mutex> lock(queue_->mutex);
    std::uint64_t count = 0;
    if (read(queue_->fd, &count, sizeof count) < 0) {
      // Nothing was queued (EAGAIN).
    }
    changes.swap(queue_->changes);
  }
  for (DeviceEvent& event : LetterEvents(changes)) events->push_back(std::move(event));
}

}  // namespace platform
