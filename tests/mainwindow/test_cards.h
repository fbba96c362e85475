// Cards in every state for the main window's tests and screenshots: card
// images made by sfdisk and mkfs.fat (and mtools for a fragmented one),
// attached at a letter, and a card reader without a card.
#pragma once

#include <memory>
#include <string>

#include "platform/drive.h"
#include "platform/image/image_drive.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"

namespace mwtest {

enum class CardKind {
  kUsable,             // a container in one piece, its start sector recorded
  kStartSectorNotSet,  // in one piece, the record not written
  kFragmented,         // the container in several pieces
  kNoContainer,        // a FAT card without a container
  kNoFatVolume,        // a partition without a file system
  kBlank,              // zeros, not even a partition table
  kNoRawRights,        // a usable container, but raw access refused
  kReadOnly,           // a usable container on an image the user may only read
};

const char* CardKindName(CardKind kind);

// A card image in one of the states, attached at a letter while the object
// lives (or until the card is taken out).
class TestCard {
 public:
  TestCard() = default;
  ~TestCard();
  TestCard(const TestCard&) = delete;
  TestCard& operator=(const TestCard&) = delete;

  // False with the reason when the tools are missing or a step failed.
  bool Make(char letter, CardKind kind, std::string* reason, unsigned images = 4);
  // The card goes; its letter is free again.
  void TakeOut();
  // Attaches the image again (with the options it was made with).
  bool PutBackIn();

  const std::string& path() const { return path_; }
  char letter() const { return letter_; }
  testsupport::ImageVolume Volume() const { return testsupport::VolumeOf(path_, card_); }

 private:
  bool Attach(const platform::ImageDriveOptions& options, std::string* reason);

  testsupport::TempDir dir_;
  testsupport::ReferenceCard card_;
  platform::ImageDriveOptions options_;
  std::string path_;
  char letter_ = 0;
  bool attached_ = false;
};

// Fills slots 2 to 4 (of at least 4) of the container on the card at
// `letter`: a floppy by mkfs.fat labelled TOOLS with a folder and files, an
// unformatted image and one whose boot sector is not FAT. Slot 1 stays blank.
bool WriteMixedSlots(char letter, std::string* reason);

// A card reader without a card: the drive is there and says what it is,
// its medium is not.
class EmptyReader : public platform::IDrive {
 public:
  platform::DriveType Type() const override { return platform::DriveType::kRemovable; }
  std::string DeviceName() const override { return "\\Device\\HarddiskVolume77"; }
  platform::IVolumeFiles* Files() override;
  bool VolumeInformation(std::string* label, std::string* fileSystem) override;
  std::uint32_t OpenVolumeRaw(bool forWriting,
                              std::unique_ptr<platform::IRawDevice>* device) override;
  std::uint32_t DeviceNumber(std::uint32_t* number) override;
  std::uint32_t OpenPhysicalDisk(bool forWriting,
                                 std::unique_ptr<platform::IRawDevice>* device) override;
  std::uint32_t QueryStorageProperties(platform::StorageProperties* properties) override;
};

}  // namespace mwtest
