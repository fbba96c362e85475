// Raw access: opening drives, transfers with their notices, geometry and the
// size probe, on drives of our own in memory.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "driveaccess/direct_disk_access.h"
#include "fake_drive.h"
#include "platform/errors.h"
#include "recording_callback.h"

namespace {
using ddatest::AttachedFake;
using ddatest::CardOptions;
using ddatest::FakeDriveOptions;
using ddatest::FloppyOptions;
using ddatest::MakeCardDisk;
using ddatest::MakeFloppyDisk;
using ddatest::Notice;
using ddatest::RecordingCallback;

struct OpenCase {
  const char* name;
  char letter;  // the letter asked for; the drive sits at 'R'
  std::optional<FakeDriveOptions> drive;
  int expected;
  std::uint32_t systemError;  // 0: not checked
  const char* devicePath;     // on success
};

FakeDriveOptions WithType(FakeDriveOptions options, platform::DriveType type) {
  options.type = type;
  return options;
}
FakeDriveOptions WithoutNumber(FakeDriveOptions options) {
  options.deviceNumber.reset();
  return options;
}
FakeDriveOptions Denied(FakeDriveOptions options) {
  options.denyRaw = true;
  return options;
}

TEST(DirectDiskAccessOpen, ByDriveKindAndLetter) {
  const OpenCase cases[] = {
      {"floppy opens its volume", 'R', FloppyOptions(), 0, 0, "\\\\.\\R:"},
      {"lower-case letter", 'r', FloppyOptions(), 0, 0, "\\\\.\\R:"},
      {"card opens its whole disk", 'R', CardOptions(3), 0, 0, "\\\\.\\PhysicalDrive3"},
      {"fixed disk too", 'r', WithType(CardOptions(4), platform::DriveType::kFixed), 0, 0,
       "\\\\.\\PhysicalDrive4"},
      {"digit", '1', FloppyOptions(), DDA_ERR_INVALID_DRIVE, 0, nullptr},
      {"punctuation", '[', FloppyOptions(), DDA_ERR_INVALID_DRIVE, 0, nullptr},
      {"cd-rom", 'R', WithType(CardOptions(), platform::DriveType::kCdrom), DDA_ERR_DRIVE_TYPE, 0,
       nullptr},
      {"network", 'R', WithType(CardOptions(), platform::DriveType::kRemote), DDA_ERR_DRIVE_TYPE, 0,
       nullptr},
      {"ram disk", 'R', WithType(CardOptions(), platform::DriveType::kRamdisk), DDA_ERR_DRIVE_TYPE,
       0, nullptr},
      {"no drive at the letter", 'S', FloppyOptions(), DDA_ERR_DRIVE_INFO, 0, nullptr},
      {"unknown drive type", 'R', WithType(CardOptions(), platform::DriveType::kUnknown),
       DDA_ERR_DRIVE_INFO, 0, nullptr},
      {"no disk number", 'R', WithoutNumber(CardOptions()), DDA_ERR_NO_PHYSICAL_NAME, 0, nullptr},
      {"raw open refused", 'R', Denied(CardOptions()), DDA_ERR_ACCESS_DENIED,
       platform::kErrorAccessDenied, nullptr},
      {"floppy raw open refused", 'R', Denied(FloppyOptions()), DDA_ERR_ACCESS_DENIED,
       platform::kErrorAccessDenied, nullptr},
  };
  for (const OpenCase& c : cases) {
    SCOPED_TRACE(c.name);
    AttachedFake fake('R', *c.drive, MakeFloppyDisk(true));
    ASSERT_TRUE(fake.attached());
    CDirectDiskAccess access;
    EXPECT_EQ(access.Open(c.letter, false), c.expected);
    EXPECT_EQ(access.LastErrorCode(), c.expected);
    if (c.systemError) {
      EXPECT_EQ(access.LastSystemError(), c.systemError);
    }
    if (c.expected == 0) {
      EXPECT_EQ(access.DevicePath(), c.devicePath);
      EXPECT_EQ(access.IsOpen(), 0);
      EXPECT_TRUE(fake.disk().inUse);
    } else {
      EXPECT_EQ(access.IsOpen(), DDA_ERR_DRIVE_NOT_OPEN);
      EXPECT_EQ(access.LastErrorCode(), DDA_ERR_DRIVE_NOT_OPEN);
      EXPECT_FALSE(fake.disk().inUse);
    }
  }
}

TEST(DirectDiskAccessOpen, SecondOpenFailsAndFirstKeepsWorking) {
  AttachedFake fake('R', FloppyOptions(), MakeFloppyDisk(true));
  CDirectDiskAccess access;
  ASSERT_EQ(access.Open('R', false), 0);
  EXPECT_EQ(access.Open('R', false), DDA_ERR_ALREADY_OPEN);
  EXPECT_EQ(access.LastErrorCode(), DDA_ERR_ALREADY_OPEN);

  std::vector<std::uint8_t> sector(512);
  EXPECT_EQ(access.ReadSectors(sector.data(), 3, 1), 0);
  EXPECT_EQ(0, std::memcmp(sector.data(), fake.disk().bytes.data() + 3 * 512, 512));

  // The device is held exclusively: a second object cannot open it.
  CDirectDiskAccess other;
  EXPECT_EQ(other.Open('R', false), DDA_ERR_OPEN);
  EXPECT_EQ(other.LastSystemError(), platform::kErrorSharingViolation);

  access.CloseAfterReading();
  EXPECT_FALSE(fake.disk().inUse);
  EXPECT_EQ(other.Open('R', true), 0);
}

TEST(DirectDiskAccessOpen, CloseReportsAFlushThatFailed) {
  AttachedFake fake('R', CardOptions(), MakeCardDisk(1 << 20));
  fake.disk().flushError = platform::kErrorWriteFault;
  CDirectDiskAccess access;
  ASSERT_EQ(access.Open('R', false), 0);
  EXPECT_EQ(access.Close(), DDA_NO_ERROR) << "opened for reading: nothing to flush";
  ASSERT_EQ(access.Open('R', true), 0);
  EXPECT_EQ(access.Close(), DDA_ERR_FLUSH);
  EXPECT_EQ(access.LastErrorCode(), DDA_ERR_FLUSH);
  EXPECT_EQ(access.LastSystemError(), platform::kErrorWriteFault);
  EXPECT_FALSE(fake.disk().inUse) << "closed even so";
  EXPECT_EQ(access.Close(), DDA_NO_ERROR) << "nothing left to close";
}

TEST(DirectDiskAccessOpen, SectorsPerTrackFollowTheDrive) {
  AttachedFake fake('R', FloppyOptions(), MakeFloppyDisk(false));
  CDirectDiskAccess access;
  EXPECT_EQ(access.SectorsPerTrack(), 18u);
  ASSERT_EQ(access.Open('R', false), 0);
  EXPECT_EQ(access.SectorsPerTrack(), 9u);
  access.CloseAfterReading();

  // Without a readable geometry the open still succeeds, with 18.
  fake.disk().geometryError = platform::kErrorNotReady;
  ASSERT_EQ(access.Open('R', false), 0);
  EXPECT_EQ(access.SectorsPerTrack(), 18u);
  DriveGeometry geometry;
  EXPECT_EQ(access.GetGeometry(geometry), DDA_ERR_GEOMETRY);
  EXPECT_EQ(access.LastSystemError(), platform::kErrorNotReady);
}

struct TransferCase {
  const char* name;
  bool write;
  std::uint64_t count;
  std::uint32_t chunk;
  std::vector<Notice> notices;
  std::vector<std::uint32_t> deviceReads;  // request sizes the device saw
};

TEST(DirectDiskAccessTransfer, NoticesAndDeviceRequests) {
  const TransferCase cases[] = {
      {"nothing to read", false, 0, 512, {{'R', -1, 0}, {'P', -2, 0}}, {}},
      {"nothing to write", true, 0, 512, {{'P', -1, 0}, {'P', -2, 0}}, {}},
      {"short last chunk read through a whole sector",
       false,
       1000,
       512,
       {{'R', -1, 1}, {'R', 0, 1}, {'R', 1, 1}, {'P', -2, 1}},
       {512, 512}},
      {"short last chunk written as it is",
       true,
       1000,
       512,
       {{'P', -1, 1}, {'P', 0, 1}, {'P', 1, 1}, {'P', -2, 1}},
       {}},
      {"whole chunks",
       false,
       3 * 2048,
       2048,
       {{'R', -1, 3}, {'R', 0, 3}, {'R', 1, 3}, {'R', 2, 3}, {'P', -2, 3}},
       {2048, 2048, 2048}},
      {"one chunk smaller than a sector",
       false,
       100,
       2048,
       {{'R', -1, 0}, {'R', 0, 0}, {'P', -2, 0}},
       {512}},
  };
  for (const TransferCase& c : cases) {
    SCOPED_TRACE(c.name);
    AttachedFake fake('R', FloppyOptions(), MakeFloppyDisk(true));
    const ByteBuffer before = fake.disk().bytes;
    CDirectDiskAccess access;
    ASSERT_EQ(access.Open('R', c.write), 0);
    ASSERT_EQ(access.SetPosition(1024), 0);
    RecordingCallback callback;
    access.SetCallback(&callback);
    std::vector<std::uint8_t> buffer(c.count + 64, 0xA5);
    const int result = c.write ? access.Write(buffer.data(), c.count, c.chunk)
                               : access.Read(buffer.data(), c.count, c.chunk);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(callback.notices, c.notices);
    EXPECT_EQ(fake.disk().readSizes, c.deviceReads);
    if (c.write) {
      EXPECT_EQ(fake.disk().writes, c.count == 0 ? 0 : static_cast<int>(c.notices.size()) - 2);
      EXPECT_EQ(0, std::memcmp(fake.disk().bytes.data() + 1024, buffer.data(), c.count));
      EXPECT_EQ(fake.disk().bytes[1024 + c.count], before[1024 + c.count]);
    } else {
      EXPECT_EQ(0, std::memcmp(buffer.data(), before.data() + 1024, c.count));
      // Nothing is written behind the byte count, the bounce buffer included.
      EXPECT_EQ(buffer[c.count], 0xA5);
      std::uint64_t deviceBytes = 0;
      for (const std::uint32_t n : c.deviceReads) deviceBytes += n;
      EXPECT_EQ(access.GetPosition(), static_cast<std::int64_t>(1024 + deviceBytes));
    }
  }
}

TEST(DirectDiskAccessTransfer, StopRequestsAndFailures) {
  struct Case {
    const char* name;
    bool write;
    int stopAtState;
    int failRead;  // nth device read fails
    int expected;
    std::vector<Notice> notices;
    int deviceTransfers;
  };
  const Case cases[] = {
      {"read stopped before any data", false, -1, -1, DDA_ABORTED, {{'R', -1, 3}}, 0},
      {"write stopped before any data", true, -1, -1, DDA_ABORTED, {{'P', -1, 3}}, 0},
      {"read stopped before the second chunk",
       false,
       1,
       -1,
       DDA_ABORTED,
       {{'R', -1, 3}, {'R', 0, 3}, {'R', 1, 3}},
       1},
      {"failing second chunk",
       false,
       RecordingCallback::kNever,
       1,
       DDA_ERR_READ,
       {{'R', -1, 3}, {'R', 0, 3}, {'R', 1, 3}, {'P', -3, 2}},
       2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AttachedFake fake('R', FloppyOptions(), MakeFloppyDisk(true));
    const ByteBuffer before = fake.disk().bytes;
    fake.disk().failReadNumber = c.failRead;
    CDirectDiskAccess access;
    ASSERT_EQ(access.Open('R', c.write), 0);
    RecordingCallback callback;
    callback.stopAtState = c.stopAtState;
    access.SetCallback(&callback);
    std::vector<std::uint8_t> buffer(3 * 512, 0x11);
    const int result = c.write ? access.Write(buffer.data(), buffer.size(), 512)
                               : access.Read(buffer.data(), buffer.size(), 512);
    EXPECT_EQ(result, c.expected);
    EXPECT_EQ(access.LastErrorCode(), c.expected);
    EXPECT_EQ(callback.notices, c.notices);
    EXPECT_EQ(c.write ? fake.disk().writes : fake.disk().reads, c.deviceTransfers);
    EXPECT_EQ(fake.disk().bytes, before);
    if (c.failRead >= 0) {
      EXPECT_EQ(access.LastSystemError(), platform::kErrorCrc);
    }
    // A failed transfer leaves the device open for the caller to close.
    EXPECT_EQ(access.IsOpen(), 0);
  }
}

TEST(DirectDiskAccessTransfer, ClosedObject) {
  CDirectDiskAccess access;
  RecordingCallback callback;
  access.SetCallback(&callback);
  std::uint8_t buffer[1024] = {};
  EXPECT_EQ(access.Read(buffer, 512, 512), DDA_ERR_DRIVE_NOT_OPEN);
  EXPECT_EQ(access.ReadSectors(buffer, 0, 1), DDA_ERR_DRIVE_NOT_OPEN);
  EXPECT_EQ(access.WriteSectors(buffer, 0, 1), DDA_ERR_DRIVE_NOT_OPEN);
  EXPECT_TRUE(callback.notices.empty());
  EXPECT_EQ(access.SetPosition(0), DDA_ERR_SET_POSITION);
  EXPECT_EQ(access.GetPosition(), -1);
  DriveGeometry geometry;
  EXPECT_EQ(access.GetGeometry(geometry), DDA_ERR_DRIVE_NOT_OPEN);

  // Write has no handle check of its own: its first chunk fails.
  EXPECT_EQ(access.Write(buffer, 1024, 512), DDA_ERR_WRITE);
  const std::vector<Notice> expected = {{'P', -1, 2}, {'P', 0, 2}, {'P', -3, 1}};
  EXPECT_EQ(callback.notices, expected);
  EXPECT_EQ(access.LastSystemError(), platform::kErrorInvalidHandle);
}

TEST(DirectDiskAccessTransfer, RefusedAndShortTransfersAreFailures) {
  AttachedFake fake('R', FloppyOptions(), MakeFloppyDisk(true));
  std::vector<std::uint8_t> buffer(4096, 0);
  {
    CDirectDiskAccess access;
    ASSERT_EQ(access.Open('R', false), 0);
    EXPECT_EQ(access.Write(buffer.data(), 512, 512), DDA_ERR_WRITE);  // opened for reading
    EXPECT_EQ(access.Read(buffer.data(), 0, 0), DDA_ERR_READ);        // no chunk size
    EXPECT_EQ(access.Write(buffer.data(), 0, 0), DDA_ERR_WRITE);
  }
  // A device that returns what is left instead of failing at the end.
  fake.disk().failReadsPastEnd = false;
  CDirectDiskAccess access;
  ASSERT_EQ(access.Open('R', false), 0);
  const std::uint64_t size = fake.disk().bytes.size();
  ASSERT_EQ(access.SetPosition(size - 1024), 0);
  EXPECT_EQ(access.Read(buffer.data(), 2048, 2048), DDA_ERR_READ);
  EXPECT_EQ(access.LastSystemError(), platform::kErrorHandleEof);
  ASSERT_EQ(access.SetPosition(size - 1024), 0);
  EXPECT_EQ(access.Read(buffer.data(), 1024, 512), 0);
}

TEST(DirectDiskAccessTransfer, SectorsFollowTheSectorSize) {
  AttachedFake fake('R', CardOptions(), MakeCardDisk(1 << 20));
  CDirectDiskAccess access;
  ASSERT_EQ(access.Open('R', true), 0);
  RecordingCallback callback;
  access.SetCallback(&callback);
  std::vector<std::uint8_t> data(3 * 512);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i % 251);
  EXPECT_EQ(access.WriteSectors(data.data(), 2, 3), 0);
  EXPECT_EQ(0, std::memcmp(fake.disk().bytes.data() + 1024, data.data(), data.size()));
  EXPECT_EQ(fake.disk().writes, 3);  // one sector per chunk

  access.SetSectorSize(2048);
  std::vector<std::uint8_t> back(2048);
  EXPECT_EQ(access.ReadSectors(back.data(), 0, 1), 0);
  EXPECT_EQ(0, std::memcmp(back.data() + 1024, data.data(), 1024));
  EXPECT_EQ(fake.disk().readSizes, std::vector<std::uint32_t>{2048});
}

struct GeometryCase {
  const char* name;
  std::shared_ptr<ddatest::MemoryDisk> disk;
  std::uint64_t expectedSectors;
  int expected;
};

std::shared_ptr<ddatest::MemoryDisk> Adjust(std::shared_ptr<ddatest::MemoryDisk> disk,
                                            void (*change)(ddatest::MemoryDisk&)) {
  change(*disk);
  return disk;
}

// A card 7 MiB and 3 sectors longer than its cylinder-rounded geometry of
// 5 cylinders of 255 x 63 sectors.
constexpr std::uint64_t kCylinderBytes = 255 * 63 * 512;
constexpr std::uint64_t kCardBytes = 5 * kCylinderBytes + 7 * 1024 * 1024 + 3 * 512;
constexpr std::uint64_t kGeometryProduct = ~std::uint64_t{0};

TEST(DirectDiskAccessGeometry, SizeByMediaAndQueries) {
  const GeometryCase cases[] = {
      {"floppy keeps its geometry product", MakeFloppyDisk(true), 2880, 0},
      {"card uses its partition length", MakeCardDisk(kCardBytes), kCardBytes / 512, 0},
      {"card without partition length is measured by reading",
       Adjust(MakeCardDisk(kCardBytes), [](ddatest::MemoryDisk& d) { d.partitionLength.reset(); }),
       kCardBytes / 512, 0},
      {"measured on a device that reads short at the end",
       Adjust(MakeCardDisk(kCardBytes),
              [](ddatest::MemoryDisk& d) {
                d.partitionLength.reset();
                d.failReadsPastEnd = false;
              }),
       kCardBytes / 512, 0},
      {"fixed media are measured too",
       Adjust(MakeCardDisk(kCardBytes),
              [](ddatest::MemoryDisk& d) {
                d.partitionLength.reset();
                d.geometry.mediaType = platform::MediaType::kFixedMedia;
              }),
       kCardBytes / 512, 0},
      {"a partition shorter than the geometry is not believed",
       Adjust(MakeCardDisk(kCardBytes),
              [](ddatest::MemoryDisk& d) { d.partitionLength = std::uint64_t{512}; }),
       kCardBytes / 512, 0},
      {"floppy media are never measured",
       Adjust(MakeCardDisk(kCardBytes),
              [](ddatest::MemoryDisk& d) {
                d.partitionLength.reset();
                d.geometry.mediaType = platform::MediaType::kF3_1Pt44_512;
              }),
       kGeometryProduct, 0},
      {"no geometry",
       Adjust(MakeFloppyDisk(true),
              [](ddatest::MemoryDisk& d) { d.geometryError = platform::kErrorCrc; }),
       0, DDA_ERR_GEOMETRY},
      {"zero bytes per sector",
       Adjust(MakeFloppyDisk(true), [](ddatest::MemoryDisk& d) { d.geometry.bytesPerSector = 0; }),
       0, DDA_ERR_GEOMETRY},
  };
  for (const GeometryCase& c : cases) {
    SCOPED_TRACE(c.name);
    AttachedFake fake('R', CardOptions(), c.disk);
    CDirectDiskAccess access;
    ASSERT_EQ(access.Open('R', false), 0);
    ASSERT_EQ(access.SetPosition(4096), 0);
    DriveGeometry geometry;
    EXPECT_EQ(access.GetGeometry(geometry), c.expected);
    if (c.expected != 0) continue;
    const platform::DiskGeometry& g = c.disk->geometry;
    EXPECT_EQ(geometry.totalSectors, c.expectedSectors == kGeometryProduct
                                         ? g.cylinders * g.tracksPerCylinder * g.sectorsPerTrack
                                         : c.expectedSectors);
    EXPECT_EQ(geometry.bytesPerSector, 512u);
    EXPECT_EQ(geometry.sectorsPerTrack, c.disk->geometry.sectorsPerTrack);
    // The probe puts the position back.
    EXPECT_EQ(access.GetPosition(), 4096);
  }
}

TEST(DirectDiskAccessGeometry, ProbeReadsMebibytesThenSectorsOnlyAtTheEnd) {
  AttachedFake fake('R', CardOptions(), MakeCardDisk(kCardBytes));
  fake.disk().partitionLength.reset();
  CDirectDiskAccess access;
  ASSERT_EQ(access.Open('R', false), 0);
  DriveGeometry geometry;
  ASSERT_EQ(access.GetGeometry(geometry), 0);
  // From the geometry product to the end: 1 MiB reads until one fails (the
  // eighth), then single sectors up to the failing fourth.
  const std::vector<std::uint32_t>& sizes = fake.disk().readSizes;
  std::size_t big = 0;
  while (big < sizes.size() && sizes[big] == 1024 * 1024) ++big;
  EXPECT_EQ(big, 8u);
  EXPECT_EQ(sizes.size() - big, 4u);
  for (std::size_t i = big; i < sizes.size(); ++i) EXPECT_EQ(sizes[i], 512u);
}

}  // namespace
