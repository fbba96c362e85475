// The CARD argument: a drive letter, or a card image file attached at a free
// letter for the run and detached again when the handle goes away.
#pragma once

#include <string>

#include "platform/image/image_drive.h"

// True for "E", "E:", "E:\" and "E:/" (either case), with the letter in upper case.
bool ParseDriveLetter(const std::string& text, char* letter);

class CardHandle {
 public:
  CardHandle() = default;
  ~CardHandle();
  CardHandle(const CardHandle&) = delete;
  CardHandle& operator=(const CardHandle&) = delete;

  // 0, or why the card cannot be used: DDA_ERR_NO_DRIVE for a letter without
  // a drive, the system error for an image that cannot be opened.
  int Open(const std::string& card,
           const platform::ImageDriveOptions& options = platform::ImageDriveOptions());
  // Detaches an image attached by Open; nothing for a drive letter.
  void Close();

  char letter() const { return letter_; }
  // "E:", as the drive list names the drive.
  std::string entry() const { return std::string(1, letter_) + ":"; }

 private:
  char letter_ = '\0';
  bool attached_ = false;
};

// What a command does with the card: a command that only reads opens a
// card image for reading only, so that it cannot write, nor wait for writes.
enum class CardUse { kWrite, kRead };

// Opens the card or prints why it cannot be used; false then.
bool OpenCardOrReport(CardHandle& card, const std::string& text, CardUse use = CardUse::kWrite);
