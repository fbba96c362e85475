// Hears image files that are deleted while they are attached as drives.
// Each image drive's file is watched with inotify (a deletion changes the
// file's link count); an image whose file has no name left is detached, as
// a card pulled from its reader goes away, and the drive table reports its
// letter as removed.
#pragma once

#include <map>
#include <memory>
#include <string>

namespace platform {

class ImageFileWatch {
 public:
  // Null when inotify cannot be had.
  static std::unique_ptr<ImageFileWatch> Open();
  ~ImageFileWatch();
  ImageFileWatch(const ImageFileWatch&) = delete;
  ImageFileWatch& operator=(const ImageFileWatch&) = delete;

  // Readable when a watched file changed.
  int fd() const { return fd_; }
  // Takes what inotify reported, detaches the images whose file was deleted
  // and watches the images attached since the last call. Never waits.
  void Read();

 private:
  explicit ImageFileWatch(int fd) : fd_(fd) {}
  void Follow();

  int fd_;
  std::map<std::string, int> watches_;  // image file -> watch
};

}  // namespace platform
