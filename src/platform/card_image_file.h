// New card image files, made on the host and formatted by the FAT engine.
#pragma once

#include <string>

#include "fat/format.h"

namespace platform {

// Creates (or replaces) a sparse image file of options.sizeBytes and formats
// it as fat::FormatCardImage describes. Nothing is created when the options
// do not fit.
bool MakeCardImage(const std::string& path, const fat::CardImageOptions& options,
                   fat::Status* status);

}  // namespace platform
