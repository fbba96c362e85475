// Hears the drive table: letters that get or lose a drive (an image attached
// or detached, a native drive bound or released), from any thread. The
// changes wait in a queue; an eventfd becomes readable while it holds any.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "platform/device_events.h"

namespace platform {

// The changes in their order as letter events; neighbours of one kind share
// one event with both letters in its mask.
std::vector<DeviceEvent> LetterEvents(const std::vector<std::pair<char, bool>>& changes);

class DriveTableWatch {
 public:
  // Null when no eventfd can be made.
  static std::unique_ptr<DriveTableWatch> Open();
  ~DriveTableWatch();
  DriveTableWatch(const DriveTableWatch&) = delete;
  DriveTableWatch& operator=(const DriveTableWatch&) = delete;

  int fd() const;
  // Appends the letter events since the last call and empties the queue.
  void Read(std::vector<DeviceEvent>* events);

 private:
  struct Queue;
  DriveTableWatch(std::shared_ptr<Queue> queue, int listener);

  // Shared with the listener, which may still run on another thread while
  // the watch goes away.
  std::shared_ptr<Queue> queue_;
  int listener_;
};

}  // namespace platform
