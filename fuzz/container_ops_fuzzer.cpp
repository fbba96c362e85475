// The container store on a card attached at a drive letter from memory: a
// sequence of creations, renames, slot writes and reads, slot record
// renames, deletions, erasures, start sector records and card states,
// decoded from the input. Input: a card (fuzz_card.h), then the operations,
// one kind byte each and its arguments.
//
// Beyond not crashing or hanging: nothing outside the card's volume changes
// but the start sector record; what reports success did what it says; a
// start sector that the card state calls set points at the container's
// header; and a volume that mounted before mounts again afterwards.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "cli/slot_access.h"
#include "container/card_operations.h"
#include "container/card_state.h"
#include "container/container_layout.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "container/main_header.h"
#include "container/slot_block.h"
#include "container/slot_info.h"
#include "fuzz_card.h"
#include "platform/files.h"

namespace {
using fuzzcard::Fail;
constexpr char kLetter = 'H';
constexpr int kMaxOperations = 24;
constexpr std::uint32_t kMaxSlot = 4;
constexpr std::size_t kStartSectorRecordEnd = kStartSectorRecordOffset + 4;

// A slot block of each kind, built once: a zero image named "Fuzz".
const ByteBuffer& SlotBlock(bool highDensity) {
  static const ByteBuffer hd = [] {
    ByteBuffer block;
    if (BuildImageSlotBlock(block, ByteBuffer(1474560, 0), "Fuzz", true) != 0) Fail("no HD block");
    return block;
  }();
  static const ByteBuffer dd = [] {
    ByteBuffer block;
    if (BuildImageSlotBlock(block, ByteBuffer(737280, 0), "Fuzz", false) != 0) Fail("no DD block");
    return block;
  }();
  return highDensity ? hd : dd;
}

class Operations {
 public:
  Operations(fuzzcard::AttachedCard& card, fuzzcard::Reader& in)
      : card_(card), in_(in), path_(FfaGetContainerPath(kLetter)) {}

  void Run() {
    for (int i = 0; i < kMaxOperations && !in_.empty(); ++i) {
      const std::uint8_t kind = in_.Byte() % 12;
      One(kind);
      CheckOutsideVolume(kind);
    }
  }

 private:
  // An operation may fail on a damaged card: its result is not looked at
  // unless a promise depends on it; the checks after each one are the test.
  void One(std::uint8_t kind) {
    switch (kind) {
      case 0: {
        const std::uint32_t count = 1 + in_.Byte() % 3;
        const bool highDensity = (in_.Byte() & 1) != 0;
        if (FfaCreate(kLetter, count, in_.Text(255), highDensity, nullptr) == FFA_OK) {
          CheckCreated(count);
        }
        break;
      }
      case 1:
        if (FfaRename(kLetter, in_.Text(255)) == FFA_OK) {
          MainHeader header;
          if (!FfaReadMainHeader(path_, header.Bytes())) Fail("a renamed container has no header");
        }
        break;
      case 2: {
        const std::uint32_t slot = in_.Byte() % kMaxSlot;
        (void)FfaWriteSlot(kLetter, slot, SlotBlock((in_.Byte() & 1) != 0), nullptr);
        break;
      }
      case 3: {
        const std::uint32_t slot = in_.Byte() % kMaxSlot;
        ByteBuffer buffer((in_.Byte() & 1) != 0 ? kContainerBlockSize : 4096);
        (void)FfaReadSlot(kLetter, slot, buffer, nullptr);
        break;
      }
      case 4:
        if (FfaDeleteOnDrive(kLetter) == FFA_OK && platform::PathExists(path_)) {
          Fail("a deleted container is still there");
        }
        break;
      case 5:
        if (FfaErase(kLetter) == FFA_OK && platform::PathExists(FfaGetFolderPath(kLetter))) {
          Fail("an erased container folder is still there");
        }
        break;
      case 6:
        (void)FfaMakeUsable(kLetter);
        break;
      case 7:
        CheckCardState();
        break;
      case 8:
        RenameSlot(in_.Byte() % kMaxSlot, in_.Text(20));
        break;
      case 9:
        (void)FfaWriteStartSector(kLetter, in_.U32());
        break;
      case 10:
        (void)FfaSetProtection(path_, (in_.Byte() & 1) != 0);
        break;
      default:
        card_.Reattach();  // the card taken out and put back in
        break;
    }
  }

  void CheckCreated(std::uint32_t count) {
    MainHeader header;
    if (!FfaReadMainHeader(path_, header.Bytes())) Fail("a created container has no header");
    if (header.ImageCount() != count) Fail("a created container has another image count");
    platform::File file =
        platform::OpenFile(path_, platform::kGenericRead, platform::Disposition::kOpenExisting);
    std::uint64_t length = 0;
    if (!file.IsOpen() || !file.Seek(0, platform::SeekOrigin::kEnd, &length) ||
        length != (count + 1ull) * kContainerBlockSize) {
      Fail("a created container has the wrong length");
    }
  }

  // A start sector that the card state calls set is where the controller
  // finds the container's header.
  void CheckCardState() {
    std::uint64_t bytes = 0;
    CardState state;
    const std::uint32_t flags = FfaGetCardState(std::string(1, kLetter) + ":", bytes, state);
    if ((flags & CARD_START_SECTOR_SET) == 0) return;
    std::uint32_t recorded = 0;
    if (FfaReadStartSector(kLetter, recorded) != 0) Fail("the start sector record cannot be read");
    card_.drive().Unmount();  // everything on the card, as the controller sees it
    const ByteBuffer at =
        card_.ReadImage(std::uint64_t{recorded} * fuzzcard::kSectorSize, kContainerSignatureLength);
    if (at.size() != kContainerSignatureLength ||
        std::memcmp(at.data(), kContainerSignature, kContainerSignatureLength) != 0) {
      Fail("the recorded start sector " + std::to_string(recorded) +
           " does not hold the container's header");
    }
  }

  // Renaming a slot as the command-line tool does: the slot checked against
  // the header, then the card operation that rewrites its record.
  void RenameSlot(std::uint32_t slot, const std::string& name) {
    MainHeader header;
    if (ReadContainerHeader(kLetter, header) != 0 || CheckSlot(header, slot) != 0) return;
    SlotTarget target;
    target.drive = kLetter;
    target.slot = static_cast<int>(slot);
    target.highDensity = header.IsHighDensity();
    (void)CardWriteSlotName(target, name);
  }

  // Only the start sector record may change outside the volume.
  void CheckOutsideVolume(std::uint8_t kind) {
    const std::uint64_t first = card_.drive().volumeOffset();
    const std::uint64_t end = first + card_.drive().volumeLength();
    std::string change =
        card_.FirstChange(0, first, kStartSectorRecordOffset, kStartSectorRecordEnd);
    if (change.empty()) change = card_.FirstChange(end, UINT64_MAX);
    if (!change.empty()) {
      Fail("operation " + std::to_string(kind) + " changed the card outside its volume: " + change);
    }
  }

  fuzzcard::AttachedCard& card_;
  fuzzcard::Reader& in_;
  const std::string path_;
};
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzcard::FixTheClock();
  SlotBlock(true);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzzcard::CardInput card = fuzzcard::DecodeCard(data, size);
  fuzzcard::AttachedCard attached(card, kLetter);
  const bool mountedBefore = attached.drive().Files() != nullptr;
  fuzzcard::Reader in(card.rest, card.restSize);
  Operations(attached, in).Run();
  attached.Reattach();
  if (mountedBefore && attached.drive().Files() == nullptr) {
    Fail("the card's volume no longer mounts after the operations");
  }
  return 0;
}
