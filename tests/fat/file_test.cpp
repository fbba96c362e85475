// Files and folders through the engine alone, on volumes in memory: data at
// positions, growth and truncation, names, attributes, time stamps, open
// files side by side, and read-only mounts.
#include <gtest/gtest.h>

#include "engine_helpers.h"
#include "support/fault_device.h"
#include "support/test_data.h"

namespace {

class VolumeTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    device_ = fattest::MakeMemoryVolume(GetParam() == 32 ? 40 << 20 : 8 << 20, GetParam(),
                                        GetParam() == 32 ? 1 : 0);
    ASSERT_TRUE(device_);
    Remount();
  }
  void Remount(bool writable = true) {
    volume_.reset();
    fat::Status s;
    volume_ = fat::Volume::Mount(*device_, writable, &s);
    ASSERT_TRUE(volume_) << s;
  }
  std::unique_ptr<fat::MemorySectorDevice> device_;
  std::unique_ptr<fat::Volume> volume_;
};

TEST_P(VolumeTest, DataAtPositionsAcrossClusterAndSectorEdges) {
  fat::Status s;
  auto file = volume_->CreateFile("data.bin", 0, &s);
  ASSERT_TRUE(file) << s;
  const std::uint32_t cluster = volume_->ClusterBytes();
  const std::string a = testsupport::TestBytes(3 * cluster + 123, 1);
  std::size_t done = 0;
  ASSERT_TRUE(file->WriteAt(0, a.data(), a.size(), &done).ok());
  // Overwrite a piece that crosses a sector and a cluster edge.
  const std::string b = testsupport::TestBytes(700, 2);
  ASSERT_TRUE(file->WriteAt(cluster - 300, b.data(), b.size(), &done).ok());
  std::string expected = a;
  expected.replace(cluster - 300, b.size(), b);
  // Write past the end: the gap reads as zeros.
  ASSERT_TRUE(file->WriteAt(a.size() + 5000, "tail", 4, &done).ok());
  expected.append(5000, '\0').append("tail");
  EXPECT_EQ(file->Size(), expected.size());
  std::string back(expected.size(), 'x');
  ASSERT_TRUE(file->ReadAt(0, back.data(), back.size(), &done).ok());
  EXPECT_EQ(done, expected.size());
  EXPECT_TRUE(back == expected);
  ASSERT_TRUE(file->Close().ok());
  Remount();
  std::string content;
  ASSERT_TRUE(fattest::GetFile(*volume_, "DATA.BIN", &content).ok());
  EXPECT_TRUE(content == expected);
  // Reads at and past the end give nothing.
  file = volume_->OpenFile("data.bin", false, &s);
  ASSERT_TRUE(file) << s;
  char c;
  ASSERT_TRUE(file->ReadAt(expected.size(), &c, 1, &done).ok());
  EXPECT_EQ(done, 0u);
  EXPECT_EQ(file->WriteAt(0, "x", 1, &done).error, fat::Error::kAccessDenied);
}

TEST_P(VolumeTest, SetLengthGrowsWithZerosAndTruncatesFreeingClusters) {
  const std::uint64_t freeAtStart = volume_->FreeClusters();
  fat::Status s;
  auto file = volume_->CreateFile("grow.bin", 0, &s);
  ASSERT_TRUE(file) << s;
  std::size_t done = 0;
  ASSERT_TRUE(file->Write("head", 4, &done).ok());
  ASSERT_TRUE(file->SetLength(1 << 20).ok());
  const std::uint64_t clusters = (1 << 20) / volume_->ClusterBytes();
  EXPECT_EQ(volume_->FreeClusters(), freeAtStart - clusters);
  ASSERT_TRUE(file->Close().ok());
  Remount();
  std::string content;
  ASSERT_TRUE(fattest::GetFile(*volume_, "grow.bin", &content).ok());
  ASSERT_EQ(content.size(), 1u << 20);
  EXPECT_EQ(content.substr(0, 4), "head");
  EXPECT_EQ(content.find_first_not_of('\0', 4), std::string::npos) << "grown part is zero";

  ASSERT_TRUE(volume_->Truncate("grow.bin", 10).ok());
  EXPECT_EQ(volume_->FreeClusters(), freeAtStart - 1);
  ASSERT_TRUE(volume_->Truncate("grow.bin", 0).ok());
  EXPECT_EQ(volume_->FreeClusters(), freeAtStart);
  fat::DirEntryInfo info;
  ASSERT_TRUE(volume_->Stat("grow.bin", &info).ok());
  EXPECT_EQ(info.size, 0u);
  EXPECT_EQ(info.firstCluster, 0u);
  std::vector<fat::ClusterRun> runs;
  ASSERT_TRUE(volume_->ClusterRuns("grow.bin", &runs).ok());
  EXPECT_TRUE(runs.empty());
  file = volume_->OpenFile("grow.bin", true, &s);
  ASSERT_TRUE(file);
  EXPECT_EQ(file->SetLength(0x100000000ull).error, fat::Error::kTooLarge);
  EXPECT_EQ(file->SetLength(volume_->TotalBytes() * 2).error, fat::Error::kDiskFull);
  EXPECT_EQ(volume_->FreeClusters(), freeAtStart) << "a refused growth takes nothing";
}

TEST_P(VolumeTest, FoldersNamesAndErrors) {
  ASSERT_TRUE(volume_->CreateDirectory("DornveldFLP").ok());
  EXPECT_EQ(volume_->CreateDirectory("dornveldflp").error, fat::Error::kExists);
  ASSERT_TRUE(fattest::PutFile(*volume_, "DornveldFLP/DornveldCIF.dfp", "data").ok());
  fat::DirEntryInfo info;
  ASSERT_TRUE(volume_->Stat("DornveldFLP", &info).ok());
  EXPECT_EQ(info.shortName, "DORNVE~1");
  EXPECT_TRUE(info.isDirectory());
  ASSERT_TRUE(volume_->Stat("DORNVE~1\\DORNVE~1.DFP", &info).ok());
  EXPECT_EQ(info.longName, "DornveldCIF.dfp");
  ASSERT_TRUE(volume_->Stat("/DornveldFLP/./../DornveldFLP//DornveldCIF.dfp", &info).ok());

  EXPECT_EQ(volume_->Stat("missing", &info).error, fat::Error::kNotFound);
  EXPECT_EQ(volume_->Stat("missing/file", &info).error, fat::Error::kPathNotFound);
  EXPECT_EQ(volume_->Stat("DornveldFLP/DornveldCIF.dfp/x", &info).error, fat::Error::kPathNotFound);
  fat::Status s;
  EXPECT_FALSE(volume_->CreateFile("bad:name", 0, &s));
  EXPECT_EQ(s.error, fat::Error::kInvalidName);
  EXPECT_FALSE(volume_->OpenFile("DornveldFLP", false, &s));
  EXPECT_EQ(s.error, fat::Error::kIsDirectory);
  EXPECT_EQ(volume_->RemoveDirectory("DornveldFLP").error, fat::Error::kNotEmpty);
  EXPECT_EQ(volume_->DeleteFile("DornveldFLP").error, fat::Error::kIsDirectory);
  std::vector<fat::DirEntryInfo> list;
  EXPECT_EQ(volume_->ListDirectory("DornveldFLP/DornveldCIF.dfp", &list).error,
            fat::Error::kNotDirectory);
  EXPECT_EQ(volume_->Rename("DornveldFLP", "DornveldFLP/inside").error,
            fat::Error::kInvalidArgument);

  ASSERT_TRUE(fattest::PutFile(*volume_, "other", "x").ok());
  EXPECT_EQ(volume_->Rename("other", "DornveldFLP/dornveldcif.DFP").error, fat::Error::kExists);
  // A change of case only is a rename of the entry to itself.
  ASSERT_TRUE(volume_->Rename("other", "OTHER").ok());
  ASSERT_TRUE(volume_->ListDirectory("", &list).ok());
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1].longName, "OTHER");

  ASSERT_TRUE(volume_->DeleteFile("DornveldFLP/DornveldCIF.dfp").ok());
  ASSERT_TRUE(volume_->RemoveDirectory("DornveldFLP").ok());
  EXPECT_EQ(volume_->Stat("DornveldFLP", &info).error, fat::Error::kNotFound);
}

TEST_P(VolumeTest, FolderGrowsByAClusterAndRootLimits) {
  ASSERT_TRUE(volume_->CreateDirectory("many").ok());
  const int count = static_cast<int>(volume_->ClusterBytes() / 32) + 5;
  for (int i = 0; i < count; ++i) {
    ASSERT_TRUE(fattest::PutFile(*volume_, "many/F" + std::to_string(i), "").ok()) << i;
  }
  std::vector<fat::ClusterRun> runs;
  ASSERT_TRUE(volume_->ClusterRuns("many", &runs).ok());
  std::uint64_t clusters = 0;
  for (const auto& r : runs) clusters += r.length;
  EXPECT_EQ(clusters, 2u);
  std::vector<fat::DirEntryInfo> list;
  ASSERT_TRUE(volume_->ListDirectory("many", &list).ok());
  EXPECT_EQ(list.size(), static_cast<std::size_t>(count));
  if (GetParam() != 32) {
    // The fixed root holds 512 entries: a label-less root takes 512 short names.
    int made = 0;
    fat::Status s;
    for (; made < 600; ++made) {
      s = fattest::PutFile(*volume_, std::string("R").append(std::to_string(made)), "");
      if (!s.ok()) break;
    }
    EXPECT_EQ(s.error, fat::Error::kDiskFull);
    EXPECT_EQ(made, 510);  // "many" takes a long-name entry and a short entry
  }
}

TEST_P(VolumeTest, AttributesTimesAndLabel) {
  platform::LocalTime when;
  when.year = 2024;
  when.month = 2;
  when.day = 29;
  when.hour = 13;
  when.minute = 45;
  when.second = 31;
  when.milliseconds = 250;
  {
    platform::ScopedFixedLocalTime fixed(when);
    ASSERT_TRUE(
        fattest::PutFile(*volume_, "stamped", "x", fat::attr::kReadOnly | fat::attr::kSystem).ok());
  }
  fat::DirEntryInfo info;
  ASSERT_TRUE(volume_->Stat("stamped", &info).ok());
  EXPECT_EQ(info.attributes, fat::attr::kReadOnly | fat::attr::kSystem | fat::attr::kArchive);
  EXPECT_EQ(info.created, when);
  when.milliseconds = 0;
  when.second = 30;
  EXPECT_EQ(info.modified, when);
  EXPECT_EQ(info.accessed.day, 29);

  fat::Status s;
  EXPECT_FALSE(volume_->OpenFile("stamped", true, &s));
  EXPECT_EQ(s.error, fat::Error::kAccessDenied);
  EXPECT_EQ(volume_->DeleteFile("stamped").error, fat::Error::kAccessDenied);
  ASSERT_TRUE(volume_->SetAttributes("stamped", 0).ok());
  std::uint8_t attributes = 0xFF;
  ASSERT_TRUE(volume_->GetAttributes("stamped", &attributes).ok());
  EXPECT_EQ(attributes, 0);
  ASSERT_TRUE(volume_->CreateDirectory("dir").ok());
  ASSERT_TRUE(volume_->SetAttributes("dir", 0xFF).ok());
  ASSERT_TRUE(volume_->GetAttributes("dir", &attributes).ok());
  EXPECT_EQ(attributes, fat::attr::kDirectory | fat::attr::kChangeable)
      << "folder bit stays, volume bit is not set";
  EXPECT_EQ(volume_->RemoveDirectory("dir").error, fat::Error::kAccessDenied);
  ASSERT_TRUE(volume_->DeleteFile("stamped").ok());

  std::string label;
  ASSERT_TRUE(volume_->GetLabel(&label).ok());
  EXPECT_EQ(label, "");
  ASSERT_TRUE(volume_->SetLabel("Card 1").ok());
  Remount();
  ASSERT_TRUE(volume_->GetLabel(&label).ok());
  EXPECT_EQ(label, "CARD 1");
  EXPECT_EQ(volume_->geometry().label, "CARD 1") << "boot sector label kept in step";
  std::vector<fat::DirEntryInfo> list;
  ASSERT_TRUE(volume_->ListDirectory("", &list).ok());
  EXPECT_EQ(list.size(), 1u) << "the label entry is not listed";
  ASSERT_TRUE(volume_->SetLabel("").ok());
  Remount();
  ASSERT_TRUE(volume_->GetLabel(&label).ok());
  EXPECT_EQ(label, "");
}

TEST_P(VolumeTest, SeveralOpenFilesShareOneView) {
  fat::Status s;
  auto writer = volume_->CreateFile("shared", 0, &s);
  ASSERT_TRUE(writer) << s;
  auto other = volume_->CreateFile("other", 0, &s);
  ASSERT_TRUE(other) << s;
  auto reader = volume_->OpenFile("shared", false, &s);
  ASSERT_TRUE(reader) << s;
  std::size_t done = 0;
  const std::string a = testsupport::TestBytes(10000, 4);
  const std::string b = testsupport::TestBytes(7000, 5);
  // Interleaved growth of two files.
  for (int i = 0; i < 10; ++i) {
    ASSERT_TRUE(writer->Write(a.data() + i * 1000, 1000, &done).ok());
    ASSERT_TRUE(other->Write(b.data() + i * 700, 700, &done).ok());
  }
  EXPECT_EQ(reader->Size(), a.size());
  std::string back(a.size(), '\0');
  ASSERT_TRUE(reader->ReadAt(0, back.data(), back.size(), &done).ok());
  EXPECT_TRUE(back == a);
  EXPECT_EQ(volume_->DeleteFile("shared").error, fat::Error::kBusy);
  EXPECT_EQ(volume_->Rename("other", "renamed").error, fat::Error::kBusy);
  ASSERT_TRUE(writer->Close().ok());
  ASSERT_TRUE(other->Close().ok());
  reader.reset();
  std::string content;
  ASSERT_TRUE(fattest::GetFile(*volume_, "other", &content).ok());
  EXPECT_TRUE(content == b);
  ASSERT_TRUE(volume_->DeleteFile("shared").ok());
}

TEST_P(VolumeTest, ReadOnlyMountNeverWrites) {
  ASSERT_TRUE(fattest::PutFile(*volume_, "file", "content").ok());
  volume_.reset();
  fat::FaultInjectingDevice watched(*device_);
  fat::Status s;
  auto volume = fat::Volume::Mount(watched, false, &s);
  ASSERT_TRUE(volume) << s;
  std::string content;
  ASSERT_TRUE(fattest::GetFile(*volume, "file", &content).ok());
  EXPECT_EQ(volume->CreateDirectory("x").error, fat::Error::kReadOnly);
  EXPECT_EQ(volume->DeleteFile("file").error, fat::Error::kReadOnly);
  EXPECT_EQ(volume->SetLabel("X").error, fat::Error::kReadOnly);
  EXPECT_EQ(volume->SetAttributes("file", 1).error, fat::Error::kReadOnly);
  EXPECT_FALSE(volume->OpenFile("file", true, &s));
  EXPECT_EQ(s.error, fat::Error::kReadOnly);
  EXPECT_TRUE(volume->Flush().ok());
  volume.reset();
  EXPECT_EQ(watched.writes(), 0u);
}

TEST_P(VolumeTest, FileOutlivingItsVolumeFailsSafely) {
  fat::Status s;
  auto file = volume_->CreateFile("late", 0, &s);
  ASSERT_TRUE(file) << s;
  std::size_t done = 0;
  ASSERT_TRUE(file->Write("abc", 3, &done).ok());
  volume_.reset();  // flushes the open file
  EXPECT_EQ(file->Write("x", 1, &done).error, fat::Error::kIo);
  file.reset();
  Remount();
  std::string content;
  ASSERT_TRUE(fattest::GetFile(*volume_, "late", &content).ok());
  EXPECT_EQ(content, "abc");
}

INSTANTIATE_TEST_SUITE_P(Fat, VolumeTest, ::testing::Values(12, 16, 32),
                         [](const auto& param) { return "Fat" + std::to_string(param.param); });

}  // namespace
