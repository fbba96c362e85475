// The FAT and the folders are read as they are used: work that only reads
// touches a small part of a large FAT, walks read each folder once, nothing
// read-only waits for the medium; the free count comes from FSInfo where it
// is plausible and stays right after our writes, and no FSInfo, however
// wrong, makes us take a cluster in use.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>

#include "base/bytes.h"
#include "engine_helpers.h"
#include "fat/partition.h"
#include "platform/card_image_file.h"
#include "platform/file_sector_device.h"
#include "support/fault_device.h"
#include "support/mtools_views.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"
#include "support/test_data.h"
#include "support/volume_patch.h"

namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;

// A card image's FAT volume, mounted through a counting device.
struct Counted {
  std::unique_ptr<platform::FileSectorDevice> disk;
  std::unique_ptr<fat::SubRangeDevice> part;
  std::unique_ptr<fat::FaultInjectingDevice> counter;
  std::unique_ptr<fat::Volume> volume;
  fat::Status status;

  Counted(const std::string& path, bool writable) {
    disk = platform::FileSectorDevice::Open(path, writable, &status);
    if (!disk) return;
    std::uint64_t start = 0;
    std::uint64_t count = 0;
    if (!fat::FindFatVolume(*disk, &start, &count, &status)) return;
    part = std::make_unique<fat::SubRangeDevice>(*disk, start, count);
    counter = std::make_unique<fat::FaultInjectingDevice>(*part);
    volume = fat::Volume::Mount(*counter, writable, &status);
  }
};

TEST(FatOnDemand, ReadingWorkTouchesLittleOfALargeFat) {
  testsupport::TempDir dir;
  const std::string image = dir.File("card.img");
  fat::CardImageOptions options;
  options.sizeBytes = 8ull << 30;  // sparse; FAT32 with a FAT of 8 MiB
  options.fatType = 32;
  fat::Status s;
  ASSERT_TRUE(platform::MakeCardImage(image, options, &s)) << s;
  const std::string content = testsupport::TestBytes(3 * kMiB, 4);
  {
    Counted card(image, true);
    ASSERT_TRUE(card.volume) << card.status;
    ASSERT_TRUE(card.volume->CreateDirectory("DornveldFLP").ok());
    ASSERT_TRUE(fattest::PutFile(*card.volume, "DornveldFLP/DornveldCIF.dfp", content).ok());
    ASSERT_TRUE(card.volume->Flush().ok());
  }
  Counted card(image, false);
  ASSERT_TRUE(card.volume) << card.status;
  const std::uint64_t fatBytes =
      static_cast<std::uint64_t>(card.volume->geometry().fatSectors) * 512;
  ASSERT_GE(fatBytes, 7 * kMiB);
  std::vector<fat::ClusterRun> runs;
  ASSERT_TRUE(card.volume->ClusterRuns("DornveldFLP/DornveldCIF.dfp", &runs).ok());
  EXPECT_EQ(runs.size(), 1u);
  std::string header(286, '\0');
  fat::Status opened;
  auto file = card.volume->OpenFile("DornveldFLP/DornveldCIF.dfp", false, &opened);
  ASSERT_TRUE(file) << opened;
  std::size_t done = 0;
  ASSERT_TRUE(file->ReadAt(0, header.data(), header.size(), &done).ok());
  EXPECT_EQ(header, content.substr(0, 286));
  EXPECT_LT(card.counter->sectorsRead() * 512, 128 * 1024) << "of a FAT of " << fatBytes;
  EXPECT_LE(card.volume->CachedFatBytes(), 64 * 1024u);
  EXPECT_EQ(card.counter->syncs(), 0u);

  // Walking the path again reads nothing: the folders and the FAT's pieces
  // are kept.
  const std::uint64_t before = card.counter->reads();
  fat::DirEntryInfo info;
  ASSERT_TRUE(card.volume->Stat("DornveldFLP/DornveldCIF.dfp", &info).ok());
  ASSERT_TRUE(card.volume->ClusterRuns("DornveldFLP/DornveldCIF.dfp", &runs).ok());
  EXPECT_EQ(card.counter->reads(), before);

  // The exact free count is one sequential pass, in big pieces.
  const std::uint64_t requests = card.counter->reads();
  const std::uint64_t freeClusters = card.volume->FreeClusters();
  EXPECT_EQ(freeClusters, card.volume->geometry().clusterCount - 1 - 1 - runs[0].length);
  EXPECT_LT(card.counter->reads() - requests, 16u);
  EXPECT_LE(card.volume->CachedFatBytes(), 64 * 1024u) << "the pass keeps nothing";
}

TEST(FatOnDemand, WaitsForTheMediumOnlyWhereOrderMatters) {
  auto base = fattest::MakeMemoryVolume(64 * kMiB, 32, 1);
  ASSERT_TRUE(base);
  fat::FaultInjectingDevice counter(*base);
  fat::Status s;
  auto volume = fat::Volume::Mount(counter, true, &s);
  ASSERT_TRUE(volume) << s;
  ASSERT_TRUE(fattest::PutFile(*volume, "file.bin", std::string(100000, 'a')).ok());
  EXPECT_EQ(counter.syncs(), 1u) << "the clusters are linked before the entry names them";
  ASSERT_TRUE(volume->Flush().ok());
  EXPECT_EQ(counter.syncs(), 2u);
  ASSERT_TRUE(volume->Flush().ok());
  EXPECT_EQ(counter.syncs(), 2u) << "nothing written, nothing to wait for";

  // Rewriting in place: one wait, at the flush.
  auto file = volume->OpenFile("file.bin", true, &s);
  ASSERT_TRUE(file) << s;
  std::size_t done = 0;
  ASSERT_TRUE(file->WriteAt(5000, "changed", 7, &done).ok());
  ASSERT_TRUE(file->Close().ok());
  EXPECT_EQ(counter.syncs(), 2u);
  ASSERT_TRUE(volume->Flush().ok());
  EXPECT_EQ(counter.syncs(), 3u);

  // Deleting: the entry is gone on the medium before its clusters are free.
  const std::uint64_t writes = counter.writes();
  ASSERT_TRUE(volume->DeleteFile("file.bin").ok());
  EXPECT_EQ(counter.syncs(), 4u);
  EXPECT_GT(counter.writes(), writes + 1) << "the entry, then the FAT";
}

// The FSInfo sector's free count and hint, as fsck.fat reads them.
struct FsInfo {
  std::uint32_t free = 0;
  std::uint32_t next = 0;
};

FsInfo ReadFsInfo(const testsupport::ImageVolume& v) {
  testsupport::FatLayout layout;
  if (!testsupport::ReadFatLayout(v, &layout) || layout.fsInfo == 0) return {};
  const std::string sector = testsupport::ReadHostBytes(v.path, layout.fsInfo, 512);
  const auto* b = reinterpret_cast<const std::uint8_t*>(sector.data());
  return {le::Read32(b + 488), le::Read32(b + 492)};
}

void WriteFsInfo(const testsupport::ImageVolume& v, const FsInfo& info) {
  testsupport::FatLayout layout;
  ASSERT_TRUE(testsupport::ReadFatLayout(v, &layout));
  std::string sector = testsupport::ReadHostBytes(v.path, layout.fsInfo, 512);
  auto* b = reinterpret_cast<std::uint8_t*>(sector.data());
  le::Write32(b + 488, info.free);
  le::Write32(b + 492, info.next);
  ASSERT_TRUE(testsupport::WriteImageBytes(v.path, layout.fsInfo, sector));
}

// Free clusters as fsck.fat counts them: total minus used of its summary.
std::int64_t FsckFree(const testsupport::ImageVolume& v) {
  std::string report;
  testsupport::FsckClean(v, &report);
  std::smatch m;
  if (!std::regex_search(report, m, std::regex(R"((\d+)/(\d+) clusters)"))) return -1;
  return std::stoll(m[2]) - std::stoll(m[1]);
}

struct FsInfoCase {
  const char* name;
  FsInfo start;     // written over mkfs.fat's before we write; {0, 0} keeps it
  bool rightAfter;  // our count is exact afterwards (else it keeps the wrong start's offset)
};
void PrintTo(const FsInfoCase& c, std::ostream* os) {
  *os << c.name;
}

class FsInfoFree : public ::testing::TestWithParam<FsInfoCase> {};

TEST_P(FsInfoFree, StaysRightAndNeverLeadsToAClusterInUse) {
  if (!testsupport::HaveFatTools()) GTEST_SKIP() << "mkfs.fat, fsck.fat or mtools missing";
  const FsInfoCase& c = GetParam();
  testsupport::TempDir dir;
  testsupport::ReferenceCard reference;
  reference.sizeBytes = 64 * kMiB;
  reference.fatBits = 32;
  reference.partitionStart = 2048;
  reference.mkfsOptions = "-s 1";
  const std::string image = dir.File("card.img");
  ASSERT_TRUE(testsupport::MakeReferenceCard(image, reference));
  const testsupport::ImageVolume v = testsupport::VolumeOf(image, reference);
  // Files of another system first, low on the volume.
  const std::string other = testsupport::TestBytes(50000, 9);
  ASSERT_TRUE(testsupport::WriteHostFile(dir.File("other.bin"), other));
  ASSERT_TRUE(testsupport::MtoolsPut(v, dir.File("other.bin"), "/OTHER.BIN"));
  ASSERT_EQ(FsckFree(v), ReadFsInfo(v).free) << "mkfs.fat and mtools keep it right";
  if (c.start.free != 0 || c.start.next != 0) WriteFsInfo(v, c.start);
  const std::int64_t wrongBy = static_cast<std::int64_t>(ReadFsInfo(v).free) - FsckFree(v);

  {
    Counted card(image, true);
    ASSERT_TRUE(card.volume) << card.status;
    ASSERT_TRUE(fattest::PutFile(*card.volume, "NEW.BIN", std::string(300000, 'n')).ok());
    ASSERT_TRUE(card.volume->DeleteFile("NEW.BIN").ok());
    ASSERT_TRUE(fattest::PutFile(*card.volume, "KEPT.BIN", std::string(70000, 'k')).ok());
    ASSERT_TRUE(card.volume->Flush().ok());
  }
  std::string content;
  ASSERT_TRUE(testsupport::MtoolsRead(v, "/OTHER.BIN", &content));
  EXPECT_EQ(content, other) << "no cluster of OTHER.BIN was taken";
  ASSERT_TRUE(testsupport::MtoolsRead(v, "/KEPT.BIN", &content));
  EXPECT_EQ(content, std::string(70000, 'k'));
  const std::int64_t fsckFree = FsckFree(v);
  if (c.rightAfter) {
    EXPECT_EQ(ReadFsInfo(v).free, fsckFree);
    std::string report;
    EXPECT_TRUE(testsupport::FsckClean(v, &report)) << report;
  } else {
    // A count that looked right is kept, as other systems keep it: it is
    // as wrong as before, by the same number of clusters.
    EXPECT_EQ(static_cast<std::int64_t>(ReadFsInfo(v).free) - fsckFree, wrongBy);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FsInfoFree,
    ::testing::Values(FsInfoCase{"AsMkfsWroteIt", {0, 0}, true},
                      FsInfoCase{"Unknown", {0xFFFFFFFF, 0xFFFFFFFF}, true},
                      FsInfoCase{"AboveTheClusterCount", {0x7FFFFFFF, 0x7FFFFFFF}, true},
                      FsInfoCase{"WrongButPlausibleHintOnAClusterInUse", {100000, 3}, false}),
    [](const auto& param) { return std::string(param.param.name); });

}  // namespace
