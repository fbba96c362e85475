// The kinds of files the user picks in a file dialog: floppy image files
// and FPGA update files, each with its default extension and its filter in
// the Windows filter format ("label|patterns|...||"), and the folder of a
// whole set of image files.
#pragma once

#include <string>

inline constexpr int kFileKindImage = 0;
inline constexpr int kFileKindFpga = 1;
inline constexpr int kFileKindFolder = 2;  // a folder, not a file

struct FileChoiceKind {
  std::string defaultExtension;  // without the dot
  std::string filter;            // in the current language
};

// Any kind other than kFileKindFpga is the image kind.
FileChoiceKind FfaFileChoiceKind(int kind);
