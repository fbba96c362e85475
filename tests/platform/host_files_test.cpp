// Files of a drive bound to a host folder, with the Windows rules the
// container store relies on: dispositions, read-only files refused even to
// root, observable attributes, 64-bit positions, lengths and free space.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/drive.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/host/host_folder_drive.h"
#include "support/temp_dir.h"

namespace {

using platform::Disposition;
using platform::File;
using platform::kGenericRead;
using platform::kGenericWrite;

constexpr char kLetter = 'P';

std::string ReadAll(const std::string& hostPath) {
  std::ifstream in(hostPath, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& hostPath, const std::string& text) {
  std::ofstream(hostPath, std::ios::binary | std::ios::trunc) << text;
}

class HostFilesTest : public testing::Test {
 protected:
  HostFilesTest()
      : drive_(std::make_shared<platform::HostFolderDrive>(dir_.path())),
        scoped_(kLetter, drive_) {}
  void SetUp() override { ASSERT_TRUE(scoped_.attached()); }

  std::string Host(const std::string& name) const { return dir_.File(name); }
  static std::string Card(const std::string& name) { return std::string("P:\\") + name; }

  testsupport::TempDir dir_;
  std::shared_ptr<platform::HostFolderDrive> drive_;
  platform::ScopedDrive scoped_;
};

TEST_F(HostFilesTest, Dispositions) {
  struct Case {
    const char* what;
    const char* name;  // below the drive's root
    bool exists;       // a file "old" of 3 bytes is there beforehand
    std::uint32_t access;
    Disposition disposition;
    std::uint32_t error;       // 0: the open works
    const char* contentAfter;  // after writing nothing; null: no file
  };
  const Case cases[] = {
      {"create new, missing", "f", false, kGenericWrite, Disposition::kCreateNew, 0, ""},
      {"create new, existing", "f", true, kGenericWrite, Disposition::kCreateNew, 80, "old"},
      {"create always, missing", "f", false, kGenericWrite, Disposition::kCreateAlways, 0, ""},
      {"create always, existing", "f", true, kGenericWrite, Disposition::kCreateAlways, 0, ""},
      {"open existing, missing", "f", false, kGenericRead, Disposition::kOpenExisting, 2, nullptr},
      {"open existing, existing", "f", true, kGenericWrite, Disposition::kOpenExisting, 0, "old"},
      {"open always, missing", "f", false, kGenericRead, Disposition::kOpenAlways, 0, ""},
      {"open always, existing", "f", true, kGenericWrite, Disposition::kOpenAlways, 0, "old"},
      {"truncate existing, missing", "f", false, kGenericWrite, Disposition::kTruncateExisting, 2,
       nullptr},
      {"truncate existing, existing", "f", true, kGenericWrite, Disposition::kTruncateExisting, 0,
       ""},
      {"missing folder, open", "no\\f", false, kGenericRead, Disposition::kOpenExisting, 3,
       nullptr},
      {"missing folder, create", "no\\f", false, kGenericWrite, Disposition::kCreateAlways, 3,
       nullptr},
      {"missing folder, create new", "no\\f", false, kGenericWrite, Disposition::kCreateNew, 3,
       nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    unlink(Host("f").c_str());
    if (c.exists) WriteAll(Host("f"), "old");
    File file = platform::OpenFile(Card(c.name), c.access, c.disposition);
    EXPECT_EQ(file.IsOpen(), c.error == 0);
    EXPECT_EQ(platform::GetLastError(), c.error);
    file.Close();
    if (c.contentAfter) {
      EXPECT_EQ(ReadAll(Host("f")), c.contentAfter);
    } else {
      EXPECT_EQ(access(Host("f").c_str(), F_OK), -1);
    }
  }
}

TEST_F(HostFilesTest, ReadWriteSeekAndLength) {
  File file =
      platform::OpenFile(Card("data"), kGenericRead | kGenericWrite, Disposition::kCreateNew);
  ASSERT_TRUE(file.IsOpen());
  ASSERT_TRUE(file.WriteExact("0123456789", 10));

  std::uint64_t position = 99;
  ASSERT_TRUE(file.Seek(-4, platform::SeekOrigin::kCurrent, &position));
  EXPECT_EQ(position, 6u);
  char four[4];
  ASSERT_TRUE(file.ReadExact(four, 4));
  EXPECT_EQ(std::string(four, 4), "6789");

  // At the end, a read gives nothing; reading exactly fails with end of file.
  std::uint32_t done = 7;
  EXPECT_TRUE(file.Read(four, 4, &done));
  EXPECT_EQ(done, 0u);
  EXPECT_FALSE(file.ReadExact(four, 1));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorHandleEof);

  // Growing keeps the position and reads back as zeros; shrinking cuts.
  ASSERT_TRUE(file.Seek(2, platform::SeekOrigin::kBegin));
  ASSERT_TRUE(file.SetLength(16));
  ASSERT_TRUE(file.Seek(0, platform::SeekOrigin::kCurrent, &position));
  EXPECT_EQ(position, 2u);
  ASSERT_TRUE(file.Seek(0, platform::SeekOrigin::kEnd, &position));
  EXPECT_EQ(position, 16u);
  ASSERT_TRUE(file.SetLength(4));
  ASSERT_TRUE(file.Close());
  EXPECT_EQ(ReadAll(Host("data")), "0123");

  // Before the start is refused and the position stays.
  file = platform::OpenFile(Card("data"), kGenericRead, Disposition::kOpenExisting);
  ASSERT_TRUE(file.Seek(1, platform::SeekOrigin::kBegin));
  EXPECT_FALSE(file.Seek(-2, platform::SeekOrigin::kCurrent));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorNegativeSeek);
  ASSERT_TRUE(file.Seek(0, platform::SeekOrigin::kCurrent, &position));
  EXPECT_EQ(position, 1u);
}

TEST_F(HostFilesTest, PositionsBeyondFourGigabytes) {
  const std::uint64_t far = (5ULL << 30) + 3;  // past every 32-bit offset
  File file =
      platform::OpenFile(Card("sparse"), kGenericRead | kGenericWrite, Disposition::kCreateNew);
  ASSERT_TRUE(file.IsOpen());
  std::uint64_t position = 0;
  ASSERT_TRUE(file.Seek(static_cast<std::int64_t>(far), platform::SeekOrigin::kBegin, &position));
  EXPECT_EQ(position, far);
  ASSERT_TRUE(file.WriteExact("tail", 4));
  ASSERT_TRUE(file.Seek(0, platform::SeekOrigin::kEnd, &position));
  EXPECT_EQ(position, far + 4);
  ASSERT_TRUE(file.Seek(-4, platform::SeekOrigin::kEnd, &position));
  EXPECT_EQ(position, far);
  char back[4];
  ASSERT_TRUE(file.ReadExact(back, 4));
  EXPECT_EQ(std::string(back, 4), "tail");
}

// The container is created with the cache bypassed; buffers that the
// device cannot take directly still arrive whole.
TEST_F(HostFilesTest, UnbufferedWritesOfAnyBuffer) {
  std::vector<std::uint8_t> data(3 * 1024 * 1024 + 7);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i % 251);
  File file = platform::OpenFile(Card("direct"), kGenericWrite, Disposition::kCreateAlways,
                                 platform::kFlagNoBuffering);
  ASSERT_TRUE(file.IsOpen());
  ASSERT_TRUE(file.SetLength(4 * 1024 * 1024));
  ASSERT_TRUE(file.WriteExact(data.data() + 1, 2 * 1024 * 1024));  // misaligned memory
  ASSERT_TRUE(file.WriteExact(data.data() + 1 + 2 * 1024 * 1024, 1000));
  ASSERT_TRUE(file.Close());
  const std::string back = ReadAll(Host("direct"));
  ASSERT_EQ(back.size(), 4u * 1024 * 1024);
  EXPECT_TRUE(std::equal(data.begin() + 1, data.begin() + 1 + 2 * 1024 * 1024 + 1000,
                         reinterpret_cast<const std::uint8_t*>(back.data())));
}

// Read-only refuses writing, truncating and deleting, for root too, and the
// file is left as it was.
TEST_F(HostFilesTest, ReadOnlyFilesAreRefused) {
  struct Case {
    const char* what;
    std::uint32_t access;
    Disposition disposition;
  };
  const Case opens[] = {
      {"open for writing", kGenericWrite, Disposition::kOpenExisting},
      {"open for reading and writing", kGenericRead | kGenericWrite, Disposition::kOpenAlways},
      {"create always", kGenericWrite, Disposition::kCreateAlways},
      {"truncate, read access", kGenericRead, Disposition::kTruncateExisting},
  };
  WriteAll(Host("ro"), "keep me");
  ASSERT_TRUE(platform::SetAttributes(Card("ro"), platform::kAttributeReadOnly));
  for (const Case& c : opens) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(platform::OpenFile(Card("ro"), c.access, c.disposition).IsOpen());
    EXPECT_EQ(platform::GetLastError(), platform::kErrorAccessDenied);
  }
  EXPECT_FALSE(platform::RemoveFile(Card("ro")));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorAccessDenied);
  EXPECT_EQ(ReadAll(Host("ro")), "keep me");

  // Reading is fine; lifting the attribute makes the file writable again.
  EXPECT_TRUE(platform::OpenFile(Card("ro"), kGenericRead, Disposition::kOpenExisting).IsOpen());
  ASSERT_TRUE(platform::SetAttributes(Card("ro"), platform::kAttributeNormal));
  EXPECT_TRUE(platform::RemoveFile(Card("ro")));
  EXPECT_FALSE(platform::PathExists(Card("ro")));
}

TEST_F(HostFilesTest, AttributesReadBackAsSet) {
  using namespace platform;
  struct Case {
    std::uint32_t set;
    std::uint32_t read;
  };
  const Case cases[] = {
      {kAttributeReadOnly | kAttributeSystem, 5},
      {kAttributeReadOnly, kAttributeReadOnly},
      {kAttributeSystem, kAttributeSystem},
      {kAttributeHidden | kAttributeArchive, kAttributeHidden | kAttributeArchive},
      {kAttributeNormal, kAttributeNormal},
      {0, kAttributeNormal},
      {kAttributeReadOnly | kAttributeSystem, 5},  // from Normal back to protected
  };
  WriteAll(Host("a"), "x");
  EXPECT_EQ(GetAttributes(Card("a")), kAttributeNormal);
  for (const Case& c : cases) {
    ASSERT_TRUE(SetAttributes(Card("a"), c.set)) << c.set;
    EXPECT_EQ(GetAttributes(Card("a")), c.read) << c.set;
    // The attributes live with the file, not with this drive object.
    platform::HostFolderDrive other(dir_.path());
    std::uint32_t seen = 0;
    ASSERT_EQ(other.Files()->GetAttributes("a", &seen), 0u);
    EXPECT_EQ(seen, c.read) << c.set;
  }
  // Read-only on the host is the missing write permission.
  struct stat st {};
  ASSERT_EQ(stat(Host("a").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & S_IWUSR, 0u);

  ASSERT_TRUE(MakeFolder(Card("dir")));
  EXPECT_EQ(GetAttributes(Card("dir")) & kAttributeDirectory, kAttributeDirectory);
  EXPECT_EQ(GetAttributes(Card("missing")), kInvalidFileAttributes);
  EXPECT_EQ(GetLastError(), kErrorFileNotFound);
  EXPECT_FALSE(SetAttributes(Card("missing"), kAttributeNormal));
}

TEST_F(HostFilesTest, FoldersAndDeletion) {
  ASSERT_TRUE(platform::MakeFolder(Card("d")));
  EXPECT_FALSE(platform::MakeFolder(Card("d")));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorAlreadyExists);
  EXPECT_FALSE(platform::MakeFolder(Card("x\\y")));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorPathNotFound);

  WriteAll(Host("d/inside"), "1");
  EXPECT_FALSE(platform::RemoveFolder(Card("d")));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorDirNotEmpty);
  EXPECT_FALSE(platform::RemoveFile(Card("d")));  // a folder is no file
  EXPECT_EQ(platform::GetLastError(), platform::kErrorAccessDenied);
  EXPECT_FALSE(platform::OpenFile(Card("d"), kGenericRead, Disposition::kOpenExisting).IsOpen());
  EXPECT_EQ(platform::GetLastError(), platform::kErrorAccessDenied);

  EXPECT_TRUE(platform::RemoveFile(Card("d\\inside")));
  EXPECT_FALSE(platform::RemoveFile(Card("d\\inside")));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorFileNotFound);
  EXPECT_TRUE(platform::RemoveFolder(Card("d")));
  EXPECT_FALSE(platform::PathExists(Card("d")));
}

// Within one process a second open of an open file fails like any other
// program's open, and so does deleting it; closing releases it.
TEST_F(HostFilesTest, OpensAreExclusiveWithinTheProcess) {
  WriteAll(Host("x"), "x");
  File first = platform::OpenFile(Card("x"), kGenericRead, Disposition::kOpenExisting);
  ASSERT_TRUE(first.IsOpen());
  for (const std::uint32_t access : {kGenericRead, kGenericWrite}) {
    EXPECT_FALSE(platform::OpenFile(Card("x"), access, Disposition::kOpenExisting).IsOpen());
    EXPECT_EQ(platform::GetLastError(), platform::kErrorSharingViolation);
  }
  // Truncating an open file would cut it under the holder: refused, left whole.
  EXPECT_FALSE(platform::OpenFile(Card("x"), kGenericWrite, Disposition::kCreateAlways).IsOpen());
  EXPECT_EQ(platform::GetLastError(), platform::kErrorSharingViolation);
  EXPECT_EQ(ReadAll(Host("x")), "x");
  // The same file reached by its host path is the same file.
  EXPECT_FALSE(platform::OpenFile(Host("x"), kGenericRead, Disposition::kOpenExisting).IsOpen());
  EXPECT_FALSE(platform::RemoveFile(Card("x")));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorSharingViolation);

  first.Close();
  EXPECT_TRUE(platform::OpenFile(Card("x"), kGenericWrite, Disposition::kOpenExisting).IsOpen());
}

TEST_F(HostFilesTest, FreeSpaceCanBeLimitedForTests) {
  std::uint64_t realFree = 0;
  std::uint64_t total = 0;
  ASSERT_TRUE(platform::GetDiskFreeSpace("P:\\", &realFree, &total));
  ASSERT_GT(total, 0u);
  ASSERT_GT(realFree, 1000u);

  struct Case {
    std::optional<std::uint64_t> limit;
    std::uint64_t expected;
  };
  const Case cases[] = {
      {12345, 12345},
      {0, 0},
      {realFree * 4, realFree},  // a limit never adds space
      {std::nullopt, realFree},
  };
  for (const Case& c : cases) {
    drive_->folderFiles().LimitFreeBytes(c.limit);
    std::uint64_t freeBytes = 1;
    std::uint64_t totalNow = 0;
    ASSERT_TRUE(platform::GetDiskFreeSpace("P:\\", &freeBytes, &totalNow));
    // Other programs use the same disk meanwhile: allow some drift.
    if (c.limit && *c.limit < realFree) {
      EXPECT_EQ(freeBytes, c.expected);
    } else {
      EXPECT_NEAR(static_cast<double>(freeBytes), static_cast<double>(c.expected), 1e9);
    }
    EXPECT_EQ(totalNow, total);
  }
}

}  // namespace

namespace {

// One file reached through the drive letter and as a host path (a card's
// mount), a hard link, and two files of equal names in different case.
TEST_F(HostFilesTest, SameFileByIdentityAndFileSize) {
  WriteAll(Host("prog"), std::string(1234, 'x'));
  WriteAll(Host("Other"), "y");
  ASSERT_EQ(::link(Host("prog").c_str(), Host("linked").c_str()), 0);
  EXPECT_TRUE(platform::IsSameFile(Host("prog"), Card("prog")));
  EXPECT_TRUE(platform::IsSameFile(Card("linked"), Host("prog")));
  EXPECT_FALSE(platform::IsSameFile(Card("Other"), Host("prog")));
  EXPECT_FALSE(platform::IsSameFile(Card("missing"), Host("missing")));
  // Names that differ in case are two files here, whatever Windows would say.
  WriteAll(Host("other"), "z");
  EXPECT_FALSE(platform::IsSameFile(Card("other"), Card("Other")));

  std::uint64_t size = 0;
  EXPECT_TRUE(platform::GetFileSize(Card("prog"), &size));
  EXPECT_EQ(size, 1234u);
  EXPECT_FALSE(platform::GetFileSize(Card("missing"), &size));
}

}  // namespace
