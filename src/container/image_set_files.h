// The files of an exported image set: one image file a slot, named after the
// slot's number and name ("07-Tools.img"), and the index that lists them
// with the slot names as they were, before they were made safe for a file
// system.
#pragma once

#include <string>
#include <vector>

inline constexpr char kImageSetIndexName[] = "index.txt";

// "NN-<name>.img": the 1-based slot number in two digits (or more), the name
// made safe for any file system: NUL, control characters, '/' and what
// Windows refuses (<>:"\|?*) become '_', and trailing dots and blanks go.
std::string ImageSetFileName(unsigned slotNumber, const std::string& slotName);

// True for a name ending in ".img" in any case (and holding more than that).
bool IsImageSetFile(const std::string& fileName);

// What an image file's name says: the slot number of an "NN-" prefix (0
// without one) and the slot name from the rest without ".img", as a slot
// can hold it: a character without a Windows-1252 byte becomes '_', and the
// name is cut to the slot name's length.
struct ImageSetFileParts {
  unsigned slotNumber = 0;
  std::string slotName;
};
ImageSetFileParts ParseImageSetFileName(const std::string& fileName);

// A name as a slot can hold it (as ParseImageSetFileName makes the name).
std::string StorableSlotName(const std::string& name);

// One line of the index: slot number (1-based), slot name, file name.
struct ImageSetIndexEntry {
  unsigned slotNumber = 0;
  std::string name;
  std::string file;
};

// Tab-separated lines under a header line. Backslashes and control
// characters in names are written as "\\" and "\xHH", so that every name
// stays on its line.
std::string FormatImageSetIndex(const std::vector<ImageSetIndexEntry>& entries);
// The entries of an index; lines that are no entry (the header, lines
// edited into another shape) are passed over.
std::vector<ImageSetIndexEntry> ParseImageSetIndex(const std::string& text);
