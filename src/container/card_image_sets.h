// Whole sets of floppy images between a card's container and a folder:
// every slot written out as an image file with an index, and a folder of
// image files written into the slots. The steps of one slot are the card
// operations of card_operations.h; the set has one progress display and
// one result that says what became of each file.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "container/card_operations.h"

// One image of a set: its file (the name in the folder), its slot (0-based;
// -1 when it got none) and the slot's name; for a refused file the code or
// the text that says why.
struct ImageSetItem {
  std::string file;
  int slot = -1;
  std::string name;
  int code = 0;
  std::string reason;  // in place of a code's text
};

struct ImageSetResult {
  // 0 when the whole set was gone through (refused files aside); else why
  // it stopped, or never began (kCardCancelled when the user declined).
  int code = 0;
  std::string folder;
  unsigned slotCount = 0;
  // Images the container has no slot for; when not 0, nothing was written.
  unsigned notFitting = 0;
  unsigned imageCount = 0;            // the images of the set that would be written
  std::vector<ImageSetItem> done;     // exported or written, in slot order
  std::vector<ImageSetItem> refused;  // files left as they were, slots unchanged
};

// Asks for the folder (a save choice of kind kFileKindFolder), creates it
// when missing, asks before files of the set's names are replaced, and
// writes every slot's image as ImageSetFileName(number, name) and the index
// after them. Stops at the first slot that cannot be read or saved.
[[nodiscard]] ImageSetResult CardExportImages(char drive, ICardUser& user);

// Asks for the folder (an open choice of kind kFileKindFolder) and writes
// its image files into the slots: a file listed in the index goes to the
// slot and gets the name listed there; else a file with an "NN-" prefix
// goes to slot NN, and the others fill the remaining slots in the order of
// their names, each named after its file. Files of the wrong size are
// refused (DDA_ERR_WRONG_FLOPPY_SIZE), as is a second file for one slot,
// and the slot keeps what it held. When the set holds more images than the
// container has slots for, nothing is written (notFitting). Stops at the
// first slot the card refuses.
[[nodiscard]] ImageSetResult CardImportImages(char drive, ICardUser& user);

// What the front ends show at the end: one line a fact, the refused files
// with their reasons; codeText gives the text of a result code.
std::string ImageSetSummary(const ImageSetResult& result, bool imported,
                            const std::function<std::string(int)>& codeText);
