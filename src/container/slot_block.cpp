#include "container/slot_block.h"

#include <algorithm>
#include <cstring>

#include "container/card_names.h"
#include "container/container_layout.h"
#include "container/floppy_kind.h"
#include "container/sector_id_table.h"
#include "container/slot_info.h"
#include "driveaccess/dda_error_codes.h"

namespace {

// Fills a fresh block around an image that the caller has checked for size;
// a null image is in the block already.
void FillSlotBlock(ByteBuffer& block, const std::uint8_t* image, bool highDensity,
                   const std::string& name, const platform::LocalTime& localTime) {
  const std::size_t imageSize = FloppyImageSize(highDensity);
  block.resize(kContainerBlockSize);
  if (image != nullptr) std::memcpy(block.data() + kSlotImageOffset, image, imageSize);
  std::fill(block.begin() + static_cast<std::ptrdiff_t>(kSlotImageOffset + imageSize), block.end(),
            std::uint8_t{0xFF});
  // The table and the image have the kind's sizes: the table is always built.
  (void)BuildSectorIdTable(block.data() + kSlotSectorIdTableOffset, kSectorIdTableSize,
                           block.data() + kSlotImageOffset, imageSize, highDensity);
  // Every caller has checked the name: the record cannot refuse it.
  (void)BuildSlotInfo(block.data() + kSlotInfoOffset, name, localTime);
}

}  // namespace

int BuildEmptySlotBlock(ByteBuffer& block, unsigned slotNumber, bool highDensity,
                        const ByteBuffer& blankTemplate, const platform::LocalTime& localTime) {
  if (blankTemplate.size() != FloppyImageSize(highDensity)) return DDA_ERR_WRONG_IMAGE_SIZE;
  FillSlotBlock(block, blankTemplate.data(), highDensity, EmptySlotName(slotNumber), localTime);
  return 0;
}

int SetSlotNumberInEmptyBlock(ByteBuffer& block, unsigned slotNumber,
                              const platform::LocalTime& localTime) {
  if (block.size() != kContainerBlockSize) return DDA_ERR_WRONG_IMAGE_SIZE;
  // "Empty <n>" is plain ASCII: the record always takes it.
  (void)BuildSlotInfo(block.data() + kSlotInfoOffset, EmptySlotName(slotNumber), localTime);
  return 0;
}

int BuildImageSlotBlock(ByteBuffer& block, const std::uint8_t* image, std::size_t imageLength,
                        const std::string& name, bool highDensity) {
  // The table reads every sector of the image: a short image would be read
  // past its end, a long one would not fit in front of the table.
  if (image == nullptr || imageLength != FloppyImageSize(highDensity)) {
    return DDA_ERR_WRONG_FLOPPY_SIZE;
  }
  if (const int rc = CheckCardName(name)) return rc;
  FillSlotBlock(block, image, highDensity, name, platform::GetLocalTime());
  return 0;
}

int BuildImageSlotBlock(ByteBuffer& block, const ByteBuffer& image, const std::string& name,
                        bool highDensity) {
  return BuildImageSlotBlock(block, image.data(), image.size(), name, highDensity);
}

int FinishImageSlotBlock(ByteBuffer& block, const std::string& name, bool highDensity) {
  if (block.size() != FloppyImageSize(highDensity)) return DDA_ERR_WRONG_FLOPPY_SIZE;
  if (const int rc = CheckCardName(name)) return rc;
  FillSlotBlock(block, nullptr, highDensity, name, platform::GetLocalTime());
  return 0;
}
