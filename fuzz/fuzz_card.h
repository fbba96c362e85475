// The card images the fuzz targets work on: a compact input form of a whole
// card, the card kept in memory as a sector device, and the card attached at
// a drive letter from a memory file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "fat/sector_device.h"
#include "platform/image/image_drive.h"

namespace fuzzcard {

inline constexpr std::uint32_t kSectorSize = 512;
// Large enough for a FAT32 volume with 512-byte clusters.
inline constexpr std::uint64_t kMaxCardSectors = 80 * 2048;

// A card image in the input form the card targets read: most of a card is
// zero, so only what is not is written down.
//
//   u32 LE   card size in sectors (cut to kMaxCardSectors)
//   pieces, each led by a kind byte:
//     0x00   end of the card; the bytes after it are the target's own
//     0x01   data: u32 LE byte offset, u16 LE length, the bytes
//     0x02   fill: u32 LE byte offset, u32 LE length, the byte value
//     0x03   count: u32 LE byte offset, u32 LE entry count, u8 entry width
//            (2, else 4), u32 LE first value; entries first, first + 1, ...
//            little-endian, as a FAT16 or FAT32 cluster chain in one piece
//
// Pieces apply in order; what reaches past the card's end is dropped, and an
// input that stops inside a piece ends the card there. Every other byte of
// the card is zero.
struct Piece {
  enum class Kind { kData, kFill, kCount };
  Kind kind = Kind::kData;
  std::uint64_t offset = 0;
  std::uint64_t length = 0;            // bytes
  const std::uint8_t* data = nullptr;  // kData
  std::uint8_t fill = 0;               // kFill
  std::uint32_t width = 4;             // kCount
  std::uint32_t first = 0;             // kCount
};

struct CardInput {
  std::uint64_t sectors = 0;
  std::vector<Piece> pieces;  // cut to the card
  // The bytes after the end piece (empty when there is none).
  const std::uint8_t* rest = nullptr;
  std::size_t restSize = 0;

  std::uint64_t SizeBytes() const { return sectors * kSectorSize; }
};

// Never fails: a short input is a small or empty card.
CardInput DecodeCard(const std::uint8_t* data, std::size_t size);

// The input form of a whole image: runs of one byte value become fills,
// runs of counting FAT entries counts, everything else data pieces. Ends
// with the end piece.
ByteBuffer EncodeCard(const ByteBuffer& image);

// The card bytes [first, end) of a FAT32 volume's FSInfo fields behind its
// signatures (free count, next free hint, trail); empty when the card has
// none. A writable mount brings stale ones up to date when it ends, even when
// nothing else changed.
struct ByteRange {
  std::uint64_t first = 0;
  std::uint64_t end = 0;
};
ByteRange FsInfoFields(const CardInput& card);

// A card in memory, kept in 64 KiB chunks that exist only once written
// with more than one byte value, so that a large card that is mostly zero
// or filled costs little.
class SparseDevice : public fat::ISectorDevice {
 public:
  explicit SparseDevice(const CardInput& card);
  SparseDevice(const SparseDevice& other);
  SparseDevice& operator=(const SparseDevice&) = delete;

  std::uint32_t SectorSize() const override { return kSectorSize; }
  std::uint64_t SectorCount() const override { return sectors_; }
  fat::Status ReadSectors(std::uint64_t first, std::uint32_t count, void* buffer) override;
  fat::Status WriteSectors(std::uint64_t first, std::uint32_t count, const void* buffer) override;
  fat::Status Sync() override { return fat::Status::Ok(); }

  void ReadBytes(std::uint64_t offset, void* buffer, std::uint64_t size) const;
  void WriteBytes(std::uint64_t offset, const void* buffer, std::uint64_t size);
  void FillBytes(std::uint64_t offset, std::uint8_t value, std::uint64_t size);
  void Apply(const Piece& piece);
  // True when the sectors outside [first, first + count) hold what they hold
  // in `before`.
  bool SameOutside(const SparseDevice& before, std::uint64_t first, std::uint64_t count) const;

 private:
  static constexpr std::uint64_t kChunkBytes = 64 * 1024;
  std::uint8_t* Chunk(std::uint64_t index);
  const std::uint8_t* ChunkOrNull(std::uint64_t index) const;

  std::uint64_t sectors_;
  std::vector<std::unique_ptr<std::uint8_t[]>> chunks_;
  // The value of every byte of a chunk that is not kept.
  std::vector<std::uint8_t> uniform_;
};

// A window of a device that stops the run on a write outside it, or on any
// write while `writable` is false: what the FAT engine must never attempt.
class GuardDevice : public fat::ISectorDevice {
 public:
  GuardDevice(fat::ISectorDevice& base, bool writable) : base_(base), writable_(writable) {}

  std::uint32_t SectorSize() const override { return base_.SectorSize(); }
  std::uint64_t SectorCount() const override { return base_.SectorCount(); }
  fat::Status ReadSectors(std::uint64_t first, std::uint32_t count, void* buffer) override {
    return base_.ReadSectors(first, count, buffer);
  }
  fat::Status WriteSectors(std::uint64_t first, std::uint32_t count, const void* buffer) override;
  fat::Status Sync() override { return base_.Sync(); }

 private:
  fat::ISectorDevice& base_;
  bool writable_;
};

// The card as an image file in memory (a memory file, no folder of the host
// involved), attached at `letter` as the card of a card reader, the way a
// real card image is attached. Detached again when the object goes away.
class AttachedCard {
 public:
  AttachedCard(const CardInput& card, char letter, const platform::ImageDriveOptions& options = {});
  ~AttachedCard();
  AttachedCard(const AttachedCard&) = delete;
  AttachedCard& operator=(const AttachedCard&) = delete;

  bool attached() const { return drive_ != nullptr; }
  char letter() const { return letter_; }
  platform::ImageDrive& drive() { return *drive_; }
  // Drops the drive (its engine writes what it holds); the image stays.
  void Detach();

  // Where the bytes in [from, to) of the image differ from the card as
  // decoded, leaving out those in [skipFirst, skipEnd); "" when nowhere.
  // Only the memory pages the image holds are read, so a call costs what
  // was written there.
  std::string FirstChange(std::uint64_t from, std::uint64_t to, std::uint64_t skipFirst = 0,
                          std::uint64_t skipEnd = 0) const;
  // Opens the image again as a new drive at the letter, as a card taken
  // out and put back in.
  void Reattach();
  // `size` bytes of the image as it is now from `offset`, fewer at its end.
  ByteBuffer ReadImage(std::uint64_t offset, std::size_t size) const;

 private:
  void Attach();

  int fd_ = -1;
  char letter_;
  platform::ImageDriveOptions options_;
  SparseDevice expected_;
  std::shared_ptr<platform::ImageDrive> drive_;
};

// One date for everything the operations write, so that a run repeats itself
// byte for byte; every target calls it from LLVMFuzzerInitialize.
void FixTheClock();

// Stops the run with a message on standard error: a broken promise of the
// code under test that is no crash by itself.
[[noreturn]] void Fail(const std::string& what);

// Reads the input's bytes one after another; past its end every read gives
// zeros, so that every input decodes to something.
class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool empty() const { return position_ >= size_; }
  std::uint8_t Byte();
  std::uint16_t U16();
  std::uint32_t U32();
  // A value in [0, bound); 0 when bound is 0.
  std::uint32_t Below(std::uint32_t bound) { return bound == 0 ? 0 : U32() % bound; }
  // Up to `maxLength` bytes, as many as the length byte says.
  std::string Text(std::size_t maxLength);

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
};

}  // namespace fuzzcard
