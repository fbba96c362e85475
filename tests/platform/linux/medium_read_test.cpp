// The read-back past the page cache: O_DIRECT on a file system that offers
// it (ext4 under the temporary folder), the dropped cache on one that does
// not (tmpfs); either way the exact bytes of any range, aligned or not, and
// the end of the file said as such.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/errors.h"
#include "platform/posix/medium_read.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace {

TEST(ReadFromMedium, AnyRangeOnEitherPath) {
  const std::string content = testsupport::TestBytes(3 * 4096 + 1000, 11);
  testsupport::TempDir dir;
  std::vector<std::string> files = {dir.File("medium.bin")};
  if (std::filesystem::is_directory("/dev/shm")) files.push_back("/dev/shm/quillfen-medium.bin");
  struct Range {
    std::uint64_t offset;
    std::uint32_t count;
    std::uint32_t code;
  };
  const Range ranges[] = {
      {0, 4096, platform::kErrorSuccess},       {0, 512, platform::kErrorSuccess},
      {4095, 2, platform::kErrorSuccess},       {100, 9000, platform::kErrorSuccess},
      {12288, 1000, platform::kErrorSuccess},   {0, 13288, platform::kErrorSuccess},
      {12000, 2000, platform::kErrorHandleEof},
  };
  for (const std::string& file : files) {
    ASSERT_TRUE(testsupport::WriteHostFile(file, content));
    const int fd = open(file.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    for (const Range& r : ranges) {
      SCOPED_TRACE(file + " at " + std::to_string(r.offset) + " +" + std::to_string(r.count));
      std::string back(r.count, '\0');
      ASSERT_EQ(platform::ReadFromMedium(fd, r.offset, back.data(), r.count), r.code);
      if (r.code == platform::kErrorSuccess) {
        EXPECT_EQ(back, content.substr(r.offset, r.count));
      }
    }
    close(fd);
    if (file.rfind("/dev/shm/", 0) == 0) std::filesystem::remove(file);
  }
}

}  // namespace
