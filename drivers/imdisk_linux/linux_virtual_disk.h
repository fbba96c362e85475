// What the driver library's four functions do on Linux: mount a floppy image
// at a drive letter the way the desktop does (UDisks2 where it runs, else our
// own quillfen-fatfs in the user's own folder), release it, describe it, and
// say whether a way to mount is there at all. Each mount is recorded in the
// per-user state folder, where the drive table finds it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace linux_driver {

// True when UDisks2 or quillfen-fatfs can mount images here.
bool DriverPresent();

// Mounts the image file at the letter ('A' to 'Z'). 0, or an error code;
// nothing stays mounted or recorded on failure.
std::uint32_t CreateDevice(const std::string& image, char letter, bool readOnly);

// Unmounts the image at the letter; returns once every write has reached the
// image file. 0, or an error code (kErrorBusy while the mount is in use: it
// stays mounted then).
std::uint32_t RemoveDevice(char letter);

// Fills the answer record of the device with the number while its mount is
// in place. A device whose mount has gone, by whatever means, is forgotten,
// and false is returned.
bool QueryDevice(std::uint32_t number, std::uint8_t* answer, std::size_t size);

}  // namespace linux_driver
