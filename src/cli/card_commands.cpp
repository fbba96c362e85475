// Drive listing and the raw tools: whole-card copy, sector hex dump, and
// blank card images.
#include <algorithm>
#include <cstdio>
#include <string>

#include "base/bytes.h"
#include "base/current_language.h"
#include "cli/card_handle.h"
#include "cli/cli_card_user.h"
#include "cli/cli_output.h"
#include "cli/commands.h"
#include "cli/terminal_progress.h"
#include "container/card_operations.h"
#include "driveaccess/dda_error_codes.h"
#include "driveaccess/direct_disk_access.h"
#include "driveaccess/drive_description_text.h"
#include "driveaccess/drive_kind.h"
#include "driveaccess/drive_list.h"
#include "driveaccess/hex_lines.h"
#include "fat/format.h"
#include "platform/card_image_file.h"
#include "platform/drive.h"
#include "platform/drive_refresh.h"

namespace {
constexpr std::uint32_t kSectorSize = 512;
constexpr std::uint32_t kHexSectorsPerRead = 128;
// 2 MiB per transfer: fewer calls on a whole card; the progress still moves
// several times a second on a slow reader.
constexpr std::uint32_t kDumpSectorsPerRead = 4096;

void PrintHexLine(std::uint64_t offset, const std::uint8_t* bytes) {
  const std::string line = FormatHexLine(offset, bytes, kHexBytesPerLine) + "\n";
  std::fwrite(line.data(), 1, line.size(), stdout);
}

int InvalidNumber(const std::string& what, const std::string& text) {
  return UsageError(what + ": '" + text + "'");
}
}  // namespace

int RunDrives(const CliArgs&) {
  platform::RefreshDrives();
  CDriveList drives;
  drives.EnumerateDrives(DRIVE_KIND_ALL);
  for (const CDriveInfo& drive : drives.Records()) {
    // The device node does not shift as letters do; with the reader's name
    // and the mount folder (or image file) a user tells the cards apart. "-"
    // for what a drive does not have.
    std::string node;
    if (const auto found = platform::FindDrive(drive.Letter())) node = found->VolumeNode();
    const platform::DriveDescription description = DescribeDrive(drive.Letter());
    const std::string location = DriveLocationText(description);
    std::printf("%s\t%s\t%u\t%s\t%s\t%s\t%s\t%s\n", drive.driveName.c_str(),
                GetDriveKindText(drive.kind).c_str(), drive.marks, drive.GetDisplayText().c_str(),
                drive.fileSystemName.c_str(), node.empty() ? "-" : node.c_str(),
                description.product.empty() ? "-" : description.product.c_str(),
                location.empty() ? "-" : location.c_str());
  }
  return kExitOk;
}

int RunDump(const CliArgs& args) {
  CardHandle card;
  if (!OpenCardOrReport(card, args.args[0], CardUse::kRead)) return kExitFailed;
  if (!CheckCardNotContainerFile(card)) return kExitFailed;
  CliCardUser user(args.args[1]);
  return ReportResult(CardCopyToImageFile(card.letter(), user, kDumpSectorsPerRead));
}

int RunHex(const CliArgs& args) {
  const std::optional<std::uint64_t> start = ParseSectorNumber(args.args[1]);
  if (!start)
    return InvalidNumber(Localized("not a sector number", "keine Sektornummer"), args.args[1]);
  const std::optional<std::uint64_t> count = ParseSectorNumber(args.args[2]);
  if (!count)
    return InvalidNumber(Localized("not a sector count", "keine Sektoranzahl"), args.args[2]);
  CardHandle card;
  if (!OpenCardOrReport(card, args.args[0], CardUse::kRead)) return kExitFailed;
  if (!CheckCardNotContainerFile(card)) return kExitFailed;

  CDirectDiskAccess disk;
  if (const int rc = disk.Open(card.letter(), false)) return ReportResult(rc);
  disk.SetSectorSize(kSectorSize);
  DriveGeometry geometry;
  if (const int rc = disk.GetGeometry(geometry)) return ReportResult(rc);
  // A start at or past the end is refused as the sector viewer refuses it; a
  // run that starts inside but reaches past the end fails in the read.
  if (*start >= geometry.totalSectors) return ReportResult(DDA_ERR_SET_POSITION);
  ByteBuffer buffer(static_cast<std::size_t>(kHexSectorsPerRead) * kSectorSize);
  std::uint64_t done = 0;
  while (done < *count) {
    const auto n =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(kHexSectorsPerRead, *count - done));
    if (const int rc = disk.ReadSectors(buffer.data(), *start + done, n)) {
      std::fflush(stdout);
      return ReportResult(rc);
    }
    const std::uint64_t base = (*start + done) * kSectorSize;
    for (std::uint32_t i = 0; i < n * kSectorSize; i += 16) PrintHexLine(base + i, &buffer[i]);
    done += n;
  }
  return kExitOk;
}

int RunNewCardImage(const CliArgs& args) {
  fat::CardImageOptions options;
  const std::string* size = args.Value("--size");
  if (size == nullptr) {
    return UsageError(
        Localized("new-card-image needs --size BYTES", "new-card-image braucht --size BYTES"));
  }
  const std::optional<std::uint64_t> bytes = ParseByteSize(*size);
  if (!bytes || *bytes == 0 || *bytes % kSectorSize != 0) {
    return InvalidNumber(Localized("not a size in whole sectors", "keine Größe in ganzen Sektoren"),
                         *size);
  }
  options.sizeBytes = *bytes;
  if (const std::string* fat = args.Value("--fat")) {
    if (*fat != "12" && *fat != "16" && *fat != "32") {
      return InvalidNumber(
          Localized("FAT type must be 12, 16 or 32", "FAT Typ muss 12, 16 oder 32 sein"), *fat);
    }
    options.fatType = std::stoi(*fat);
  }
  options.bare = args.Has("--no-mbr");
  if (const std::string* startText = args.Value("--start")) {
    if (options.bare) {
      return UsageError(Localized("--start needs a partition table (no --no-mbr)",
                                  "--start braucht eine Partitionstabelle (kein --no-mbr)"));
    }
    const std::optional<std::uint64_t> start = ParseSectorNumber(*startText);
    if (!start || *start == 0 || *start > 0xFFFFFFFFu) {
      return InvalidNumber(Localized("not a partition start sector", "kein Partitions-Startsektor"),
                           *startText);
    }
    options.partitionStart = static_cast<std::uint32_t>(*start);
  }
  if (const std::string* label = args.Value("--label")) options.label = *label;
  fat::Status status;
  if (!platform::MakeCardImage(args.args[0], options, &status)) {
    return Failure(
        Localized("cannot make the card image: ", "Kartenabbild kann nicht erstellt werden: ") +
        status.message);
  }
  return kExitOk;
}
