#include "cli/demo.h"

#include <cstdio>

#include "base/current_language.h"
#include "cli/card_handle.h"
#include "cli/card_report.h"
#include "cli/cli_card_user.h"
#include "cli/cli_output.h"
#include "cli/commands.h"
#include "cli/terminal_progress.h"
#include "container/card_operations.h"
#include "container/card_state.h"
#include "container/container_creation.h"
#include "fat/format.h"
#include "fat/sector_device.h"
#include "fat/volume.h"
#include "platform/card_image_file.h"
#include "platform/files.h"
#include "platform/user_files.h"

namespace {
constexpr std::uint64_t kDemoCardBytes = 64ull << 20;
constexpr std::uint32_t kDemoPartitionStart = 63;
constexpr std::uint32_t kDemoSlot = 1;  // shown as slot 2

constexpr char kReadme[] =
    "This floppy image was made by the Quillfen demo.\r\n"
    "The controller sees it as a 1.44 MB floppy disk in slot 2.\r\n";

bool MakeDemoCard(const std::string& path, std::string* error) {
  fat::CardImageOptions options;
  options.sizeBytes = kDemoCardBytes;
  options.fatType = 16;
  options.partitionStart = kDemoPartitionStart;
  options.label = "DEMO CF";
  fat::Status status;
  if (platform::MakeCardImage(path, options, &status)) return true;
  *error = status.message;
  return false;
}

// The demo card, made on first use and made again when it no longer holds a
// FAT volume we can reach.
bool OpenDemoCard(CardHandle& card, const std::string& path) {
  std::string error;
  if (!platform::PathExists(path) && !MakeDemoCard(path, &error)) {
    Failure(path + ": " + error);
    return false;
  }
  if (card.Open(path) == 0) {
    std::uint64_t size = 0;
    CardState state;
    if ((FfaGetCardState(card.entry(), size, state) & CARD_RAW_ACCESS) != 0) return true;
    card.Close();
  }
  if (!MakeDemoCard(path, &error)) {
    Failure(path + ": " + error);
    return false;
  }
  return OpenCardOrReport(card, path);
}
}  // namespace

std::string DemoCardPath() {
  return platform::UserDataFolder() + "/Quillfen/demo-card.img";
}

bool BuildDemoFloppy(ByteBuffer* image, std::string* error) {
  fat::MemorySectorDevice device(2880);
  fat::Status status = fat::FormatFloppy(device, true, "TOOLS", 0x51F1E4A0);
  if (status.ok()) {
    std::unique_ptr<fat::Volume> volume = fat::Volume::Mount(device, true, &status);
    if (volume) {
      std::unique_ptr<fat::File> file = volume->CreateFile("README.TXT", 0, &status);
      if (file) {
        std::size_t written = 0;
        status = file->Write(kReadme, sizeof kReadme - 1, &written);
        const fat::Status closed = file->Close();
        if (status.ok()) status = closed;
      }
      if (status.ok()) status = volume->Flush();
    }
  }
  if (!status.ok()) {
    *error = status.message;
    return false;
  }
  *image = device.bytes();
  return true;
}

int RunDemo(const CliArgs&) {
  const std::string path = DemoCardPath();
  const std::string folder = path.substr(0, path.find_last_of('/'));
  if (const std::uint32_t rc = platform::CreateFolders(folder)) {
    return ReportResult(static_cast<int>(rc));
  }
  CardHandle card;
  if (!OpenDemoCard(card, path)) return kExitFailed;
  const char drive = card.letter();
  std::printf("%s: %s\n", Localized("Demo card", "Demo-Karte").c_str(), path.c_str());

  ContainerCreationRequest request;
  request.count = 5;
  request.name = "Demo";
  if (const int rc = CreateContainer(drive, request, ProgressOwner()).code) {
    return ReportResult(rc);
  }
  ByteBuffer floppy;
  std::string error;
  if (!BuildDemoFloppy(&floppy, &error)) return Failure(error);
  SlotTarget target = CliSlotTarget(drive, kDemoSlot, true);
  target.name = "Tools";
  CliCardUser user;
  if (const int rc = CardWriteSlot(target, floppy, user)) return ReportResult(rc);

  std::printf("\n");
  PrintCardState(card.entry());
  std::printf("\n");
  return ReportResult(PrintSlots(drive));
}
