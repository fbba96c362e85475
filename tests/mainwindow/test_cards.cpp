#include "mainwindow/test_cards.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "container/card_state.h"
#include "container/ffa_store.h"
#include "container/slot_block.h"
#include "platform/errors.h"
#include "support/mtools_views.h"

namespace mwtest {

const char* CardKindName(CardKind kind) {
  switch (kind) {
    case CardKind::kUsable:
      return "usable";
    case CardKind::kStartSectorNotSet:
      return "start sector not set";
    case CardKind::kFragmented:
      return "fragmented";
    case CardKind::kNoContainer:
      return "no container";
    case CardKind::kNoFatVolume:
      return "no FAT volume";
    case CardKind::kBlank:
      return "blank";
    case CardKind::kNoRawRights:
      return "no raw rights";
    case CardKind::kReadOnly:
      return "read only";
  }
  return "?";
}

TestCard::~TestCard() {
  TakeOut();
}

bool TestCard::Attach(const platform::ImageDriveOptions& options, std::string* reason) {
  std::uint32_t error = 0;
  auto drive = platform::ImageDrive::OpenCard(path_, options, &error);
  if (!drive || !platform::DriveTable::Instance().Attach(letter_, drive)) {
    *reason = "the card image could not be attached at " + std::string(1, letter_) + ": (error " +
              std::to_string(error) + ")";
    return false;
  }
  options_ = options;
  attached_ = true;
  return true;
}

void TestCard::TakeOut() {
  if (attached_) platform::DriveTable::Instance().Detach(letter_);
  attached_ = false;
}

bool TestCard::PutBackIn() {
  std::string reason;
  return !attached_ && Attach(options_, &reason);
}

bool TestCard::Make(char letter, CardKind kind, std::string* reason, unsigned images) {
  if (!testsupport::HaveFatTools()) {
    *reason = "sfdisk, mkfs.fat and mtools make and check the cards";
    return false;
  }
  letter_ = letter;
  path_ = dir_.File("card.img");
  card_.label = "TEST CARD";
  if (kind == CardKind::kFragmented) card_.sizeBytes = 32ull << 20;
  if (kind == CardKind::kBlank) {
    return testsupport::RunCommand("truncate -s 16M " + testsupport::Quote(path_)) == 0 &&
           Attach({}, reason);
  }
  if (kind == CardKind::kNoFatVolume) {
    const std::string q = testsupport::Quote(path_);
    if (testsupport::RunCommand("truncate -s 16M " + q +
                                " && echo 'start=63, type=83' | sfdisk -q " + q +
                                " >/dev/null 2>&1") != 0) {
      *reason = "sfdisk could not make the partition";
      return false;
    }
    return Attach({}, reason);
  }
  if (!testsupport::MakeReferenceCard(path_, card_, reason)) return false;
  if (kind == CardKind::kFragmented) {
    // 1 MiB files over the whole card, every other one deleted: the free
    // space is holes of 1 MiB.
    const std::string filler = dir_.File("filler.bin");
    std::ofstream(filler, std::ios::binary) << std::string(1 << 20, 'x');
    const std::string image = testsupport::MtoolsImage(Volume());
    for (int i = 0;
         testsupport::Mtools("mcopy", image, filler + " ::/F" + std::to_string(i) + ".BIN") == 0;
         ++i) {
    }
    for (int i = 0; i < 40; i += 2) {
      testsupport::Mtools("mdel", image, "::/F" + std::to_string(i) + ".BIN");
    }
  }
  if (!Attach({}, reason)) return false;
  if (kind == CardKind::kNoContainer) return true;
  const unsigned count = kind == CardKind::kFragmented ? 3 : images;
  if (const int rc = FfaCreate(letter_, count, "Lathe", true, nullptr)) {
    *reason = "the container could not be made: " + std::to_string(rc);
    return false;
  }
  if (kind == CardKind::kUsable || kind == CardKind::kNoRawRights || kind == CardKind::kReadOnly) {
    if (const int rc = FfaMakeUsable(letter_)) {
      *reason = "the start sector could not be recorded: " + std::to_string(rc);
      return false;
    }
  }
  if (kind == CardKind::kNoRawRights || kind == CardKind::kReadOnly) {
    TakeOut();
    platform::ImageDriveOptions options;
    options.denyRawAccess = kind == CardKind::kNoRawRights;
    // Opened for reading only, as for a user who may not write the file
    // (the tests run as root, whom file modes do not stop).
    options.readOnly = kind == CardKind::kReadOnly;
    return Attach(options, reason);
  }
  return true;
}

platform::IVolumeFiles* EmptyReader::Files() {
  platform::SetLastError(platform::kErrorNotReady);
  return nullptr;
}

bool EmptyReader::VolumeInformation(std::string*, std::string*) {
  platform::SetLastError(platform::kErrorNotReady);
  return false;
}

std::uint32_t EmptyReader::OpenVolumeRaw(bool, std::unique_ptr<platform::IRawDevice>*) {
  return platform::kErrorNotReady;
}

std::uint32_t EmptyReader::DeviceNumber(std::uint32_t* number) {
  *number = 77;
  return platform::kErrorSuccess;
}

std::uint32_t EmptyReader::OpenPhysicalDisk(bool, std::unique_ptr<platform::IRawDevice>*) {
  return platform::kErrorNotReady;
}

std::uint32_t EmptyReader::QueryStorageProperties(platform::StorageProperties* properties) {
  properties->hotplug = true;
  properties->busType = platform::kBusTypeUsb;
  properties->productId = "CF Card Reader";
  return platform::kErrorSuccess;
}

bool WriteMixedSlots(char letter, std::string* reason) {
  testsupport::TempDir dir;
  const std::string floppy = testsupport::Quote(dir.File("tools.img"));
  const std::string tools = "MTOOLS_SKIP_CHECK=1 ";
  if (testsupport::RunCommand("mkfs.fat -C -i 1234ABCD -n TOOLS " + floppy + " 1440 >/dev/null") !=
          0 ||
      testsupport::RunCommand("head -c 40000 /dev/zero > " + dir.File("a.bin")) != 0 ||
      testsupport::RunCommand(tools + "mmd -i " + floppy + " ::/UTILS") != 0) {
    *reason = "mkfs.fat or mtools failed";
    return false;
  }
  for (const char* name : {"SETUP.EXE", "README.TXT", "UTILS/FORMAT.COM"}) {
    if (testsupport::RunCommand(tools + "mcopy -i " + floppy + " " + dir.File("a.bin") + " ::/" +
                                name) != 0) {
      *reason = "mcopy failed";
      return false;
    }
  }
  ByteBuffer fat;
  std::ifstream in(dir.File("tools.img"), std::ios::binary);
  fat.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  ByteBuffer unformatted(fat.size(), 0xF6);
  ByteBuffer foreign(fat.size(), 0);
  const std::uint8_t boot[] = {0xFA, 0x33, 0xC0, 0x8E, 0xD0, 0xBC, 0x00, 0x7C};
  std::copy(std::begin(boot), std::end(boot), foreign.begin());
  const std::pair<const ByteBuffer*, const char*> images[] = {
      {&fat, "Tools"}, {&unformatted, "Spare"}, {&foreign, "Other"}};
  for (std::uint32_t i = 0; i < 3; ++i) {
    ByteBuffer block;
    if (BuildImageSlotBlock(block, *images[i].first, images[i].second, true) != 0 ||
        FfaWriteSlot(letter, i + 1, block, nullptr) != 0) {
      *reason = "slot " + std::to_string(i + 2) + " could not be written";
      return false;
    }
  }
  return true;
}

}  // namespace mwtest
