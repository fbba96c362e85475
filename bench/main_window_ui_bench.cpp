// The main window as the user waits for it, offscreen:
// - a card state refresh of a 4 GiB FAT32 card image holding a 99-image
//   container, from the selection to the status line painted (busy notice,
//   card state, slot list of 99 names, fields, status line); target 100 ms;
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
#include "container/ffa_store.h"
#include "fat/format.h"
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

void BM_CardStateRefresh4GiB99Images(benchmark::State& state) {
  const std::string image = Folder().path() + "/card-4g.img";
  fat::CardImageOptions options;
  options.sizeBytes = 4ull << 30;
  options.fatType = 32;
  options.label = "BENCH CARD";
  fat::Status status;
  if (!platform::MakeCardImage(image, options, &status)) {
    state.SkipWithError(("card image: " + status.message).c_str());
    return;
  }
  std::uint32_t error = 0;
  const char letter = platform::AttachCardImage(image, {}, 'W', &error);
  if (letter == 0 || FfaCreate(letter, 99, "Bench", true, nullptr) != 0 ||
      FfaMakeUsable(letter) != 0) {
    state.SkipWithError("the container could not be made");
    return;
  }
  {
    Window window;
    const std::optional<CDriveInfo> drive = window.dialog.GetSelectedDrive();
    if (!drive || drive->Letter() != letter) {
      state.SkipWithError("the card is not selected");
    } else {
      for (auto _ : state) window.dialog.UpdateDriveStatus(*drive);
      if (window.dialog.GetCardState().Flags != 0x00F) state.SkipWithError("not usable");
    }
  }
  platform::DetachCardImage(letter);
  std::filesystem::remove(image);
}
BENCHMARK(BM_CardStateRefresh4GiB99Images)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_DriveSearchWithoutReaders(benchmark::State& state) {
  Window window;
  for (auto _ : state) window.dialog.SearchDrives();
  if (window.dialog.GetSelectedDrive()) state.SkipWithError("a card reader is attached");
}
BENCHMARK(BM_DriveSearchWithoutReaders)->Unit(benchmark::kMillisecond);

}  // namespace
