// A write that fails part-way, at any point of a run of changes, leaves a
// volume whose clusters belong to one owner at most.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <unordered_map>

#include "engine_helpers.h"
#include "support/fault_device.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace {

// Sectors written go to a side table; the base stays untouched, so that each
// run starts from the same volume without copying it.
class OverlayDevice : public fat::ISectorDevice {
 public:
  explicit OverlayDevice(fat::MemorySectorDevice& base) : base_(base) {}
  std::uint32_t SectorSize() const override { return 512; }
  std::uint64_t SectorCount() const override { return base_.SectorCount(); }
  fat::Status ReadSectors(std::uint64_t first, std::uint32_t count, void* buffer) override {
    fat::Status s = base_.ReadSectors(first, count, buffer);
    if (!s.ok()) return s;
    for (std::uint32_t i = 0; i < count; ++i) {
      auto it = written_.find(first + i);
      if (it != written_.end()) {
        std::memcpy(static_cast<std::uint8_t*>(buffer) + i * 512ull, it->second.data(), 512);
      }
    }
    return s;
  }
  fat::Status WriteSectors(std::uint64_t first, std::uint32_t count, const void* buffer) override {
    fat::Status s = fat::CheckRange(first, count, SectorCount());
    if (!s.ok()) return s;
    for (std::uint32_t i = 0; i < count; ++i) {
      const auto* p = static_cast<const std::uint8_t*>(buffer) + i * 512ull;
      written_[first + i].assign(p, p + 512);
    }
    return s;
  }
  fat::Status Sync() override { return fat::Status::Ok(); }
  ByteBuffer Image() const {
    ByteBuffer out = base_.bytes();
    for (const auto& [sector, data] : written_) std::memcpy(&out[sector * 512], data.data(), 512);
    return out;
  }

 private:
  fat::MemorySectorDevice& base_;
  std::unordered_map<std::uint64_t, ByteBuffer> written_;
};

// The changes a card goes through: folders, files written and grown, a
// delete, a rename, a truncation, a label.
void Workload(fat::Volume& volume) {
  volume.CreateDirectory("DornveldFLP");
  fattest::PutFile(volume, "DornveldFLP/DornveldCIF.dfp", testsupport::TestBytes(40000, 1));
  for (int i = 0; i < 20; ++i) {
    fattest::PutFile(volume, "DornveldFLP/entry " + std::to_string(i), std::string(600, 'e'));
  }
  volume.DeleteFile("keep1.bin");
  volume.Rename("keep2.bin", "DornveldFLP/moved.bin");
  volume.Truncate("keep3.bin", 100);
  fat::Status s;
  if (auto file = volume.OpenFile("keep4.bin", true, &s)) {
    file->SetLength(30000);
    std::size_t done = 0;
    file->WriteAt(29000, "end", 3, &done);
  }
  // Grown and shrunk before the first flush.
  if (auto file = volume.CreateFile("shrunk.bin", 0, &s)) {
    file->SetLength(20000);
    file->SetLength(3000);
  }
  volume.SetLabel("FAULTY");
  volume.Flush();
}

// Walks every folder with a fresh read-only mount and counts the owners of
// each cluster.
void ExpectNoSharedClusters(fat::ISectorDevice& dev, const std::string& context) {
  fat::Status s;
  auto volume = fat::Volume::Mount(dev, false, &s);
  if (!volume) return;  // nothing readable is nothing cross-linked
  std::map<std::uint64_t, std::string> owner;
  std::vector<std::string> folders = {""};
  while (!folders.empty()) {
    const std::string folder = folders.back();
    folders.pop_back();
    std::vector<fat::DirEntryInfo> list;
    if (!volume->ListDirectory(folder, &list).ok()) continue;
    for (const auto& e : list) {
      const std::string path = folder + "/" + e.longName;
      if (e.isDirectory()) folders.push_back(path);
      std::vector<fat::ClusterRun> runs;
      if (!volume->ClusterRuns(path, &runs).ok()) continue;
      for (const auto& r : runs) {
        for (std::uint64_t c = r.logicalCluster; c < r.logicalCluster + r.length; ++c) {
          auto [it, fresh] = owner.emplace(c, path);
          EXPECT_TRUE(fresh) << context << ": cluster " << c + 2 << " in " << path << " and "
                             << it->second;
        }
      }
    }
  }
}

class FaultInjection : public ::testing::TestWithParam<int> {};

TEST_P(FaultInjection, FailedWritesNeverCrossLinkClusters) {
  const int type = GetParam();
  auto base = fattest::MakeMemoryVolume(type == 32   ? 34 << 20
                                        : type == 16 ? 4 << 20
                                                     : 2 << 20,
                                        type, 1);
  ASSERT_TRUE(base);
  {
    fat::Status s;
    auto volume = fat::Volume::Mount(*base, true, &s);
    ASSERT_TRUE(volume) << s;
    for (int i = 1; i <= 4; ++i) {
      ASSERT_TRUE(fattest::PutFile(*volume, "keep" + std::to_string(i) + ".bin",
                                   testsupport::TestBytes(5000 * i, i))
                      .ok());
    }
  }
  // Count the writes of a clean run.
  std::uint64_t total = 0;
  {
    OverlayDevice copy(*base);
    fat::FaultInjectingDevice counted(copy);
    fat::Status s;
    auto volume = fat::Volume::Mount(counted, true, &s);
    ASSERT_TRUE(volume) << s;
    Workload(*volume);
    volume.reset();
    total = counted.writes();
  }
  ASSERT_GT(total, 20u);
  const bool useFsck = type != 32 && testsupport::HaveFatTools();
  testsupport::TempDir dir;
  for (std::uint64_t n = 1; n <= total; ++n) {
    OverlayDevice copy(*base);
    {
      fat::FaultInjectingDevice failing(copy);
      failing.FailWrite(n, 1);  // the failing write gets its first sector out
      fat::Status s;
      auto volume = fat::Volume::Mount(failing, true, &s);
      ASSERT_TRUE(volume) << s;
      Workload(*volume);
      volume.reset();
      EXPECT_EQ(failing.outOfRangeRequests(), 0u);
    }
    const std::string context = "FAT" + std::to_string(type) + " write " + std::to_string(n);
    ExpectNoSharedClusters(copy, context);
    if (useFsck && n % 2 == 1) {  // every second run keeps the test quick
      const std::string image = dir.File("faulty.img");
      const ByteBuffer bytes = copy.Image();
      ASSERT_TRUE(testsupport::WriteHostFile(image, std::string(bytes.begin(), bytes.end())));
      std::string report;
      testsupport::FsckClean({image, 0, copy.SectorCount()}, &report);
      EXPECT_EQ(report.find("share clusters"), std::string::npos) << context << "\n" << report;
    }
  }
}

// A host disk that fills up: sectors of the data area beyond `room` cannot be
// written (a sparse image whose file system is full), the FAT and folders
// can (they were written when the card was formatted).
class FullHostDevice : public fat::ISectorDevice {
 public:
  FullHostDevice(fat::ISectorDevice& base, std::uint64_t room) : base_(base), room_(room) {}
  std::uint32_t SectorSize() const override { return base_.SectorSize(); }
  std::uint64_t SectorCount() const override { return base_.SectorCount(); }
  fat::Status ReadSectors(std::uint64_t first, std::uint32_t count, void* buffer) override {
    return base_.ReadSectors(first, count, buffer);
  }
  fat::Status WriteSectors(std::uint64_t first, std::uint32_t count, const void* buffer) override {
    if (first + count > room_)
      return fat::Fail(fat::Error::kDiskFull, "no space left for the image");
    return base_.WriteSectors(first, count, buffer);
  }
  fat::Status Sync() override { return base_.Sync(); }

 private:
  fat::ISectorDevice& base_;
  std::uint64_t room_;
};

std::string Fat(const fat::MemorySectorDevice& dev, const fat::Geometry& g, std::uint32_t copy) {
  const auto* at =
      &dev.bytes()[(g.fatStart + copy * static_cast<std::uint64_t>(g.fatSectors)) * 512];
  return std::string(at, at + g.fatSectors * 512ull);
}

TEST_P(FaultInjection, AFileCutShortByAFullHostDiskLeavesNothingBehindWhenDeleted) {
  const int type = GetParam();
  auto dev = fattest::MakeMemoryVolume(type == 32   ? 34 << 20
                                       : type == 16 ? 8 << 20
                                                    : 2 << 20,
                                       type, 1);
  ASSERT_TRUE(dev);
  fat::Geometry g;
  fat::Status s;
  {
    auto volume = fat::Volume::Mount(*dev, true, &s);
    ASSERT_TRUE(volume) << s;
    g = volume->geometry();
    ASSERT_TRUE(volume->CreateDirectory("DornveldFLP").ok());
  }
  const std::uint64_t room = g.dataStart + (g.totalSectors - g.dataStart) / 4;
  FullHostDevice full(*dev, room);
  auto volume = fat::Volume::Mount(full, true, &s);
  ASSERT_TRUE(volume) << s;
  const std::uint64_t freeBefore = volume->FreeClusters();
  auto file = volume->CreateFile("DornveldFLP/DornveldCIF.dfp", 0, &s);
  ASSERT_TRUE(file) << s;
  const std::uint64_t length = (g.totalSectors - g.dataStart) / 2 * 512;
  ASSERT_TRUE(file->SetLength(length).ok());
  const std::string block(1 << 20, 'c');
  fat::Status written;
  for (std::uint64_t at = 0; at < length && written.ok(); at += block.size()) {
    std::size_t done = 0;
    written =
        file->WriteAt(at, block.data(), std::min<std::uint64_t>(block.size(), length - at), &done);
  }
  EXPECT_EQ(written.error, fat::Error::kDiskFull);
  EXPECT_FALSE(file->Close().ok()) << "the zeros still owed cannot be written";
  // The file owns every cluster it was given: deleting it gives them back.
  ASSERT_TRUE(volume->DeleteFile("DornveldFLP/DornveldCIF.dfp").ok());
  ASSERT_TRUE(volume->Flush().ok());
  volume.reset();
  EXPECT_EQ(Fat(*dev, g, 0), Fat(*dev, g, 1)) << "both FAT copies alike";
  auto again = fat::Volume::Mount(*dev, false, &s);
  ASSERT_TRUE(again) << s;
  EXPECT_EQ(again->FreeClusters(), freeBefore) << "no lost cluster";
}

TEST_P(FaultInjection, AFailedFatWriteLeavesBothCopiesAlike) {
  const int type = GetParam();
  auto dev = fattest::MakeMemoryVolume(type == 32   ? 34 << 20
                                       : type == 16 ? 4 << 20
                                                    : 2 << 20,
                                       type, 1);
  ASSERT_TRUE(dev);
  fat::Status s;
  fat::Geometry g;
  {
    auto volume = fat::Volume::Mount(*dev, true, &s);
    ASSERT_TRUE(volume) << s;
    g = volume->geometry();
  }
  // Every write of a file's growth, through the FAT's last write of its
  // second copy: whichever fails, the copies read the same afterwards.
  for (std::uint64_t n = 1; n <= 6; ++n) {
    fat::MemorySectorDevice copy(dev->bytes());
    fat::FaultInjectingDevice failing(copy);
    auto volume = fat::Volume::Mount(failing, true, &s);
    ASSERT_TRUE(volume) << s;
    auto file = volume->CreateFile("GROWN.BIN", 0, &s);
    ASSERT_TRUE(file) << s;
    failing.FailWrite(n, 0, false);  // one write fails, the medium takes the others
    file->SetLength(300000);
    file->Close();
    volume->Flush();
    volume.reset();
    EXPECT_EQ(Fat(copy, g, 0), Fat(copy, g, 1)) << "write " << n;
  }
}

INSTANTIATE_TEST_SUITE_P(Fat, FaultInjection, ::testing::Values(12, 16, 32),
                         [](const auto& param) { return "Fat" + std::to_string(param.param); });

}  // namespace
