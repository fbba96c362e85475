// What the slot commands need besides the store: the temporary image a slot
// is edited in, the checksum that tells whether it was changed, the command
// line of the external image software, and where a slot's sectors start.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The temporary image's file name.
inline constexpr char kTemporaryImageName[] = "DorFlashImage.img";
// The largest file FileCrc32 reads: a whole slot block and more.
inline constexpr std::uint64_t kMaxCrcFileSize = 64ull << 20;

// The temporary image in this instance's own folder of the user's private
// temporary folder (platform/instance_folder.h): two instances running at
// once edit two files. Empty when there is no such folder.
std::string TemporaryImagePath();

// The CRC-32 of a whole file; none when it cannot be read.
[[nodiscard]] std::optional<std::uint32_t> FileCrc32(const std::string& path);

// The external image software's command line: its path in double quotes
// (unless it already begins with one), a blank, the image path in double
// quotes.
std::string ExternalEditCommandLine(const std::string& software, const std::string& imagePath);

// That command line as the program's arguments, split as a shell would
// split it (base/command_words.h). A path that holds a double quote or a
// backslash is passed as written, not as the shell would read it.
[[nodiscard]] bool ExternalEditArguments(const std::string& software, const std::string& imagePath,
                                         std::vector<std::string>& argv);

// The first sector number of a slot's block in the container file, as the
// hex view shows it: (slot + 1) x 4096.
std::uint32_t SlotFirstSector(std::uint32_t slot);
// The sectors of a whole slot block: 4096.
std::uint32_t SlotSectorCount();
