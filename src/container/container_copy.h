// A whole container kept in a folder on the host while the container on the
// card is made anew: its main header block (name, kind, FPGA update) and
// every slot block, one file each, with a marker written last so that a
// copy cut short is never taken for a whole one.
#pragma once

#include <cstdint>
#include <string>

#include "base/bytes.h"
#include "container/main_header.h"

class IProgressStateCallback;

struct ContainerCopy {
  std::string folder;  // with its trailing separator
  MainHeader header;   // as read from the card
  unsigned count = 0;  // the slots in the copy
  bool highDensity = true;
  bool hasFpga = false;
  std::string FpgaPath() const { return folder + "fpga.bin"; }
};

// The container's image count: the one the header names, or the one kept
// aside while an FPGA update is stored.
unsigned ContainerImageCount(const MainHeader& header);

// The drive's whole main header block; FFA_ERR_NO_SIGNATURE when it is none.
[[nodiscard]] int ReadContainerHeaderBlock(char drive, ByteBuffer& block);

// Reads the header block and every slot block of the drive's container into
// a new folder under `parent` (which ends in a separator), each file read
// back and compared once written. On failure the folder is removed again
// and nothing on the card has changed.
[[nodiscard]] int CopyContainerToHost(char drive, const std::string& parent, ContainerCopy& copy,
                                      IProgressStateCallback* progress);
// Opens a copy a rebuild left behind. FFA_ERR_NOT_FOUND when the folder holds
// no whole copy (its marker, header block or a slot block missing or short).
[[nodiscard]] int OpenContainerCopy(const std::string& folder, ContainerCopy& copy);
// One slot block (0-based) of the copy.
[[nodiscard]] int ReadCopiedSlot(const ContainerCopy& copy, unsigned slot, ByteBuffer& block);
// The copy's files, then its folder; the marker goes first.
void RemoveContainerCopy(const ContainerCopy& copy);
