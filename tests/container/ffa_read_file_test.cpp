// Reading a whole input file: only plain files, and their length is known
// and checked before any of it is read.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <limits>
#include <string>

#include "container/ffa_store.h"
#include "platform/errors.h"
#include "support/temp_dir.h"

namespace {

TEST(FfaReadFileTest, OnlyPlainFilesOfAnAllowedLength) {
  testsupport::TempDir dir;
  const std::string small = dir.File("small.bin");
  std::ofstream(small, std::ios::binary) << std::string(100, 'q');
  const std::string pipe = dir.File("pipe");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  const std::string huge = dir.File("huge.bin");
  std::ofstream(huge).close();
  ASSERT_EQ(truncate(huge.c_str(), static_cast<off_t>(5ull << 30)), 0);
  constexpr std::uint64_t kAny = std::numeric_limits<std::uint64_t>::max();

  struct Case {
    const char* what;
    std::string path;
    std::uint64_t maxBytes;
    std::uint32_t error;  // 0: read
  };
  const Case cases[] = {
      {"plain file", small, 100, 0},
      {"one byte too long", small, 99, platform::kErrorFileTooLarge},
      {"5 GiB", huge, kAny, platform::kErrorFileTooLarge},
      {"device", "/dev/zero", kAny, platform::kErrorBadFileType},
      {"pipe without a writer", pipe, kAny, platform::kErrorBadFileType},
      {"folder", dir.path(), kAny, platform::kErrorAccessDenied},
      {"missing", dir.File("missing.bin"), kAny, platform::kErrorFileNotFound},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ByteBuffer bytes(3, 0x77);
    platform::SetLastError(0);
    const bool read = FfaReadFile(c.path, bytes, c.maxBytes);
    EXPECT_EQ(read, c.error == 0);
    if (read) {
      EXPECT_EQ(bytes, ByteBuffer(100, 'q'));
    } else {
      EXPECT_EQ(platform::GetLastError(), c.error);
      EXPECT_EQ(bytes, ByteBuffer(3, 0x77)) << "nothing read";
    }
  }
}

}  // namespace
