#include "fuzz_card.h"

#include <fcntl.h>
#include <sys/mman.h>  // memfd_create
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/clock.h"
#include "fat/boot_sector.h"
#include "fat/partition.h"
#include "platform/drive.h"

namespace fuzzcard {
namespace {

enum PieceKind : std::uint8_t { kEnd = 0, kData = 1, kFill = 2, kCount = 3 };

// Runs of one value at least this long are written as fills, runs of
// counting entries at least this long as counts.
constexpr std::size_t kMinFillRun = 16;
constexpr std::size_t kMinCountRun = 8;

// The number of entries of `width` bytes from `at` that count up by one.
std::size_t CountRun(const ByteBuffer& image, std::size_t at, std::size_t width) {
  auto entry = [&](std::size_t i) {
    return width == 2 ? std::uint32_t{le::Read16(&image[i])} : le::Read32(&image[i]);
  };
  std::size_t n = 1;
  while (at + (n + 1) * width <= image.size() && entry(at + n * width) == entry(at) + n) ++n;
  return at + width <= image.size() ? n : 0;
}

void Put32(ByteBuffer& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void Put16(ByteBuffer& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

// The piece cut to the card; false when nothing of it is left.
bool CutToCard(Piece* piece, std::uint64_t cardBytes) {
  if (piece->offset >= cardBytes) return false;
  piece->length = std::min(piece->length, cardBytes - piece->offset);
  return piece->length != 0;
}

}  // namespace

// Freed memory waits less long before it is handed out again: the targets
// allocate whole sectors, clusters and slot blocks, and with the default
// quarantine each run would touch fresh pages, which costs more than the run.
extern "C" const char* __asan_default_options() {
  return "quarantine_size_mb=16";
}

void FixTheClock() {
  platform::SetLocalTimeSource([] { return platform::LocalTime{2024, 5, 17, 12, 0, 0, 0}; });
}

void Fail(const std::string& what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
  std::abort();
}

CardInput DecodeCard(const std::uint8_t* data, std::size_t size) {
  CardInput card;
  Reader in(data, size);
  card.sectors = std::min<std::uint64_t>(in.U32(), kMaxCardSectors);
  const std::uint64_t cardBytes = card.SizeBytes();
  std::size_t position = std::min<std::size_t>(size, 4);
  auto left = [&] { return size - position; };
  auto read32 = [&] {
    const std::uint32_t v = le::Read32(data + position);
    position += 4;
    return v;
  };
  while (left() >= 1) {
    const std::uint8_t kind = data[position++];
    if (kind == kEnd) {
      card.rest = data + position;
      card.restSize = left();
      break;
    }
    Piece piece;
    if (kind == kData) {
      if (left() < 6) break;
      piece.offset = read32();
      piece.length = le::Read16(data + position);
      position += 2;
      piece.length = std::min<std::uint64_t>(piece.length, left());
      piece.data = data + position;
      position += piece.length;
    } else if (kind == kFill) {
      if (left() < 9) break;
      piece.kind = Piece::Kind::kFill;
      piece.offset = read32();
      piece.length = read32();
      piece.fill = data[position++];
    } else if (kind == kCount) {
      if (left() < 13) break;
      piece.kind = Piece::Kind::kCount;
      piece.offset = read32();
      const std::uint32_t entries = read32();
      piece.width = data[position++] == 2 ? 2 : 4;
      piece.first = read32();
      piece.length = std::uint64_t{entries} * piece.width;
    } else {
      continue;  // an unknown kind byte stands alone
    }
    if (CutToCard(&piece, cardBytes)) card.pieces.push_back(piece);
  }
  return card;
}

ByteBuffer EncodeCard(const ByteBuffer& image) {
  ByteBuffer out;
  Put32(out, static_cast<std::uint32_t>(image.size() / kSectorSize));
  constexpr std::size_t kNone = SIZE_MAX;
  std::size_t dataStart = kNone;
  auto flushData = [&](std::size_t end) {
    if (dataStart == kNone) return;
    while (end > dataStart && image[end - 1] == 0) --end;  // zero anyway
    while (dataStart < end) {
      const std::size_t n = std::min<std::size_t>(end - dataStart, 0xFFFF);
      out.push_back(kData);
      Put32(out, static_cast<std::uint32_t>(dataStart));
      Put16(out, static_cast<std::uint16_t>(n));
      out.insert(out.end(), image.begin() + static_cast<std::ptrdiff_t>(dataStart),
                 image.begin() + static_cast<std::ptrdiff_t>(dataStart + n));
      dataStart += n;
    }
    dataStart = kNone;
  };
  std::size_t i = 0;
  while (i < image.size()) {
    bool counted = false;
    for (const std::size_t width : {std::size_t{4}, std::size_t{2}}) {
      const std::size_t n = i % width == 0 ? CountRun(image, i, width) : 0;
      if (n < kMinCountRun) continue;
      flushData(i);
      out.push_back(kCount);
      Put32(out, static_cast<std::uint32_t>(i));
      Put32(out, static_cast<std::uint32_t>(n));
      out.push_back(static_cast<std::uint8_t>(width));
      Put32(out, width == 2 ? le::Read16(&image[i]) : le::Read32(&image[i]));
      i += n * width;
      counted = true;
      break;
    }
    if (counted) continue;
    std::size_t run = 1;
    while (i + run < image.size() && image[i + run] == image[i]) ++run;
    if (run >= kMinFillRun) {
      flushData(i);
      if (image[i] != 0) {
        out.push_back(kFill);
        Put32(out, static_cast<std::uint32_t>(i));
        Put32(out, static_cast<std::uint32_t>(run));
        out.push_back(image[i]);
      }
    } else if (dataStart == kNone && image[i] != 0) {
      dataStart = i;
    }
    i += run;
  }
  flushData(image.size());
  out.push_back(kEnd);
  return out;
}

ByteRange FsInfoFields(const CardInput& card) {
  SparseDevice disk(card);
  std::uint64_t start = 0;
  std::uint64_t count = 0;
  fat::Status status;
  if (!fat::FindFatVolume(disk, &start, &count, &status)) return {};
  std::uint8_t boot[kSectorSize];
  fat::Geometry g;
  if (!disk.ReadSectors(start, 1, boot).ok() || !fat::ParseBootSector(boot, 0, &g, &status) ||
      g.fatType != 32 || g.fsInfoSector == 0) {
    return {};
  }
  const std::uint64_t sector =
      start * kSectorSize + std::uint64_t{g.fsInfoSector} * g.bytesPerSector;
  return {sector + 488, sector + 512};
}

SparseDevice::SparseDevice(const CardInput& card)
    : sectors_(card.sectors),
      chunks_((card.SizeBytes() + kChunkBytes - 1) / kChunkBytes),
      uniform_(chunks_.size(), 0) {
  for (const Piece& p : card.pieces) Apply(p);
}

void SparseDevice::Apply(const Piece& p) {
  switch (p.kind) {
    case Piece::Kind::kData:
      WriteBytes(p.offset, p.data, p.length);
      break;
    case Piece::Kind::kFill:
      FillBytes(p.offset, p.fill, p.length);
      break;
    case Piece::Kind::kCount: {
      std::uint8_t block[4096];
      std::uint32_t value = p.first;
      for (std::uint64_t done = 0; done < p.length;) {
        const std::uint64_t n = std::min<std::uint64_t>(sizeof block, p.length - done);
        for (std::uint64_t at = 0; at < n; at += p.width, ++value) {
          std::uint8_t entry[4];
          le::Write32(entry, value);
          std::memcpy(block + at, entry, std::min<std::uint64_t>(p.width, n - at));
        }
        WriteBytes(p.offset + done, block, n);
        done += n;
      }
      break;
    }
  }
}

SparseDevice::SparseDevice(const SparseDevice& other)
    : sectors_(other.sectors_), chunks_(other.chunks_.size()), uniform_(other.uniform_) {
  for (std::size_t i = 0; i < chunks_.size(); ++i) {
    if (!other.chunks_[i]) continue;
    chunks_[i] = std::make_unique<std::uint8_t[]>(kChunkBytes);
    std::memcpy(chunks_[i].get(), other.chunks_[i].get(), kChunkBytes);
  }
}

std::uint8_t* SparseDevice::Chunk(std::uint64_t index) {
  if (!chunks_[index]) {
    chunks_[index] = std::make_unique_for_overwrite<std::uint8_t[]>(kChunkBytes);
    std::memset(chunks_[index].get(), uniform_[index], kChunkBytes);
  }
  return chunks_[index].get();
}

const std::uint8_t* SparseDevice::ChunkOrNull(std::uint64_t index) const {
  return chunks_[index].get();
}

void SparseDevice::ReadBytes(std::uint64_t offset, void* buffer, std::uint64_t size) const {
  auto* out = static_cast<std::uint8_t*>(buffer);
  while (size > 0) {
    const std::uint64_t index = offset / kChunkBytes;
    const std::uint64_t within = offset % kChunkBytes;
    const std::uint64_t n = std::min(size, kChunkBytes - within);
    if (const std::uint8_t* chunk = ChunkOrNull(index)) {
      std::memcpy(out, chunk + within, n);
    } else {
      std::memset(out, uniform_[index], n);
    }
    out += n;
    offset += n;
    size -= n;
  }
}

void SparseDevice::WriteBytes(std::uint64_t offset, const void* buffer, std::uint64_t size) {
  const auto* in = static_cast<const std::uint8_t*>(buffer);
  while (size > 0) {
    const std::uint64_t within = offset % kChunkBytes;
    const std::uint64_t n = std::min(size, kChunkBytes - within);
    std::memcpy(Chunk(offset / kChunkBytes) + within, in, n);
    in += n;
    offset += n;
    size -= n;
  }
}

void SparseDevice::FillBytes(std::uint64_t offset, std::uint8_t value, std::uint64_t size) {
  while (size > 0) {
    const std::uint64_t index = offset / kChunkBytes;
    const std::uint64_t within = offset % kChunkBytes;
    const std::uint64_t n = std::min(size, kChunkBytes - within);
    if (n == kChunkBytes) {
      chunks_[index].reset();
      uniform_[index] = value;
    } else if (chunks_[index] || uniform_[index] != value) {
      std::memset(Chunk(index) + within, value, n);
    }
    offset += n;
    size -= n;
  }
}

fat::Status SparseDevice::ReadSectors(std::uint64_t first, std::uint32_t count, void* buffer) {
  if (fat::Status s = fat::CheckRange(first, count, sectors_); !s.ok()) return s;
  ReadBytes(first * kSectorSize, buffer, std::uint64_t{count} * kSectorSize);
  return fat::Status::Ok();
}

fat::Status SparseDevice::WriteSectors(std::uint64_t first, std::uint32_t count,
                                       const void* buffer) {
  if (fat::Status s = fat::CheckRange(first, count, sectors_); !s.ok()) return s;
  WriteBytes(first * kSectorSize, buffer, std::uint64_t{count} * kSectorSize);
  return fat::Status::Ok();
}

bool SparseDevice::SameOutside(const SparseDevice& before, std::uint64_t first,
                               std::uint64_t count) const {
  const std::uint64_t windowFirst = first * kSectorSize;
  const std::uint64_t windowEnd = (first + count) * kSectorSize;
  std::uint8_t a[kSectorSize];
  std::uint8_t b[kSectorSize];
  for (std::uint64_t index = 0; index < chunks_.size(); ++index) {
    if (!chunks_[index] && !before.chunks_[index] && uniform_[index] == before.uniform_[index]) {
      continue;
    }
    if (index * kChunkBytes >= windowFirst && (index + 1) * kChunkBytes <= windowEnd) continue;
    for (std::uint64_t offset = index * kChunkBytes;
         offset < std::min((index + 1) * kChunkBytes, sectors_ * kSectorSize);
         offset += kSectorSize) {
      if (offset >= windowFirst && offset < windowEnd) continue;
      ReadBytes(offset, a, kSectorSize);
      before.ReadBytes(offset, b, kSectorSize);
      if (std::memcmp(a, b, kSectorSize) != 0) return false;
    }
  }
  return true;
}

fat::Status GuardDevice::WriteSectors(std::uint64_t first, std::uint32_t count,
                                      const void* buffer) {
  if (!writable_) {
    Fail("a read-only mount wrote sector " + std::to_string(first));
  }
  if (first > base_.SectorCount() || count > base_.SectorCount() - first) {
    Fail("the engine wrote sectors " + std::to_string(first) + " + " + std::to_string(count) +
         " outside its volume of " + std::to_string(base_.SectorCount()) + " sectors");
  }
  return base_.WriteSectors(first, count, buffer);
}

AttachedCard::AttachedCard(const CardInput& card, char letter,
                           const platform::ImageDriveOptions& options)
    : letter_(letter), options_(options), expected_(card) {
  fd_ = memfd_create("quillfen-fuzz-card", MFD_CLOEXEC);
  if (fd_ < 0 || ftruncate(fd_, static_cast<off_t>(card.SizeBytes())) != 0) {
    Fail("no memory file for the card");
  }
  // The decoded card written piece by piece, leaving out blocks of zeros so
  // that the memory file holds pages only where the card is not zero.
  ByteBuffer block(64 * 1024);
  for (const Piece& p : card.pieces) {
    for (std::uint64_t done = 0; done < p.length; done += block.size()) {
      const std::uint64_t n = std::min<std::uint64_t>(block.size(), p.length - done);
      expected_.ReadBytes(p.offset + done, block.data(), n);
      if (std::all_of(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(n),
                      [](std::uint8_t b) { return b == 0; })) {
        continue;
      }
      if (pwrite(fd_, block.data(), n, static_cast<off_t>(p.offset + done)) !=
          static_cast<ssize_t>(n)) {
        Fail("cannot write the card into its memory file");
      }
    }
  }
  Attach();
}

void AttachedCard::Attach() {
  std::uint32_t error = 0;
  drive_ = platform::ImageDrive::OpenCard("/proc/self/fd/" + std::to_string(fd_), options_, &error);
  if (!drive_) Fail("the card's memory file does not open: " + std::to_string(error));
  if (!platform::DriveTable::Instance().Attach(letter_, drive_)) {
    Fail(std::string("drive letter ") + letter_ + ": is taken");
  }
}

void AttachedCard::Reattach() {
  Detach();
  Attach();
}

AttachedCard::~AttachedCard() {
  Detach();
  if (fd_ >= 0) close(fd_);
}

void AttachedCard::Detach() {
  if (!drive_) return;
  platform::DriveTable::Instance().Detach(letter_);
  drive_.reset();
}

std::string AttachedCard::FirstChange(std::uint64_t from, std::uint64_t to, std::uint64_t skipFirst,
                                      std::uint64_t skipEnd) const {
  const std::uint64_t size = expected_.SectorCount() * kSectorSize;
  const off_t end = lseek(fd_, 0, SEEK_END);
  if (end != static_cast<off_t>(size)) {
    return "the image changed its size from " + std::to_string(size) + " to " + std::to_string(end);
  }
  to = std::min(to, size);
  ByteBuffer now(64 * 1024);
  ByteBuffer before(now.size());
  auto position = static_cast<off_t>(from);
  while (position < static_cast<off_t>(to)) {
    const off_t data = lseek(fd_, position, SEEK_DATA);
    if (data < 0 || data >= static_cast<off_t>(to)) break;  // only holes from here on
    off_t hole = lseek(fd_, data, SEEK_HOLE);
    if (hole < 0 || hole > static_cast<off_t>(to)) hole = static_cast<off_t>(to);
    for (off_t offset = data; offset < hole;) {
      const auto n = static_cast<std::size_t>(std::min<off_t>(hole - offset, now.size()));
      if (pread(fd_, now.data(), n, offset) != static_cast<ssize_t>(n)) {
        return "cannot read the image back";
      }
      expected_.ReadBytes(static_cast<std::uint64_t>(offset), before.data(), n);
      if (std::memcmp(now.data(), before.data(), n) != 0) {
        for (std::size_t i = 0; i < n; ++i) {
          const std::uint64_t at = static_cast<std::uint64_t>(offset) + i;
          if (now[i] != before[i] && (at < skipFirst || at >= skipEnd)) {
            return "byte " + std::to_string(at) + " (sector " + std::to_string(at / kSectorSize) +
                   ") changed";
          }
        }
      }
      offset += static_cast<off_t>(n);
    }
    position = hole;
  }
  return "";
}

ByteBuffer AttachedCard::ReadImage(std::uint64_t offset, std::size_t size) const {
  const std::uint64_t imageSize = expected_.SectorCount() * kSectorSize;
  if (offset >= imageSize) return {};
  ByteBuffer bytes(static_cast<std::size_t>(std::min<std::uint64_t>(size, imageSize - offset)));
  if (pread(fd_, bytes.data(), bytes.size(), static_cast<off_t>(offset)) !=
      static_cast<ssize_t>(bytes.size())) {
    bytes.clear();
  }
  return bytes;
}

std::uint8_t Reader::Byte() {
  return position_ < size_ ? data_[position_++] : 0;
}

std::uint16_t Reader::U16() {
  const std::uint16_t low = Byte();
  return static_cast<std::uint16_t>(low | (Byte() << 8));
}

std::uint32_t Reader::U32() {
  const std::uint32_t low = U16();
  return low | (static_cast<std::uint32_t>(U16()) << 16);
}

std::string Reader::Text(std::size_t maxLength) {
  const std::size_t length = std::min<std::size_t>(Byte(), maxLength);
  std::string text;
  for (std::size_t i = 0; i < length && !empty(); ++i) text.push_back(static_cast<char>(Byte()));
  return text;
}

}  // namespace fuzzcard
