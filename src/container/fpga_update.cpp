#include "container/fpga_update.h"

#include <algorithm>
#include <cstring>

#include "container/container_layout.h"
#include "container/main_header.h"
#include "driveaccess/dda_error_codes.h"

int SetFpgaUpdate(ByteBuffer& headerBlock, const ByteBuffer* data) {
  if (headerBlock.size() != kContainerBlockSize) return DDA_ERR_WRONG_IMAGE_SIZE;
  if (data != nullptr && data->size() > kMaxFpgaLength) return DDA_ERR_WRONG_IMAGE_SIZE;

  MainHeader header(headerBlock.data());
  std::uint8_t* area = headerBlock.data() + kFpgaDataOffset;
  if (data != nullptr) {
    if (!data->empty()) std::memcpy(area, data->data(), data->size());
    header.SetFpgaLength(static_cast<std::uint32_t>(data->size()));
    if (header.FpgaPresent() == 0) {
      header.SetSavedImageCount(header.ImageCount());
      header.SetImageCount(0);
      header.SetFpgaPresent(1);
    }
  } else if (header.FpgaPresent() != 0) {
    // A damaged length must not make the fill run past the block.
    const std::size_t oldLength =
        std::min<std::size_t>(header.FpgaLength(), kContainerBlockSize - kFpgaDataOffset);
    std::memset(area, 0xFF, oldLength);
    header.SetImageCount(header.SavedImageCount());
    header.SetSavedImageCount(0);
    header.SetFpgaLength(0);
    header.SetFpgaPresent(0);
  }
  std::memcpy(headerBlock.data(), header.Bytes(), MainHeader::Size());
  return 0;
}
