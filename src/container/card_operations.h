// The commands that read or change a card, written once for the desktop
// window and for quillfen-cli. Each runs its steps in order, asks the user
// through ICardUser where a step needs an answer, and returns the result
// code: 0 for success, kCardCancelled when the user cancelled or was already
// told why the command stopped (no front end shows it), else the code the
// front end turns into its text. The front ends only say which card and slot
// a command works on and report the result.
//
// Renaming (FfaRename) and recording the start sector (FfaMakeUsable) are one
// operation of the container store each, called as they are. Creation is in
// container_creation.h.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/bytes.h"
#include "container/card_program.h"
#include "container/floppy_choice.h"
#include "platform/errors.h"

class CDiskImage;
class IProgressOwner;

// The system's "cancelled by the user" (1223).
inline constexpr int kCardCancelled = static_cast<int>(platform::kErrorCancelled);

// What a command needs of the user. The window answers with its dialogs, the
// command-line tool with its arguments, tests from a script.
class ICardUser {
 public:
  virtual ~ICardUser() = default;
  // A file to read (openDialog) or to write, of kind kFileKindImage or
  // kFileKindFpga (file_choice_kind.h); `path` holds the initial name and
  // receives the choice. False when the user cancels.
  virtual bool ChooseFile(bool openDialog, std::string& path, int kind) = 0;
  // True for Yes.
  virtual bool AskYesNo(const std::string& question) = 0;
  // A message that a command shows itself before it stops.
  virtual void ShowMessage(const std::string& text) = 0;
  // Picks the floppy drive of a disk copy.
  virtual IFloppyDriveChooser& FloppyChooser() = 0;
  // Opens the progress displays of long steps; null shows none.
  virtual IProgressOwner* Progress() = 0;
};

// The slot a command works on, as the front end knows it.
struct SlotTarget {
  char drive = '\0';        // the card's letter; '\0' when no drive is chosen
  int slot = -1;            // counts from 0; -1 when no slot is chosen
  bool highDensity = true;  // the container's kind (HighDensity bit 0)
  // The name a written slot gets; none keeps the name in the slot's record.
  std::optional<std::string> name;
};

// The building blocks of the slot commands, each behind its progress display.
// A floppy disk of the drive the user picks (kCardCancelled without a choice).
[[nodiscard]] int CardReadFloppy(CDiskImage& image, ICardUser& user);
[[nodiscard]] int CardWriteFloppy(CDiskImage& image, ICardUser& user);
// A whole image file into `buffer`. With requiredSize not 0 any other length
// is refused (DDA_ERR_WRONG_FLOPPY_SIZE) before the file is read; a file
// longer than any floppy image is never read. DDA_ERR_OPEN_FILE when it
// cannot be read, kErrorBadFileType for a device or a pipe.
[[nodiscard]] int CardLoadImageFile(const std::string& path, ByteBuffer& buffer,
                                    std::size_t requiredSize, ICardUser& user);
// Creates or replaces the file; DDA_ERR_OPEN_FILE when that fails.
[[nodiscard]] int CardSaveImageFile(const std::string& path, const ByteBuffer& buffer,
                                    ICardUser& user);
// The slot's image (the kind's image size) or, with wholeBlock, its whole
// 2 MiB block. DDA_ERR_NO_DRIVE without a drive.
[[nodiscard]] int CardReadSlot(const SlotTarget& target, ByteBuffer& buffer, bool wholeBlock,
                               ICardUser& user);
// Writes an image of the kind into the slot, with the target's name (or the
// slot's own) and the current time; the image buffer becomes the slot block.
// DDA_ERR_NO_DRIVE without a drive.
[[nodiscard]] int CardWriteSlot(const SlotTarget& target, ByteBuffer& image, ICardUser& user);
// DDA_ERR_NO_IMAGE_SELECTED without a slot; else the slot's image read and
// saved as the file.
[[nodiscard]] int CardSaveSlotAsImageFile(const SlotTarget& target, const std::string& path,
                                          ICardUser& user);

// The slot commands, between the slot, a floppy disk and an image file.
[[nodiscard]] int CardFloppyToSlot(const SlotTarget& target, ICardUser& user);
[[nodiscard]] int CardFloppyToFile(ICardUser& user);
[[nodiscard]] int CardFileToSlot(const SlotTarget& target, ICardUser& user);
// The image goes to the disk without a size check of its own: writing the
// disk refuses what does not fit it.
[[nodiscard]] int CardFileToFloppy(ICardUser& user);
[[nodiscard]] int CardSlotToFloppy(const SlotTarget& target, ICardUser& user);
// The file is asked for first, the missing slot found out after. With
// wholeBlock the file gets the slot's whole block.
[[nodiscard]] int CardSlotToFile(const SlotTarget& target, ICardUser& user,
                                 bool wholeBlock = false);

// Renames the slot: its record is read, gets the name (cut to 15
// characters) and is written back; nothing else of the slot changes. 0
// without a drive or a slot (nothing to do); kErrorNoUnicodeTranslation for a
// name the card cannot store.
[[nodiscard]] int CardWriteSlotName(const SlotTarget& target, const std::string& name);

// After the slot's image was edited outside the program in the file at
// `path`: when its checksum differs from crcBefore and the user agrees, the
// file (of the kind's size) goes back into the slot and the container's
// start sector is recorded again. The file is deleted in every case.
[[nodiscard]] int CardTakeBackEditedImage(const SlotTarget& target, const std::string& path,
                                          std::optional<std::uint32_t> crcBefore, ICardUser& user);

// Deletes the container file at `path` without asking, its header wiped
// first: the command-line tool's delete and the window's clear command of the
// container file field. FFA_ERR_NOT_FOUND when it is not there.
[[nodiscard]] int CardDeleteContainer(const std::string& path);

// Takes away what a creation put on the card (the autorun file and the
// program's copy), the container and its folder, clears the start sector
// record and touches the card. A volume that is not FAT is not touched
// (kErrorUnrecognizedMedia). The result says whether the container is gone:
// the erasure's own code (or FFA_ERR_DELETE) while it is still there, else
// the result of clearing the record.
[[nodiscard]] int CardErase(char drive, const OwnProgramFile& program);

// Stores the file as the container's FPGA update, or clears the update for
// a null file; DDA_ERR_INVALID_DRIVE without a drive.
[[nodiscard]] int CardStoreFpgaUpdate(char drive, const std::string* file, ICardUser& user);

// Copies the whole card into an image file the user names, sectorsPerRead
// sectors at a time. Without a drive the user is told so.
[[nodiscard]] int CardCopyToImageFile(char drive, ICardUser& user, std::uint32_t sectorsPerRead);
