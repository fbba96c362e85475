// Contiguous-first allocation: one run on free space, several exactly when
// free space is in holes, continuation after a file's last cluster; FSInfo
// and both FAT copies kept right.
#include <gtest/gtest.h>

#include "engine_helpers.h"
#include "platform/card_image_file.h"
#include "platform/file_sector_device.h"
#include "support/mtools_views.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;

std::uint64_t Clusters(const std::vector<fat::ClusterRun>& runs) {
  std::uint64_t n = 0;
  for (const auto& r : runs) n += r.length;
  return n;
}

TEST(Allocation, OneStepGrowthIsOneRunOnFreeSpace) {
  auto dev = fattest::MakeMemoryVolume(64 * kMiB, 32, 1);
  ASSERT_TRUE(dev);
  fat::Status s;
  auto volume = fat::Volume::Mount(*dev, true, &s);
  ASSERT_TRUE(volume) << s;
  auto file = volume->CreateFile("big", 0, &s);
  ASSERT_TRUE(file) << s;
  ASSERT_TRUE(file->SetLength(20 * kMiB).ok());
  ASSERT_TRUE(file->Close().ok());
  std::vector<fat::ClusterRun> runs;
  ASSERT_TRUE(volume->ClusterRuns("big", &runs).ok());
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].virtualCluster, 0u);
  EXPECT_EQ(runs[0].length, 20 * kMiB / 512);
  // The root folder holds cluster 2, so the file starts at cluster 3:
  // logical cluster 1 of the data area.
  EXPECT_EQ(runs[0].logicalCluster, 1u);
}

TEST(Allocation, HolesOfOneMiBGiveSeveralRunsInOrder) {
  auto dev = fattest::MakeMemoryVolume(32 * kMiB, 16, 4);  // 2 KiB clusters
  ASSERT_TRUE(dev);
  fat::Status s;
  auto volume = fat::Volume::Mount(*dev, true, &s);
  ASSERT_TRUE(volume) << s;
  // Twenty 1 MiB files, every second one deleted: ten 1 MiB holes, then
  // the free tail.
  const std::string mib(kMiB, 'f');
  for (int i = 0; i < 20; ++i)
    ASSERT_TRUE(fattest::PutFile(*volume, std::string("f").append(std::to_string(i)), mib).ok());
  for (int i = 0; i < 20; i += 2) {
    ASSERT_TRUE(volume->DeleteFile(std::string("f").append(std::to_string(i))).ok());
  }
  const std::uint64_t tail = volume->FreeBytes() - 10 * kMiB;

  // Fits one hole: takes the first hole.
  auto file = volume->CreateFile("small", 0, &s);
  ASSERT_TRUE(file->SetLength(kMiB).ok());
  ASSERT_TRUE(file->Close().ok());
  std::vector<fat::ClusterRun> first;
  ASSERT_TRUE(volume->ClusterRuns("f1", &first).ok());
  std::vector<fat::ClusterRun> runs;
  ASSERT_TRUE(volume->ClusterRuns("small", &runs).ok());
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_LT(runs[0].logicalCluster, first[0].logicalCluster) << "the first hole";

  // Fits the free tail: one run there.
  file = volume->CreateFile("fits tail", 0, &s);
  ASSERT_TRUE(file->SetLength(tail / 2).ok());
  ASSERT_TRUE(file->Close().ok());
  ASSERT_TRUE(volume->ClusterRuns("fits tail", &runs).ok());
  EXPECT_EQ(runs.size(), 1u);

  // Larger than any free run: fills the lowest holes in order.
  file = volume->CreateFile("fragmented", 0, &s);
  ASSERT_TRUE(file->SetLength(volume->FreeBytes()).ok());
  ASSERT_TRUE(file->Close().ok());
  ASSERT_TRUE(volume->ClusterRuns("fragmented", &runs).ok());
  EXPECT_EQ(runs.size(), 10u);
  for (std::size_t i = 1; i < runs.size(); ++i) {
    EXPECT_GT(runs[i].logicalCluster, runs[i - 1].logicalCluster);
    EXPECT_EQ(runs[i].virtualCluster, runs[i - 1].virtualCluster + runs[i - 1].length);
  }
  EXPECT_EQ(volume->FreeClusters(), 0u);
}

TEST(Allocation, GrowthContinuesAfterTheLastClusterOnlyWhenTheRunFits) {
  auto dev = fattest::MakeMemoryVolume(8 * kMiB, 16, 1);
  ASSERT_TRUE(dev);
  fat::Status s;
  auto volume = fat::Volume::Mount(*dev, true, &s);
  ASSERT_TRUE(volume) << s;
  auto a = volume->CreateFile("a", 0, &s);
  ASSERT_TRUE(a->SetLength(10 * 512).ok());
  auto b = volume->CreateFile("b", 0, &s);
  ASSERT_TRUE(b->SetLength(10 * 512).ok());
  // b follows a; growing b continues in place.
  ASSERT_TRUE(b->SetLength(20 * 512).ok());
  std::vector<fat::ClusterRun> runs;
  ASSERT_TRUE(volume->ClusterRuns("b", &runs).ok());
  EXPECT_EQ(runs.size(), 1u);
  // a is boxed in by b: its growth goes to the first free run that fits.
  ASSERT_TRUE(a->SetLength(15 * 512).ok());
  ASSERT_TRUE(volume->ClusterRuns("a", &runs).ok());
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[1].length, 5u);
  EXPECT_EQ(runs[1].logicalCluster, 30u) << "right after b";
  ASSERT_TRUE(a->Close().ok());
  ASSERT_TRUE(b->Close().ok());
}

TEST(Allocation, MtoolsSeesTheSameChainsAndFsckTheSameFreeCount) {
  if (!testsupport::HaveFatTools()) GTEST_SKIP() << "fsck.fat or mtools missing";
  testsupport::TempDir dir;
  for (int type : {12, 16, 32}) {
    fat::CardImageOptions options;
    options.sizeBytes = (type == 32 ? 48 : type == 16 ? 12 : 2) * kMiB;
    options.fatType = type;
    options.partitionStart = 63;
    options.sectorsPerCluster = 1;
    const std::string image = dir.File("alloc" + std::to_string(type) + ".img");
    fat::Status s;
    ASSERT_TRUE(platform::MakeCardImage(image, options, &s)) << s;
    testsupport::ImageVolume v{image, 63 * 512, options.sizeBytes / 512 - 63};
    {
      auto disk = platform::FileSectorDevice::Open(image, true, &s);
      fat::SubRangeDevice part(*disk, 63, v.sectors);
      auto volume = fat::Volume::Mount(part, true, &s);
      ASSERT_TRUE(volume) << s;
      for (int i = 0; i < 12; ++i) {
        ASSERT_TRUE(fattest::PutFile(*volume, "file" + std::to_string(i),
                                     testsupport::TestBytes(3000 + 1000 * i, i))
                        .ok());
      }
      for (int i = 0; i < 12; i += 3)
        ASSERT_TRUE(volume->DeleteFile("file" + std::to_string(i)).ok());
      ASSERT_TRUE(fattest::PutFile(*volume, "spread", testsupport::TestBytes(40000, 99)).ok());
      std::vector<fat::ClusterRun> runs;
      ASSERT_TRUE(volume->ClusterRuns("spread", &runs).ok());
      EXPECT_EQ(runs.size(), 1u) << "40000 bytes fit behind the other files";
      // Grown in small steps, the file keeps extending in place.
      auto file = volume->OpenFile("file1", true, &s);
      ASSERT_TRUE(file) << s;
      std::size_t done = 0;
      for (int k = 0; k < 5; ++k)
        ASSERT_TRUE(file->WriteAt(file->Size(), "0123456789", 10, &done).ok());
      ASSERT_TRUE(file->Close().ok());
      ASSERT_TRUE(volume->Flush().ok());
    }
    std::string report;
    EXPECT_TRUE(testsupport::FsckClean(v, &report)) << "FAT" << type << "\n" << report;
    auto disk = platform::FileSectorDevice::Open(image, false, &s);
    fat::SubRangeDevice part(*disk, 63, v.sectors);
    auto volume = fat::Volume::Mount(part, false, &s);
    ASSERT_TRUE(volume) << s;
    for (int i = 1; i < 12; ++i) {
      if (i % 3 == 0) continue;
      const std::string path = "/file" + std::to_string(i);
      std::vector<fat::ClusterRun> runs;
      ASSERT_TRUE(volume->ClusterRuns(path, &runs).ok());
      EXPECT_EQ(fattest::AsFatPairs(runs), testsupport::MtoolsRuns(v, path)) << path;
    }
    std::vector<fat::ClusterRun> runs;
    ASSERT_TRUE(volume->ClusterRuns("/spread", &runs).ok());
    EXPECT_EQ(fattest::AsFatPairs(runs), testsupport::MtoolsRuns(v, "/spread"));
    EXPECT_GT(Clusters(runs), 0u);
  }
}

}  // namespace
