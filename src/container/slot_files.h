// Reading the files inside a slot's floppy image: the image is read into
// memory and the FAT engine reads it there; nothing is ever written, the
// slot, the card and the image alike.
#pragma once

#include <string>
#include <vector>

#include "container/card_operations.h"
#include "fat/volume.h"

// The entries of the folder at `path` ("" is the root; '/' or '\\'
// separate) of the slot's image. Besides the codes of reading the slot:
// kErrorUnrecognizedMedia for an image that is not FAT, kErrorPathNotFound or
// kErrorFileNotFound for a path that is not there, kErrorDirectory for a
// file, kErrorDiskCorrupt for a volume that cannot be read; `detail` then
// says why in the engine's words.
[[nodiscard]] int CardListSlotFolder(const SlotTarget& target, const std::string& path,
                                     std::vector<fat::DirEntryInfo>& entries, std::string& detail,
                                     ICardUser& user);

// Copies the file at `path` of the slot's image into the host file `file`
// (created or replaced). The same codes, kErrorAccessDenied for a folder,
// and DDA_ERR_OPEN_FILE when the host file cannot be written, which is then
// removed again rather than left half written.
[[nodiscard]] int CardCopyFileOutOfSlot(const SlotTarget& target, const std::string& path,
                                        const std::string& file, std::string& detail,
                                        ICardUser& user);
