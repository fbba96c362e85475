// The main window as the user waits for it, offscreen:
// - a card state refresh of a 4 GiB FAT32 card image holding a 99-image
//   container, from the selection to the status line painted (busy notice,
//   card state, slot list of 99 names, fields, status line); target 100 ms;
// - the same with slots of mixed contents and their descriptions (below);
// - a drive search on a machine without card readers (the machine's drives
//   read again, the removable ones listed, the progress shown); target 50 ms.
#include <QApplication>
#include <QComboBox>

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "container/card_state.h"
#include "container/container_layout.h"
#include "container/ffa_store.h"
#include "container/floppy_kind.h"
#include "container/slot_block.h"
#include "container/slot_contents_cache.h"
#include "container/slot_records.h"
#include "fat/format.h"
#include "fat/volume.h"
#include "mainwindow/tarnwick_dlg.h"
#include "platform/card_image_file.h"
#include "platform/image/image_drive.h"
#include "services/app_settings.h"
#include "services/help_files.h"
#include "virtualdrive/virtual_disk_manager.h"

namespace {

// A temporary folder for the card image and the profile, for the whole run.
class BenchFolder {
 public:
  BenchFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "quillfen-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
    // The window stores the language choice: not in the user's own profile.
    setenv("XDG_CONFIG_HOME", (path_ + "/config").c_str(), 1);
  }
  ~BenchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

BenchFolder& Folder() {
  static BenchFolder folder;
  return folder;
}

// The main window over a profile of its own, without the virtual disk driver.
struct Window {
  AppSettings settings;
  CVirtualDiskManager virtualDisks{std::vector<std::string>{}};
  HelpFiles help{Folder().path() + "/"};
  CTarnwickDlg dialog{nullptr, settings, virtualDisks, help};
  Window() {
    dialog.InitDialog();
    dialog.show();
    QApplication::processEvents();
  }
};

// A 4 GiB FAT32 card image holding a usable 99-image HD container, attached;
// 0 with the benchmark skipped when it cannot be made.
char MakeCard99(benchmark::State& state, const std::string& image) {
  fat::CardImageOptions options;
  options.sizeBytes = 4ull << 30;
  options.fatType = 32;
  options.label = "BENCH CARD";
  fat::Status status;
  if (!platform::MakeCardImage(image, options, &status)) {
    state.SkipWithError(("card image: " + status.message).c_str());
    return 0;
  }
  std::uint32_t error = 0;
  const char letter = platform::AttachCardImage(image, {}, 'W', &error);
  if (letter == 0 || FfaCreate(letter, 99, "Bench", true, nullptr) != 0 ||
      FfaMakeUsable(letter) != 0) {
    state.SkipWithError("the container could not be made");
    return 0;
  }
  return letter;
}

// Refreshes the card state in the window until the benchmark ends.
void RefreshLoop(benchmark::State& state, char letter) {
  Window window;
  const std::optional<CDriveInfo> drive = window.dialog.GetSelectedDrive();
  if (!drive || drive->Letter() != letter) {
    state.SkipWithError("the card is not selected");
    return;
  }
  // The slots' descriptions are read once, in the window's idle time.
  while (window.dialog.SlotContentsPending()) QApplication::processEvents();
  for (auto _ : state) window.dialog.UpdateDriveStatus(*drive);
  if (window.dialog.GetCardState().Flags != 0x00F) state.SkipWithError("not usable");
  if (window.dialog.SlotContentsPending()) state.SkipWithError("descriptions read again");
}

void BM_CardStateRefresh4GiB99Images(benchmark::State& state) {
  const std::string image = Folder().path() + "/card-4g.img";
  if (const char letter = MakeCard99(state, image)) {
    RefreshLoop(state, letter);
    platform::DetachCardImage(letter);
  }
  std::filesystem::remove(image);
}
BENCHMARK(BM_CardStateRefresh4GiB99Images)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// A FAT12 HD floppy by our own formatter with a few files in the root.
ByteBuffer FatFloppy() {
  fat::MemorySectorDevice device(2880);
  fat::FormatOptions format;
  format.fatType = 12;
  format.sectorsPerCluster = 1;
  format.rootEntries = 224;
  format.mediaByte = 0xF0;
  format.sectorsPerTrack = 18;
  format.heads = 2;
  format.label = "BENCH";
  fat::Geometry made;
  if (!fat::FormatVolume(device, format, &made).ok()) return {};
  fat::Status status;
  const std::unique_ptr<fat::Volume> volume = fat::Volume::Mount(device, true, &status);
  const std::string content(20000, 'x');
  for (int i = 0; volume && i < 12; ++i) {
    const std::unique_ptr<fat::File> file =
        volume->CreateFile("FILE" + std::to_string(i) + ".TXT", 0, &status);
    std::size_t done = 0;
    if (file) (void)file->Write(content.data(), content.size(), &done);
  }
  if (!volume || !volume->Flush().ok()) return {};
  return device.bytes();
}

// The same card with what a user's card holds: a third of the slots FAT
// floppies with files, a third unformatted, the rest blank.
// - refresh: the card state refresh once every description is known (the
//   window keeps them); target 150 ms;
// - one pass: reading and identifying all 99 images, the work the window
//   does in its idle time, in pieces of 30 ms, after a card comes in.
void BM_CardStateRefresh99MixedSlots(benchmark::State& state) {
  const std::string image = Folder().path() + "/card-mixed.img";
  const char letter = MakeCard99(state, image);
  const ByteBuffer fat = FatFloppy();
  const ByteBuffer unformatted(kHdImageSize, 0xF6);
  for (std::uint32_t slot = 0; letter != 0 && slot < 99; ++slot) {
    if (slot % 3 == 2) continue;
    ByteBuffer block;
    if (fat.empty() ||
        BuildImageSlotBlock(block, slot % 3 == 0 ? fat : unformatted, "Slot", true) != 0 ||
        FfaWriteSlot(letter, slot, block, nullptr) != 0) {
      state.SkipWithError("the slots could not be written");
      break;
    }
  }
  if (letter != 0 && !state.error_occurred()) {
    if (state.range(0) == 0) {
      RefreshLoop(state, letter);
    } else {
      std::vector<std::uint8_t> records;
      if (FfaReadSlotRecords(FfaGetContainerPath(letter), 0, 99, records) != 0) {
        state.SkipWithError("the records could not be read");
      }
      for (auto _ : state) {
        SlotContentsCache cache;
        for (std::uint32_t slot = 0; slot < 99 && !records.empty(); ++slot) {
          if (cache.Read(letter, slot, true, records.data() + slot * kSlotInfoSize) != 0) {
            state.SkipWithError("a slot could not be read");
          }
        }
      }
    }
  }
  if (letter != 0) platform::DetachCardImage(letter);
  std::filesystem::remove(image);
}
BENCHMARK(BM_CardStateRefresh99MixedSlots)
    ->ArgName("onePass")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

void BM_DriveSearchWithoutReaders(benchmark::State& state) {
  Window window;
  for (auto _ : state) window.dialog.SearchDrives();
  if (window.dialog.GetSelectedDrive()) state.SkipWithError("a card reader is attached");
}
BENCHMARK(BM_DriveSearchWithoutReaders)->Unit(benchmark::kMillisecond);

}  // namespace
