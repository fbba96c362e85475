// What mtools shows of a volume in an image: names, contents, attributes and
// cluster runs, and mtools' way of adding files and folders.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "support/reference_images.h"

namespace testsupport {

// Names (long where there is one) in a folder, as mdir -b lists them, sorted.
std::vector<std::string> MtoolsNames(const ImageVolume& v, const std::string& folder);
// The file's bytes as mcopy extracts them; false when mcopy fails.
bool MtoolsRead(const ImageVolume& v, const std::string& path, std::string* content);
// mattrib's letters for a file ("A", "R", "S", "H"), sorted, e.g. "ARS"; "?"
// when mattrib fails.
std::string MtoolsAttributes(const ImageVolume& v, const std::string& path);
// The cluster runs of a file as mshowfat shows them, as [first, last] pairs
// of FAT cluster numbers; empty when mshowfat fails.
std::vector<std::pair<std::uint64_t, std::uint64_t>> MtoolsRuns(const ImageVolume& v,
                                                                const std::string& path);
// Copies a host file into the volume with mcopy ("/a/b" on the volume).
bool MtoolsPut(const ImageVolume& v, const std::string& hostFile, const std::string& target);
bool MtoolsMkdir(const ImageVolume& v, const std::string& folder);

}  // namespace testsupport
