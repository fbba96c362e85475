#include "container/sector_id_table.h"

#include "container/container_layout.h"
#include "container/floppy_kind.h"
#include "container/sector_crc.h"
#include "driveaccess/dda_error_codes.h"

namespace {

constexpr std::uint8_t kIdAddressMark[4] = {0xA1, 0xA1, 0xA1, 0xFE};
constexpr std::uint8_t kDataAddressMark[4] = {0xA1, 0xA1, 0xA1, 0xFB};

void PutCrc(std::uint8_t* p, std::uint16_t crc) {
  p[0] = static_cast<std::uint8_t>(crc >> 8);
  p[1] = static_cast<std::uint8_t>(crc & 0xFF);
}

}  // namespace

int BuildSectorIdTable(std::uint8_t* table, std::size_t tableSize, const std::uint8_t* image,
                       std::size_t imageSize, bool highDensity) {
  const FloppyKind& kind = GetFloppyKind(highDensity);
  if (table == nullptr || image == nullptr || tableSize < kSectorIdTableSize ||
      imageSize < kind.imageSize) {
    return DDA_ERR_WRONG_IMAGE_SIZE;
  }
  // Both address marks are the same for every sector; their CRCs are taken
  // once and continued per record.
  const std::uint16_t idMarkCrc = ComputeSectorCrc(kSectorCrcInitial, kIdAddressMark, 4);
  const std::uint16_t dataMarkCrc = ComputeSectorCrc(kSectorCrcInitial, kDataAddressMark, 4);

  for (int c = 0; c < kind.cylinders; ++c) {
    for (int h = 0; h < kind.heads; ++h) {
      std::uint8_t* entry =
          table + static_cast<std::size_t>(c * kind.heads + h) * kSectorIdEntrySize;
      for (int r = 1; r <= kind.sectorsPerTrack; ++r) {
        std::uint8_t* record = entry + static_cast<std::size_t>(r - 1) * kSectorIdRecordSize;
        record[kSectorIdCylinderOffset] = static_cast<std::uint8_t>(c);
        record[kSectorIdHeadOffset] = static_cast<std::uint8_t>(h);
        record[kSectorIdSectorOffset] = static_cast<std::uint8_t>(r);
        record[kSectorIdSizeCodeOffset] = kSectorSizeCode512;
        PutCrc(record + kSectorIdIdCrcOffset, ComputeSectorCrc(idMarkCrc, record, 4));
        for (int i = 0; i < 4; ++i) record[kSectorIdDataMarkOffset + i] = kDataAddressMark[i];
        const std::uint8_t* sector = image + FloppySectorOffset(kind, c, h, r);
        PutCrc(record + kSectorIdDataCrcOffset,
               ComputeSectorCrc(dataMarkCrc, sector, kFloppySectorSize));
        for (int i = 12; i < 16; ++i) record[i] = 0;
      }
    }
  }
  return 0;
}
