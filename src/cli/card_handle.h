// The CARD argument: a drive letter, a device node of a drive ("/dev/sdb1",
// or "/dev/sdb" for the one drive on that disk), or a card image file or a
// container file (known by its signature) attached at a free letter for the
// run and detached again when the handle goes away.
#pragma once

#include <string>

#include "platform/drive_images.h"

// True for "E", "E:", "E:\" and "E:/" (either case), with the letter in upper case.
bool ParseDriveLetter(const std::string& text, char* letter);

class CardHandle {
 public:
  CardHandle() = default;
  ~CardHandle();
  CardHandle(const CardHandle&) = delete;
  CardHandle& operator=(const CardHandle&) = delete;

  // 0, or why the card cannot be used: DDA_ERR_NO_DRIVE for a letter
  // without a drive or a device node with several (a disk of more than one
  // volume), the system error for an image or an unmounted device that
  // cannot be opened (kErrorAccessDenied: the system refused raw access).
  int Open(const std::string& card,
           const platform::ImageDriveOptions& options = platform::ImageDriveOptions());
  // Detaches an image attached by Open; nothing for a drive letter.
  void Close();

  char letter() const { return letter_; }
  // True for an image file or a container file attached by Open.
  bool attached() const { return attached_; }
  // True for a container file: no card around the container.
  bool containerFile() const { return containerFile_; }
  // True for a device node without a drive on it (its volume not mounted),
  // attached by Open; fixedDevice() when the host calls its disk fixed.
  bool unmountedDevice() const { return unmountedDevice_; }
  bool fixedDevice() const { return fixedDevice_; }
  // "E:", as the drive list names the drive.
  std::string entry() const { return std::string(1, letter_) + ":"; }

 private:
  char letter_ = '\0';
  bool attached_ = false;
  bool containerFile_ = false;
  bool unmountedDevice_ = false;
  bool fixedDevice_ = false;
};

// What a command does with the card: a command that only reads opens a
// card image for reading only, so that it cannot write, nor wait for writes.
enum class CardUse { kWrite, kRead };

// Opens the card or prints why it cannot be used; false then.
bool OpenCardOrReport(CardHandle& card, const std::string& text, CardUse use = CardUse::kWrite);

// The commands that need a card around the container (and the raw tools)
// refuse a container file; false after printing why.
bool CheckCardNotContainerFile(const CardHandle& card);

// Commands that write raw sectors (create, delete, erase, make-usable) write
// only to a removable drive that is no floppy drive, as the desktop program
// offers only those, or to an image file; any other drive (a fixed disk, as
// a stale letter in a script may name) only with --any-disk. A container
// file is never one: these commands need a card around the container. False
// after printing why the drive is refused.
bool CheckRawWriteTarget(const CardHandle& card, bool anyDisk);
