// The card state of a card attached at a drive letter: raw access, volume
// layout, the container lookup, its main header, its placement and the
// start sector record; then the container's slot records and its FPGA
// fields, read as the windows and the command-line tool read them.
// Input: a card (fuzz_card.h).
//
// Beyond not crashing: the flags fit together, and looking at a card
// changes none of its bytes.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "container/card_state.h"
#include "container/container_layout.h"
#include "container/ffa_store.h"
#include "container/fpga_update.h"
#include "container/main_header.h"
#include "container/slot_info.h"
#include "driveaccess/file_placement.h"
#include "fuzz_card.h"
#include "platform/files.h"

namespace {
using fuzzcard::Fail;
constexpr char kLetter = 'G';
constexpr std::uint32_t kMaxSlotsRead = 4;

void CheckFlags(std::uint32_t flags, const CardState& state) {
  if ((flags & CARD_NO_FAT_VOLUME) != 0 && flags != CARD_NO_FAT_VOLUME) {
    Fail("'no FAT volume' comes with other flags");
  }
  if ((flags & CARD_CONTAINER_VALID) != 0 && !state.Header.HasSignature()) {
    Fail("a valid container without its signature");
  }
  if ((flags & (CARD_CONTIGUOUS | CARD_START_SECTOR_SET)) != 0 &&
      (flags & CARD_CONTAINER_VALID) == 0) {
    Fail("placement flags without a valid container");
  }
  if ((flags & CARD_CONTAINER_VALID) == 0 && !(state.Header == MainHeader())) {
    Fail("a header kept without a valid container");
  }
}

// The slot records and the FPGA fields of the container's header.
void ReadContainer(const std::string& path, const MainHeader& header) {
  (void)header.Name();
  platform::File file =
      platform::OpenFile(path, platform::kGenericRead, platform::Disposition::kOpenExisting);
  if (!file.IsOpen()) return;
  const std::uint32_t slots = std::min<std::uint32_t>(
      std::max(header.ImageCount(), header.SavedImageCount()), kMaxSlotsRead);
  for (std::uint32_t slot = 0; slot < slots; ++slot) {
    std::uint8_t record[kSlotInfoSize];
    if (!file.Seek(static_cast<std::int64_t>(GetSlotPartOffset(slot, kSlotPartSlotInfo)),
                   platform::SeekOrigin::kBegin) ||
        !file.ReadExact(record, kSlotInfoSize)) {
      break;
    }
    (void)SlotInfoName(record);
    (void)SlotInfoTime(record);
  }
  file.Close();
  // Clearing a stored update trusts the stored length only so far. One
  // block serves every run.
  static ByteBuffer block(kContainerBlockSize, 0xFF);
  std::copy(header.Bytes(), header.Bytes() + MainHeader::Size(), block.begin());
  if (SetFpgaUpdate(block, nullptr) != 0 || block.size() != kContainerBlockSize) {
    Fail("clearing the FPGA update of a whole block failed");
  }
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzcard::FixTheClock();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzzcard::CardInput card = fuzzcard::DecodeCard(data, size);
  fuzzcard::AttachedCard attached(card, kLetter);

  std::uint64_t bytes = 0;
  CardState state;
  const std::uint32_t flags = FfaGetCardState(std::string(1, kLetter) + ":", bytes, state);
  CheckFlags(flags, state);
  // Whatever these answer, they must not crash, hang or change the card.
  std::uint32_t recorded = 0;
  (void)FfaReadStartSector(kLetter, recorded);
  (void)FfaGetMaxImageCount(kLetter, 0);

  const std::string path = FfaGetContainerPath(kLetter);
  FilePlacement placement;
  (void)GetFilePlacement(path.c_str(), placement);
  if ((flags & CARD_CONTAINER_VALID) != 0) ReadContainer(path, state.Header);

  attached.Detach();
  // Only a stale FSInfo may be brought up to date.
  const fuzzcard::ByteRange fsInfo = fuzzcard::FsInfoFields(card);
  const std::string change = attached.FirstChange(0, card.SizeBytes(), fsInfo.first, fsInfo.end);
  if (!change.empty()) Fail("looking at the card changed it: " + change);
  return 0;
}
