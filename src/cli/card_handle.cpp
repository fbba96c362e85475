#include "cli/card_handle.h"

#include <cctype>
#include <cstdint>
#include <vector>

#include "base/current_language.h"
#include "cli/cli_output.h"
#include "container/card_state.h"
#include "container/container_file.h"
#include "driveaccess/dda_error_codes.h"
#include "driveaccess/drive_info.h"
#include "driveaccess/drive_kind.h"
#include "platform/device_nodes.h"
#include "platform/drive.h"
#include "platform/drive_refresh.h"
#include "services/error_report.h"

bool ParseDriveLetter(const std::string& text, char* letter) {
  if (text.empty() || text.size() > 3) return false;
  if (!std::isalpha(static_cast<unsigned char>(text[0]))) return false;
  if (text.size() >= 2 && text[1] != ':') return false;
  if (text.size() == 3 && text[2] != '\\' && text[2] != '/') return false;
  *letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
  return true;
}

CardHandle::~CardHandle() {
  Close();
}

int CardHandle::Open(const std::string& card, const platform::ImageDriveOptions& options) {
  Close();
  char letter = '\0';
  if (ParseDriveLetter(card, &letter)) {
    // The host's floppy drives and mounted volumes take their letters now;
    // an image path never needs them.
    platform::RefreshDrives();
    if (platform::FindDrive(letter) == nullptr) return DDA_ERR_NO_DRIVE;
    letter_ = letter;
    return 0;
  }
  // A device is never opened as an image file: it is the drive on it.
  if (platform::IsBlockDeviceNode(card)) {
    platform::RefreshDrives();
    const std::vector<char> letters = platform::DrivesOnDeviceNode(card);
    if (letters.size() > 1) return DDA_ERR_NO_DRIVE;
    if (letters.size() == 1) {
      letter_ = letters.front();
      return 0;
    }
    // A card whose volume is not mounted: our own FAT engine works on the
    // device, as on a card image.
    std::uint32_t error = 0;
    bool removable = false;
    letter = platform::AttachUnmountedDevice(card, options, &removable, &error);
    if (letter == '\0') return static_cast<int>(error);
    letter_ = letter;
    attached_ = true;
    unmountedDevice_ = true;
    fixedDevice_ = !removable;
    return 0;
  }
  std::uint32_t error = 0;
  const bool containerFile = IsContainerFile(card);
  letter = AttachCardFile(card, options, &error);
  if (letter == '\0') return static_cast<int>(error);
  letter_ = letter;
  attached_ = true;
  containerFile_ = containerFile;
  return 0;
}

void CardHandle::Close() {
  // The drive's last reference goes here: the volume's buffers are written
  // out and the image file is released.
  if (attached_) platform::DriveTable::Instance().Detach(letter_);
  attached_ = false;
  containerFile_ = false;
  unmountedDevice_ = false;
  fixedDevice_ = false;
  letter_ = '\0';
}

namespace {
// Prints that the system did not let us open the card's device (polkit said
// no, or no UDisks2 was there to ask); `what` is the card as given.
void ReportNoRawRights(const std::string& what) {
  Failure(what + Localized(": No ADMIN Rights: the system did not let us open the device "
                           "(refused, or no UDisks2 to ask)",
                           ": No ADMIN Rights: das System ließ das Gerät nicht öffnen "
                           "(abgelehnt, oder kein UDisks2 zum Fragen)"));
}
}  // namespace

bool OpenCardOrReport(CardHandle& card, const std::string& text, CardUse use) {
  platform::ImageDriveOptions options;
  options.readOnly = use == CardUse::kRead;
  const int code = card.Open(text, options);
  if (code == 0) {
    // A drive whose volume is read through its device, which the system
    // refuses: nothing on it can be read or written.
    if (card.attached() || !FfaCardRefused(card.letter())) return true;
    ReportNoRawRights(text);
    card.Close();
    return false;
  }
  if (platform::IsBlockDeviceNode(text)) {
    const std::vector<char> letters = platform::DrivesOnDeviceNode(text);
    if (letters.empty() && code == static_cast<int>(platform::kErrorAccessDenied)) {
      ReportNoRawRights(text);
    } else if (letters.empty()) {
      Failure(text + Localized(": no drive lies on this device (it is not mounted)",
                               ": auf diesem Gerät liegt kein Laufwerk (es ist nicht eingehängt)"));
    } else {
      std::string list;
      for (const char letter : letters) {
        list += std::string(list.empty() ? "" : ", ") + letter + ":";
      }
      Failure(text +
              Localized(": several drives lie on this device (",
                        ": auf diesem Gerät liegen mehrere Laufwerke (") +
              list + Localized("); give one of them", "); bitte eines davon angeben"));
    }
    return false;
  }
  // An image path says which file could not be opened; a letter's text is
  // the drive's own.
  char letter = '\0';
  if (ParseDriveLetter(text, &letter)) {
    std::fprintf(stderr, "%s\n", ResultCodeText(code).c_str());
  } else {
    std::fprintf(stderr, "%s: %s\n", text.c_str(), ResultCodeText(code).c_str());
  }
  return false;
}

bool CheckCardNotContainerFile(const CardHandle& card) {
  if (card.containerFile()) {
    Failure(
        Localized("a container file is no card: this command works on a card only (the "
                  "container file takes state, slots, read-slot, write-slot, slot-name, "
                  "rename and fpga)",
                  "eine Container Datei ist keine Karte: dieser Befehl arbeitet nur auf "
                  "einer Karte (die Container Datei nimmt state, slots, read-slot, "
                  "write-slot, slot-name, rename und fpga)"));
    return false;
  }
  return true;
}

bool CheckRawWriteTarget(const CardHandle& card, bool anyDisk) {
  if (!CheckCardNotContainerFile(card)) return false;
  if ((card.attached() && !card.fixedDevice()) || anyDisk) return true;
  CDriveInfo info;
  if (card.fixedDevice()) {
    info.kind = DRIVE_KIND_HARDDISK;
  } else if (QueryDrive(card.letter(), info, DRIVE_KIND_REMOVABLE)) {
    return true;
  }
  std::string node;
  if (const auto drive = platform::FindDrive(card.letter())) {
    node = card.unmountedDevice() ? drive->StorageDevicePath() : drive->VolumeNode();
  }
  const std::string what = card.entry() + (node.empty() ? "" : " (" + node + ")");
  Failure(what +
          Localized(" is no removable card drive but a ",
                    " ist kein Wechseldatenträger, sondern ein ") +
          GetDriveKindText(info.kind) +
          Localized(": raw sectors are written only to removable drives; add --any-disk to write "
                    "to it all the same",
                    ": Sektoren werden nur auf Wechseldatenträger geschrieben; mit --any-disk "
                    "trotzdem darauf schreiben"));
  return false;
}
