#include "cli/card_report.h"

#include <cinttypes>
#include <cstdio>
#include <vector>

#include "cli/slot_access.h"
#include "container/card_state.h"
#include "container/container_layout.h"
#include "container/ffa_store.h"
#include "container/floppy_kind.h"
#include "container/slot_contents.h"
#include "container/slot_info.h"
#include "container/slot_records.h"

std::string PrintableName(const std::string& name) {
  // Control characters, the C1 ones (U+0080 to U+009F, two bytes in UTF-8)
  // included, never reach the terminal.
  std::string out;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    const bool c1 = c == 0xC2 && i + 1 < name.size() &&
                    static_cast<unsigned char>(name[i + 1]) >= 0x80 &&
                    static_cast<unsigned char>(name[i + 1]) <= 0x9F;
    if (c1) ++i;
    out.push_back(c < 0x20 || c == 0x7F || c1 ? '?' : name[i]);
  }
  return out;
}

void PrintCardState(const std::string& driveEntry) {
  std::uint64_t size = 0;
  CardState state;
  const std::uint32_t flags = FfaGetCardState(driveEntry, size, state);
  std::printf("flags: 0x%03X\n", flags);
  std::printf("size: %" PRIu64 "\n", size);
  if ((flags & CARD_CONTAINER_FILE) != 0) {
    std::printf("container-file: %s\n", PrintableName(state.ContainerFile).c_str());
  }
  if ((flags & CARD_CONTAINER_VALID) == 0) return;
  const MainHeader& header = state.Header;
  std::printf("name: %s\n", PrintableName(header.Name()).c_str());
  std::printf("kind: %s\n", header.IsHighDensity() ? "HD" : "DD");
  std::printf("images: %u\n", static_cast<unsigned>(header.ImageCount()));
  if (header.FpgaPresent() != 0) {
    std::printf("fpga: %" PRIu32 "\n", header.FpgaLength());
  } else {
    std::printf("fpga: none\n");
  }
  std::uint32_t recorded = 0;
  if (FfaReadStartSector(state.DriveLetter, recorded) == 0) {
    std::printf("start-sector: %" PRIu32 "\n", recorded);
  }
}

int PrintSlots(char drive, bool contents) {
  MainHeader header;
  if (const int rc = ReadContainerHeader(drive, header)) return rc;
  std::vector<std::uint8_t> records;
  if (const int rc = ReadSlotInfos(drive, 0, header.ImageCount(), records)) return rc;
  ByteBuffer image;
  for (std::uint32_t slot = 0; slot < header.ImageCount(); ++slot) {
    const std::uint8_t* record = records.data() + static_cast<std::size_t>(slot) * kSlotInfoSize;
    const platform::LocalTime t = SlotInfoTime(record);
    std::printf("%u\t%s\t%04u-%02u-%02u %02u:%02u:%02u", slot + 1,
                PrintableName(SlotInfoName(record)).c_str(), t.year, t.month, t.day, t.hour,
                t.minute, t.second);
    if (contents) {
      // One image in memory at a time, however many slots there are.
      image.assign(FloppyImageSize(header.IsHighDensity()), 0);
      if (const int rc = FfaPeekSlotImage(FfaGetContainerPath(drive), slot, image)) {
        std::printf("\n");
        return rc;
      }
      const SlotContents c = IdentifySlotImage(image.data(), image.size(), header.IsHighDensity());
      std::printf("\t%s\t%s\t%u\t%u\t%llu\t%llu\t%s", SlotContentKindWord(c.kind),
                  PrintableName(c.label).c_str(), c.files, c.folders,
                  static_cast<unsigned long long>(c.usedBytes),
                  static_cast<unsigned long long>(c.freeBytes),
                  PrintableName(SlotContentsSummary(c)).c_str());
    }
    std::printf("\n");
  }
  return 0;
}
