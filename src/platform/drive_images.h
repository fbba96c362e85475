// Card and floppy images attached as drives: what the front ends use to put
// an image at a letter, to ask what a letter stands for and to take it away
// again, whichever kind of drive backs the image.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct ImageDriveOptions {
  // A card reader's marks; a plain USB stick is one whose product name has no
  // CF word in it.
  std::string productName = "CF Card Reader";
  bool hotplug = true;
  bool usb = true;
  // Switches for testing every card state: a raw open fails with access
  // denied (as without administrator rights); the medium is write-protected.
  bool denyRawAccess = false;
  bool writeProtected = false;
  // The image is opened for reading only: a command that only reads can
  // write nothing, not even by mistake.
  bool readOnly = false;
};

// Attaches an image at a letter: a floppy image at A: or B:, a card image at
// the letter asked for, else at the first free letter from D:. Returns the
// letter, or 0 with the code in *error.
char AttachCardImage(const std::string& path, const ImageDriveOptions& options, char letter,
                     std::uint32_t* error);
char AttachFloppyImage(const std::string& path, char letter, std::uint32_t* error);

// True when the letter holds a card image attached by AttachCardImage (or an
// ImageDrive of the card kind attached otherwise).
bool IsCardImageDrive(char letter);
// Detaches the card image at the letter; false (nothing changed) when the
// letter holds no card image.
bool DetachCardImage(char letter);

// The same for floppy images attached by AttachFloppyImage.
bool IsFloppyImageDrive(char letter);
bool DetachFloppyImage(char letter);

// The image file of an image drive (card or floppy) at the letter; empty for
// any other drive.
std::string ImageDrivePath(char letter);
// Detaches every image drive whose image file was deleted while attached;
// returns their letters.
std::vector<char> DetachDeletedImages();

// The host folder that a drive letter stands for (a virtual drive's mounted
// folder); empty for a drive of any other kind.
std::string HostFolderOfDrive(char letter);

// A container file on the host (a user's backup of a card) attached as a
// drive whose volume holds that one file where a card keeps its container.
// Attaches the host file at the letter asked for, else at the first free one
// from D:. With readOnly, or when the file cannot be opened for writing, the
// drive is write-protected. Returns the letter, or 0 with the code in *error
// (the file cannot be opened, or no letter is free).
char AttachContainerFile(const std::string& hostPath, const std::string& innerPath, bool readOnly,
                         char letter, std::uint32_t* error);
// True when the letter holds a container file attached by AttachContainerFile.
bool IsContainerFileDrive(char letter);
// The host file behind the letter; empty for any other drive.
std::string ContainerFileDrivePath(char letter);
// False (nothing changed) when the letter holds no container file.
bool DetachContainerFile(char letter);

}  // namespace platform
