// Storing and clearing the FPGA update in the main header block.
//
// While an update is stored the image count is moved to SavedImageCount and
// ImageCount reads 0, so the controller and the slot list see no images; the
// slot blocks stay untouched.
#pragma once

#include "base/bytes.h"

// `headerBlock` is the whole main header block (kContainerBlockSize bytes).
// With data: copies it to offset 2048 and sets FpgaLength; when no update
// was stored, moves the image count aside and sets FpgaPresent. Replacing a
// longer update by a shorter one leaves the old tail behind the new data.
// Without data (nullptr): clears a stored update (old data area back to
// 0xFF, image count restored); with none stored nothing changes.
// Data over kMaxFpgaLength bytes, or a block of another size, fails with
// DDA_ERR_WRONG_IMAGE_SIZE and leaves the block unchanged.
[[nodiscard]] int SetFpgaUpdate(ByteBuffer& headerBlock, const ByteBuffer* data);
