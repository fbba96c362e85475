#include "cli/card_report.h"

#include <cinttypes>
#include <cstdio>
#include <vector>

#include "cli/slot_access.h"
#include "container/card_state.h"
#include "container/container_layout.h"
#include "container/slot_info.h"

std::string PrintableName(const std::string& name) {
  std::string out = name;
  for (char& c : out) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  }
  return out;
}

void PrintCardState(const std::string& driveEntry) {
  std::uint64_t size = 0;
  CardState state;
  const std::uint32_t flags = FfaGetCardState(driveEntry, size, state);
  std::printf("flags: 0x%03X\n", flags);
  std::printf("size: %" PRIu64 "\n", size);
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

int PrintSlots(char drive) {
  MainHeader header;
  if (const int rc = ReadContainerHeader(drive, header)) return rc;
  std::vector<std::uint8_t> records;
  if (const int rc = ReadSlotInfos(drive, 0, header.ImageCount(), records)) return rc;
  for (std::uint32_t slot = 0; slot < header.ImageCount(); ++slot) {
    const std::uint8_t* record = records.data() + static_cast<std::size_t>(slot) * kSlotInfoSize;
    const platform::LocalTime t = SlotInfoTime(record);
    std::printf("%u\t%s\t%04u-%02u-%02u %02u:%02u:%02u\n", slot + 1,
                PrintableName(SlotInfoName(record)).c_str(), t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  }
  return 0;
}
