// Whole floppy disks copied into memory and back.
#include <gtest/gtest.h>

#include <vector>

#include "driveaccess/dda_error_codes.h"
#include "driveaccess/disk_image.h"
#include "fake_drive.h"
#include "platform/errors.h"
#include "recording_callback.h"

namespace {
using ddatest::AttachedFake;
using ddatest::FloppyOptions;
using ddatest::MakeFloppyDisk;
using ddatest::Notice;
using ddatest::RecordingCallback;

std::vector<Notice> WholeDiskNotices(char via, int chunks) {
  std::vector<Notice> notices = {{via, -1, chunks}};
  for (int i = 0; i < chunks; ++i) notices.push_back({via, i, chunks});
  notices.push_back({'P', -2, chunks});
  return notices;
}

TEST(DiskImage, ReadsTheWholeDiskInSixteenKibChunks) {
  struct Case {
    bool highDensity;
    int chunks;
  };
  for (const Case c : {Case{true, 90}, Case{false, 45}}) {
    AttachedFake fake('B', FloppyOptions(1), MakeFloppyDisk(c.highDensity));
    RecordingCallback callback;
    CDiskImage image;
    image.Bytes().assign(10, 0xEE);  // replaced, not appended to
    EXPECT_EQ(image.ReadFromDrive('b', &callback), 0);
    EXPECT_EQ(image.Bytes(), fake.disk().bytes);
    EXPECT_EQ(callback.notices, WholeDiskNotices('R', c.chunks));
    EXPECT_FALSE(fake.disk().inUse);  // closed again
  }
}

TEST(DiskImage, WritesAnImageOfTheDisksSize) {
  AttachedFake fake('A', FloppyOptions(), MakeFloppyDisk(true));
  CDiskImage image;
  image.Bytes().resize(1474560);
  for (std::size_t i = 0; i < image.Size(); ++i) image.Bytes()[i] = static_cast<std::uint8_t>(i);
  RecordingCallback callback;
  EXPECT_EQ(image.WriteToDrive('A', &callback), 0);
  EXPECT_EQ(fake.disk().bytes, image.Bytes());
  std::vector<Notice> expected = WholeDiskNotices('P', 90);
  EXPECT_EQ(callback.notices, expected);
  EXPECT_FALSE(fake.disk().inUse);
}

TEST(DiskImage, WrongSizeOrDriveWritesNothing) {
  struct Case {
    const char* name;
    std::size_t imageSize;
    bool denyRaw;
    char letter;
    int expected;
  };
  const Case cases[] = {
      {"720 KB image onto a 1.44 MB disk", 737280, false, 'A', DDA_ERR_WRONG_FLOPPY_SIZE},
      {"empty image", 0, false, 'A', DDA_ERR_WRONG_FLOPPY_SIZE},
      {"no raw rights", 1474560, true, 'A', DDA_ERR_ACCESS_DENIED},
      {"no drive", 1474560, false, 'Q', DDA_ERR_DRIVE_INFO},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ddatest::FakeDriveOptions options = FloppyOptions();
    options.denyRaw = c.denyRaw;
    AttachedFake fake('A', options, MakeFloppyDisk(true));
    const ByteBuffer before = fake.disk().bytes;
    CDiskImage image;
    image.Bytes().assign(c.imageSize, 0x5A);
    RecordingCallback callback;
    EXPECT_EQ(image.WriteToDrive(c.letter, &callback), c.expected);
    EXPECT_EQ(fake.disk().writes, 0);
    EXPECT_EQ(fake.disk().bytes, before);
    EXPECT_TRUE(callback.notices.empty());
    EXPECT_FALSE(fake.disk().inUse);  // the device is given back on every path
  }
}

TEST(DiskImage, ReadFailureKeepsItsCode) {
  AttachedFake fake('A', FloppyOptions(), MakeFloppyDisk(true));
  fake.disk().failReadNumber = 10;
  CDiskImage image;
  EXPECT_EQ(image.ReadFromDrive('A', nullptr), DDA_ERR_READ);
  EXPECT_FALSE(fake.disk().inUse);

  fake.disk().geometryError = platform::kErrorNotReady;  // no disk in the drive
  EXPECT_EQ(image.ReadFromDrive('A', nullptr), DDA_ERR_GEOMETRY);
}

}  // namespace
