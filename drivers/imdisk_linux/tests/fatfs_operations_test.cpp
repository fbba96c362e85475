// quillfen-fatfs's file operations on a volume in memory, without FUSE: what
// the kernel's calls do to the volume, the errno values they give, and open
// files that stay usable while their entry moves or the mount ends.
#include <gtest/gtest.h>

#include <fcntl.h>

#include <cerrno>
#include <memory>
#include <string>

#include "base/clock.h"
#include "fat/dir_entry.h"
#include "fat/format.h"
#include "fat/sector_device.h"
#include "fat/volume.h"
#include "imdisk_linux/fatfs_mapping.h"
#include "imdisk_linux/fatfs_operations.h"

namespace {
using fatfs::FatfsOperations;

constexpr uid_t kOwner = 1000;
constexpr gid_t kGroup = 1001;
const platform::LocalTime kNow{2024, 5, 17, 14, 30, 20, 0};

class FatfsOperationsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fat::FormatFloppy(device_, true, "QUILLFEN", 0x12345678).ok());
    Mount(true);
  }

  void Mount(bool writable) {
    ops_.reset();
    volume_.reset();
    fat::Status status;
    volume_ = fat::Volume::Mount(device_, writable, &status);
    ASSERT_TRUE(volume_) << status.message;
    ops_ = std::make_unique<FatfsOperations>(*volume_, kOwner, kGroup);
  }

  // Creates the file with the content and closes it; 0 or a negative errno.
  int Put(const std::string& path, const std::string& content, mode_t mode = 0644) {
    std::uint64_t h = 0;
    if (const int error = ops_->Create(path, mode, &h)) return error;
    const int written = ops_->Write(h, content.data(), content.size(), 0);
    const int released = ops_->Release(h);
    return written < 0 ? written : released;
  }

  std::string Get(const std::string& path) {
    std::uint64_t h = 0;
    if (ops_->Open(path, O_RDONLY, &h) != 0) return "<cannot open>";
    std::string content(100000, '\0');
    const int n = ops_->Read(h, content.data(), content.size(), 0);
    ops_->Release(h);
    return n < 0 ? "<cannot read>" : content.substr(0, static_cast<std::size_t>(n));
  }

  std::string ShortName(const std::string& path) {
    fat::DirEntryInfo info;
    return volume_->Stat(path, &info).ok() ? info.shortName : "<none>";
  }

  platform::ScopedFixedLocalTime clock_{kNow};
  fat::MemorySectorDevice device_{2880};
  std::unique_ptr<fat::Volume> volume_;
  std::unique_ptr<FatfsOperations> ops_;
};

TEST_F(FatfsOperationsTest, FilesGetWindowsShortNamesAndTheClocksDate) {
  ASSERT_EQ(Put("/NOTES.TXT", "notes\n"), 0);
  ASSERT_EQ(Put("/Long Name.txt", "long\n"), 0);
  ASSERT_EQ(Put("/Long Name 2.txt", "second\n"), 0);
  ASSERT_EQ(ops_->Mkdir("/Sub Folder"), 0);
  ASSERT_EQ(Put("/Sub Folder/inner.dat", "inner"), 0);
  EXPECT_EQ(ShortName("/NOTES.TXT"), "NOTES.TXT");
  EXPECT_EQ(ShortName("/Long Name.txt"), "LONGNA~1.TXT");
  EXPECT_EQ(ShortName("/Long Name 2.txt"), "LONGNA~2.TXT");
  EXPECT_EQ(ShortName("/Sub Folder"), "SUBFOL~1");
  EXPECT_EQ(Get("/Sub Folder/inner.dat"), "inner");

  std::vector<std::string> names;
  ASSERT_EQ(ops_->ReadDir("/", &names), 0);
  EXPECT_EQ(names, (std::vector<std::string>{"NOTES.TXT", "Long Name.txt", "Long Name 2.txt",
                                             "Sub Folder"}));

  struct stat st {};
  ASSERT_EQ(ops_->GetAttr("/Long Name.txt", &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0644u);
  EXPECT_EQ(st.st_size, 5);
  EXPECT_EQ(st.st_uid, kOwner);
  EXPECT_EQ(st.st_gid, kGroup);
  EXPECT_EQ(st.st_blocks, 1);  // one cluster of 512 bytes
  // DOS stamps hold local time in 2-second steps.
  platform::LocalTime stamped = kNow;
  stamped.second = 20;
  EXPECT_EQ(st.st_mtime, fatfs::TimeFromLocal(stamped));
  std::tm local{};
  localtime_r(&st.st_mtime, &local);
  EXPECT_EQ(local.tm_mon + 1, 5) << "the month is not the clock's";
  EXPECT_EQ(local.tm_mday, 17);
  ASSERT_EQ(ops_->GetAttr("/Sub Folder", &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));

  struct statvfs fs {};
  ASSERT_EQ(ops_->StatFs(&fs), 0);
  EXPECT_EQ(fs.f_bsize, 512u);
  EXPECT_EQ(fs.f_blocks, volume_->TotalBytes() / 512);
  EXPECT_EQ(fs.f_bfree, volume_->FreeClusters());
}

TEST_F(FatfsOperationsTest, RenameReplacesAsRenameDoesAndRefusesWhatItMustNot) {
  ASSERT_EQ(Put("/a.txt", "a"), 0);
  ASSERT_EQ(Put("/b.txt", "b"), 0);
  ASSERT_EQ(ops_->Mkdir("/full"), 0);
  ASSERT_EQ(Put("/full/x", "x"), 0);
  ASSERT_EQ(ops_->Mkdir("/empty"), 0);
  ASSERT_EQ(ops_->Mkdir("/dir"), 0);

  EXPECT_EQ(ops_->Rename("/a.txt", "/b.txt"), 0);  // a file over a file
  EXPECT_EQ(Get("/b.txt"), "a");
  struct stat st {};
  EXPECT_EQ(ops_->GetAttr("/a.txt", &st), -ENOENT);
  EXPECT_EQ(ops_->Rename("/b.txt", "/full"), -EISDIR);
  EXPECT_EQ(ops_->Rename("/dir", "/b.txt"), -ENOTDIR);
  EXPECT_EQ(ops_->Rename("/dir", "/full"), -ENOTEMPTY);
  EXPECT_EQ(ops_->Rename("/dir", "/empty"), 0);  // a folder over an empty folder
  EXPECT_EQ(ShortName("/dir"), "<none>");
  EXPECT_EQ(ShortName("/empty"), "EMPTY");
  // A folder does not move into itself, and nothing is removed in trying.
  ASSERT_EQ(ops_->Mkdir("/full/inner"), 0);
  EXPECT_EQ(ops_->Rename("/full", "/full/inner"), -EINVAL);
  EXPECT_EQ(ShortName("/full/inner"), "INNER");
  // A new spelling of the same name is a rename, not a replacement.
  EXPECT_EQ(ops_->Rename("/b.txt", "/B.TXT"), 0);
  EXPECT_EQ(Get("/B.TXT"), "a");
  EXPECT_EQ(ops_->Rename("/missing", "/c"), -ENOENT);
  EXPECT_EQ(ops_->Rename("/B.TXT", "/nowhere/c"), -ENOENT);
  EXPECT_EQ(Get("/B.TXT"), "a");
}

TEST_F(FatfsOperationsTest, OpenFilesStayUsableWhileTheirEntryMoves) {
  std::uint64_t h = 0;
  ASSERT_EQ(ops_->Create("/open.txt", 0644, &h), 0);
  ASSERT_EQ(ops_->Write(h, "one ", 4, 0), 4);
  ASSERT_EQ(ops_->Mkdir("/sub"), 0);
  ASSERT_EQ(ops_->Rename("/open.txt", "/sub/Moved File.txt"), 0);
  ASSERT_EQ(ops_->Write(h, "two", 3, 4), 3);
  // A second rename, as the kernel hides a file still open that is unlinked.
  ASSERT_EQ(ops_->Rename("/sub/Moved File.txt", "/sub/.hidden"), 0);
  char back[16] = {};
  EXPECT_EQ(ops_->Read(h, back, sizeof back, 0), 7);
  EXPECT_EQ(std::string(back, 7), "one two");
  EXPECT_EQ(ops_->Release(h), 0);
  EXPECT_EQ(Get("/sub/.hidden"), "one two");
  EXPECT_EQ(ops_->Unlink("/sub/.hidden"), 0);

  // Made read-only at its creation, it still takes writes through the
  // descriptor it was made with, also after a move.
  ASSERT_EQ(ops_->Create("/ro.txt", 0444, &h), 0);
  ASSERT_EQ(ops_->Write(h, "kept", 4, 0), 4);
  ASSERT_EQ(ops_->Rename("/ro.txt", "/ro2.txt"), 0);
  EXPECT_EQ(ops_->Write(h, "!", 1, 4), 1);
  EXPECT_EQ(ops_->Release(h), 0);
  EXPECT_EQ(Get("/ro2.txt"), "kept!");
  std::uint8_t attributes = 0;
  ASSERT_TRUE(volume_->GetAttributes("/ro2.txt", &attributes).ok());
  EXPECT_NE(attributes & fat::attr::kReadOnly, 0);
  EXPECT_EQ(ops_->OpenHandles(), 0u);
}

TEST_F(FatfsOperationsTest, ErrorsComeAsTheErrnoValuesFileCallsExpect) {
  std::uint64_t h = 0;
  EXPECT_EQ(ops_->Open("/missing.txt", O_RDONLY, &h), -ENOENT);
  EXPECT_EQ(ops_->Open("/no/where.txt", O_RDONLY, &h), -ENOENT);
  ASSERT_EQ(ops_->Mkdir("/dir"), 0);
  EXPECT_EQ(ops_->Mkdir("/dir"), -EEXIST);
  EXPECT_EQ(ops_->Mkdir("/DIR"), -EEXIST);  // names compare without case
  EXPECT_EQ(ops_->Open("/dir", O_RDONLY, &h), -EISDIR);
  EXPECT_EQ(ops_->Unlink("/dir"), -EISDIR);
  ASSERT_EQ(Put("/dir/file", "x"), 0);
  EXPECT_EQ(ops_->Rmdir("/dir"), -ENOTEMPTY);
  EXPECT_EQ(ops_->Rmdir("/dir/file"), -ENOTDIR);
  EXPECT_EQ(ops_->Create("/bad?name", 0644, &h), -EINVAL);
  EXPECT_EQ(ops_->Read(999, nullptr, 0, 0), -EBADF);

  // The read-only attribute is the owner's write permission.
  EXPECT_EQ(ops_->Chmod("/dir/file", 0444), 0);
  struct stat st {};
  ASSERT_EQ(ops_->GetAttr("/dir/file", &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
  EXPECT_EQ(ops_->Open("/dir/file", O_WRONLY, &h), -EACCES);
  EXPECT_EQ(ops_->Truncate("/dir/file", 0), -EACCES);
  EXPECT_EQ(ops_->Unlink("/dir/file"), -EACCES);
  EXPECT_EQ(ops_->Chmod("/dir/file", 0644), 0);
  EXPECT_EQ(ops_->Truncate("/dir/file", 3000), 0);
  ASSERT_EQ(ops_->GetAttr("/dir/file", &st), 0);
  EXPECT_EQ(st.st_size, 3000);
  EXPECT_EQ(ops_->Chmod("/", 0555), 0);

  // FAT keeps no owner and no times but those it stamps itself.
  EXPECT_EQ(ops_->Chown("/dir/file", kOwner, static_cast<gid_t>(-1)), 0);
  EXPECT_EQ(ops_->Chown("/dir/file", 0, kGroup), -EPERM);
  EXPECT_EQ(ops_->Utimens("/dir/file"), 0);
  EXPECT_EQ(ops_->Utimens("/gone"), -ENOENT);

  // A full volume, and a file beyond what FAT holds.
  ASSERT_EQ(ops_->Create("/big", 0644, &h), 0);
  const std::string chunk(65536, 'z');
  int result = 0;
  for (off_t at = 0; result >= 0 && at < 4 * 1024 * 1024; at += 65536) {
    result = ops_->Write(h, chunk.data(), chunk.size(), at);
  }
  EXPECT_EQ(result, -ENOSPC);
  EXPECT_EQ(ops_->Ftruncate(h, 0), 0);
  EXPECT_EQ(ops_->Write(h, "x", 1, 0xFFFFFFFFll), -EFBIG);
  EXPECT_EQ(ops_->Release(h), 0);

  // A read-only mount refuses every change.
  Mount(false);
  EXPECT_EQ(ops_->Open("/dir/file", O_RDWR, &h), -EROFS);
  EXPECT_EQ(ops_->Create("/new", 0644, &h), -EROFS);
  EXPECT_EQ(ops_->Mkdir("/new"), -EROFS);
  EXPECT_EQ(ops_->Unlink("/dir/file"), -EROFS);
  struct statvfs fs {};
  ASSERT_EQ(ops_->StatFs(&fs), 0);
  EXPECT_NE(fs.f_flag & ST_RDONLY, 0u);
}

TEST_F(FatfsOperationsTest, TheEndOfTheMountWritesWhatIsStillOpen) {
  std::uint64_t h = 0;
  ASSERT_EQ(ops_->Create("/unclosed.bin", 0644, &h), 0);
  const std::string content(5000, 'q');
  ASSERT_EQ(ops_->Write(h, content.data(), content.size(), 0), 5000);
  EXPECT_EQ(ops_->Destroy(), 0);
  EXPECT_EQ(ops_->OpenHandles(), 0u);
  EXPECT_EQ(ops_->Read(h, nullptr, 0, 0), -EBADF);
  // What a fresh mount of the device finds.
  Mount(true);
  EXPECT_EQ(Get("/unclosed.bin"), content);
}

TEST(FatfsMappingTest, ModesTimesAndPaths) {
  EXPECT_EQ(fatfs::ModeFromAttributes(fat::attr::kArchive), S_IFREG | 0644u);
  EXPECT_EQ(fatfs::ModeFromAttributes(fat::attr::kReadOnly | fat::attr::kSystem), S_IFREG | 0444u);
  EXPECT_EQ(fatfs::ModeFromAttributes(fat::attr::kDirectory), S_IFDIR | 0755u);
  // Only the owner's write bit counts; the other attributes stay.
  EXPECT_EQ(fatfs::AttributesWithMode(fat::attr::kSystem | fat::attr::kArchive, 0555),
            fat::attr::kSystem | fat::attr::kArchive | fat::attr::kReadOnly);
  EXPECT_EQ(fatfs::AttributesWithMode(fat::attr::kReadOnly | fat::attr::kHidden, 0200),
            fat::attr::kHidden);
  EXPECT_EQ(fatfs::AttributesWithMode(fat::attr::kReadOnly, 0066), fat::attr::kReadOnly);

  // Local time in, the same local time out, in summer and in winter.
  for (const platform::LocalTime& t : {platform::LocalTime{2024, 7, 31, 23, 59, 58, 0},
                                       platform::LocalTime{1980, 1, 1, 0, 0, 0, 0},
                                       platform::LocalTime{2099, 12, 1, 12, 0, 0, 0}}) {
    const std::time_t seconds = fatfs::TimeFromLocal(t);
    std::tm back{};
    ASSERT_NE(localtime_r(&seconds, &back), nullptr);
    EXPECT_EQ(back.tm_year + 1900, t.year);
    EXPECT_EQ(back.tm_mon + 1, t.month);
    EXPECT_EQ(back.tm_mday, t.day);
    EXPECT_EQ(back.tm_hour, t.hour);
    EXPECT_EQ(back.tm_min, t.minute);
    EXPECT_EQ(back.tm_sec, t.second);
  }

  const std::pair<const char*, const char*> parents[] = {
      {"/a/b/c", "/a/b"}, {"/a", "/"}, {"/", "/"}, {"/a b/c d/", "/a b"}, {"", "/"}};
  for (const auto& [path, parent] : parents) EXPECT_EQ(fatfs::ParentPath(path), parent) << path;
}

}  // namespace
