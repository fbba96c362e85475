// Raw reads through drive access, side by side with plain reads of the same
// image: a floppy copied into memory (CDiskImage::ReadFromDrive, 16 KiB
// chunks) and a whole 256 MiB card read in 256 KiB pieces, against
// `dd bs=256k` and an in-process loop of 256 KiB reads. Target: the card
// read through CDirectDiskAccess reaches at least 0.8 of dd's throughput.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "driveaccess/direct_disk_access.h"
#include "driveaccess/disk_image.h"
#include "platform/drive.h"
#include "platform/image/image_drive.h"

namespace {
constexpr std::uint64_t kCardBytes = 256ull << 20;
constexpr std::uint32_t kPiece = 256 * 1024;
constexpr std::uint64_t kFloppyBytes = 1474560;
constexpr char kCardLetter = 'R';
constexpr char kFloppyLetter = 'A';

bool WritePattern(const std::string& path, std::uint64_t size) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return false;
  std::vector<std::uint8_t> block(1 << 20);
  bool ok = true;
  for (std::uint64_t done = 0; ok && done < size; done += block.size()) {
    for (std::size_t i = 0; i < block.size(); ++i) {
      block[i] = static_cast<std::uint8_t>((done + i) * 31 + (done >> 20));
    }
    const std::size_t n =
        static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), size - done));
    ok = std::fwrite(block.data(), 1, n, out) == n;
  }
  return std::fclose(out) == 0 && ok;
}

// The card and floppy images, made once and attached for the whole run.
class Images {
 public:
  static Images& Get() {
    static Images images;
    return images;
  }
  bool ok() const { return ok_; }
  const std::string& card() const { return card_; }

 private:
  Images() {
    char folder[] = "/tmp/quillfen-bench-XXXXXX";
    if (mkdtemp(folder) == nullptr) return;
    folder_ = folder;
    card_ = folder_ + "/card.img";
    floppy_ = folder_ + "/floppy.img";
    if (!WritePattern(card_, kCardBytes) || !WritePattern(floppy_, kFloppyBytes)) return;
    std::uint32_t error = 0;
    // A blank card is enough: raw reads need no file system.
    ok_ = platform::AttachCardImage(card_, {}, kCardLetter, &error) == kCardLetter &&
          platform::AttachFloppyImage(floppy_, kFloppyLetter, &error) == kFloppyLetter;
  }
  ~Images() {
    platform::DriveTable::Instance().Detach(kCardLetter);
    platform::DriveTable::Instance().Detach(kFloppyLetter);
    std::remove(card_.c_str());
    std::remove(floppy_.c_str());
    rmdir(folder_.c_str());
  }

  bool ok_ = false;
  std::string folder_;
  std::string card_;
  std::string floppy_;
};

void BM_FloppyReadFromDrive(benchmark::State& state) {
  if (!Images::Get().ok()) return state.SkipWithError("images not attached");
  CDiskImage image;
  for (auto _ : state) {
    if (image.ReadFromDrive(kFloppyLetter, nullptr) != 0) return state.SkipWithError("read");
    benchmark::DoNotOptimize(image.Data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFloppyBytes));
}
BENCHMARK(BM_FloppyReadFromDrive)->Unit(benchmark::kMillisecond);

// As the whole-card copy does it: one accessor, one Read per 256 KiB piece.
void BM_CardReadDirectDiskAccess(benchmark::State& state) {
  if (!Images::Get().ok()) return state.SkipWithError("images not attached");
  std::vector<std::uint8_t> buffer(kPiece);
  for (auto _ : state) {
    CDirectDiskAccess disk;
    if (disk.Open(kCardLetter, false) != 0 || disk.SetPosition(0) != 0) {
      return state.SkipWithError("open");
    }
    for (std::uint64_t done = 0; done < kCardBytes; done += kPiece) {
      if (disk.Read(buffer.data(), kPiece, kPiece) != 0) return state.SkipWithError("read");
    }
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kCardBytes));
}
BENCHMARK(BM_CardReadDirectDiskAccess)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same file read with plain 256 KiB reads in this process.
void BM_CardReadPlainLoop(benchmark::State& state) {
  if (!Images::Get().ok()) return state.SkipWithError("images not attached");
  std::vector<std::uint8_t> buffer(kPiece);
  for (auto _ : state) {
    const int fd = open(Images::Get().card().c_str(), O_RDONLY);
    if (fd < 0) return state.SkipWithError("open");
    while (read(fd, buffer.data(), kPiece) > 0) {
    }
    close(fd);
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kCardBytes));
}
BENCHMARK(BM_CardReadPlainLoop)->Unit(benchmark::kMillisecond)->UseRealTime();

// dd itself, started once per iteration (its start-up cost is included).
void BM_CardReadDd(benchmark::State& state) {
  if (!Images::Get().ok()) return state.SkipWithError("images not attached");
  const std::string command =
      "dd if='" + Images::Get().card() + "' of=/dev/null bs=256k status=none";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) return state.SkipWithError("dd failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kCardBytes));
}
BENCHMARK(BM_CardReadDd)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
