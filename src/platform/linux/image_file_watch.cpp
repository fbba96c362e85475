#include "platform/linux/image_file_watch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <set>

#include "platform/image/image_drive.h"

namespace platform {

std::unique_ptr<ImageFileWatch> ImageFileWatch::Open() {
  const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd < 0) return nullptr;
  std::unique_ptr<ImageFileWatch> watch(new ImageFileWatch(fd));
  watch->Follow();
  return watch;
}

ImageFileWatch::~ImageFileWatch() {
  close(fd_);
}

void ImageFileWatch::Read() {
  // What changed does not matter: every image is looked at again.
  alignas(inotify_event) char buffer[4096];
  while (read(fd_, buffer, sizeof buffer) > 0) {
  }
  DetachDeletedImages();
  Follow();
}

void ImageFileWatch::Follow() {
  std::set<std::string> attached;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const std::string path = ImageDrivePath(letter);
    if (path.empty()) continue;
    attached.insert(path);
    if (watches_.count(path) != 0) continue;
    // A deletion changes the link count (IN_ATTRIB); the last close of a
    // deleted file removes it (IN_DELETE_SELF).
    const int wd = inotify_add_watch(fd_, path.c_str(), IN_ATTRIB | IN_DELETE_SELF);
    if (wd >= 0) watches_[path] = wd;
  }
  for (auto it = watches_.begin(); it != watches_.end();) {
    if (attached.count(it->first) != 0) {
      ++it;
      continue;
    }
    inotify_rm_watch(fd_, it->second);
    it = watches_.erase(it);
  }
}

}  // namespace platform
