// The blank floppy image that a new container's empty slots start from.
#pragma once

#include "base/bytes.h"

// Copies the blank template of the kind into `bytes`; false when the
// resource is missing.
[[nodiscard]] bool FfaLoadTemplate(bool highDensity, ByteBuffer& bytes);
