// Card images made by the real tools (sfdisk, mkfs.fat), and the views of
// them that mtools, fsck.fat and the boot sector give.
#pragma once

#include <cstdint>
#include <string>

#include "platform/bytes.h"
#include "support/temp_dir.h"

namespace clitest {

struct CardLayout {
  const char* label;    // for test names
  int fatBits;          // 16 or 32
  std::uint32_t start;  // partition start sector; 0 for a bare volume
  std::uint64_t sizeBytes;
};

// True when sfdisk, mkfs.fat, fsck.fat and mtools are all present.
bool HaveCardTools();

// A whole card image at `path`: with an MBR (one partition at layout.start)
// or a bare volume. Fixed volume id, label "REFCARD". False on a tool failure.
bool MakeReferenceCard(const std::string& path, const CardLayout& layout);

// Byte offset of the volume inside the image, for mtools' "img@@offset".
std::uint64_t VolumeOffset(const CardLayout& layout);
// "MTOOLS_SKIP_CHECK=1 <tool> -i 'img@@offset' "
std::string Mtools(const std::string& tool, const std::string& image, const CardLayout& layout);

// The container as mtools reads it off the card; empty when it is missing.
ByteBuffer ExtractContainer(const std::string& image, const CardLayout& layout,
                            const testsupport::TempDir& scratch);
// mattrib's attribute letters of the container ("RS" order as shown), or "".
std::string ContainerAttributes(const std::string& image, const CardLayout& layout);
// How many runs of clusters mshowfat lists for the container (0 when missing).
int ContainerRuns(const std::string& image, const CardLayout& layout);
// The first cluster of the container from mshowfat, or 0.
std::uint32_t ContainerFirstCluster(const std::string& image, const CardLayout& layout);
// The card sector of a volume cluster, from the volume's own boot sector.
std::uint64_t ClusterToCardSector(const std::string& image, const CardLayout& layout,
                                  std::uint32_t cluster);

// fsck.fat -n on the volume (copied out of the image with dd when it is a
// partition); its output in *report.
bool VolumeIsClean(const std::string& image, const CardLayout& layout,
                   const testsupport::TempDir& scratch, std::string* report);

ByteBuffer ReadBytes(const std::string& path, std::uint64_t offset = 0,
                     std::size_t count = static_cast<std::size_t>(-1));
void WriteBytes(const std::string& path, const ByteBuffer& bytes);

}  // namespace clitest
