// Boot sector layout, volume names and the sector where a file starts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "driveaccess/file_placement.h"
#include "driveaccess/physical_drive.h"
#include "driveaccess/volume_layout.h"
#include "fake_drive.h"
#include "platform/errors.h"

namespace {
using ddatest::AttachedFake;
using ddatest::BootSectorFields;
using ddatest::CardOptions;
using ddatest::MakeBootSector;
using ddatest::MakeCardDisk;
using ClusterRun = platform::IVolumeFiles::ClusterRun;

// A FAT16 volume of 512-byte sectors, 4 sectors a cluster, 4 reserved
// sectors, 2 FATs of 200 sectors and 512 root entries.
BootSectorFields Fat16(std::uint32_t hidden) {
  BootSectorFields f;
  f.hiddenSectors = hidden;
  f.fatSize16 = 200;
  f.totalSectors16 = 0;
  f.totalSectors32 = 4 + 400 + 32 + 4 * 40000;
  return f;
}

// Total sectors for exactly `clusters` clusters of one sector.
BootSectorFields WithClusters(std::uint32_t clusters) {
  BootSectorFields f;
  f.sectorsPerCluster = 1;
  f.reservedSectors = 1;
  f.fatSize16 = 0;
  f.fatSize32 = 300;
  f.totalSectors32 = 1 + 2 * 300 + 32 + clusters;
  return f;
}

BootSectorFields Jump(std::uint8_t jump0, std::uint8_t jump2) {
  BootSectorFields f = Fat16(0);
  f.jump0 = jump0;
  f.jump2 = jump2;
  return f;
}

template <typename Change>
BootSectorFields Changed(BootSectorFields f, Change change) {
  change(f);
  return f;
}

TEST(VolumeLayoutParse, AcceptsFatBootSectorsOnly) {
  struct Case {
    const char* name;
    BootSectorFields fields;
    bool accepted;
    std::uint32_t kind;
  };
  const Case cases[] = {
      {"FAT16 card volume", Fat16(63), true, VOLUME_KIND_FAT16},
      {"4084 clusters are FAT12", WithClusters(4084), true, VOLUME_KIND_FAT12},
      {"4085 clusters are FAT16", WithClusters(4085), true, VOLUME_KIND_FAT16},
      {"65524 clusters are FAT16", WithClusters(65524), true, VOLUME_KIND_FAT16},
      {"65525 clusters are FAT32", WithClusters(65525), true, VOLUME_KIND_FAT32},
      {"0xE9 jump, any byte 2", Jump(0xE9, 0x00), true, VOLUME_KIND_FAT16},
      {"0xEB jump without 0x90", Jump(0xEB, 0x00), false, 0},
      {"no jump", Jump(0x00, 0x90), false, 0},
      {"no signature", Changed(Fat16(0), [](auto& f) { f.signature = 0x55AA; }), false, 0},
      {"0 bytes per sector", Changed(Fat16(0), [](auto& f) { f.bytesPerSector = 0; }), false, 0},
      {"0 sectors per cluster", Changed(Fat16(0), [](auto& f) { f.sectorsPerCluster = 0; }), false,
       0},
      {"FATs larger than the volume", Changed(Fat16(0), [](auto& f) { f.totalSectors32 = 300; }),
       false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ByteBuffer sector = MakeBootSector(c.fields);
    VolumeLayout layout;
    EXPECT_EQ(ParseFatBootSector(sector.data(), layout), c.accepted);
    EXPECT_EQ(layout.fileSystemKind, c.kind);
  }
}

TEST(VolumeLayoutParse, DerivedFields) {
  const ByteBuffer sector = MakeBootSector(Fat16(63));
  VolumeLayout layout;
  ASSERT_TRUE(ParseFatBootSector(sector.data(), layout));
  EXPECT_EQ(layout.bytesPerSector, 512u);
  EXPECT_EQ(layout.sectorsPerCluster, 4u);
  EXPECT_EQ(layout.totalSectors, 4u + 400 + 32 + 160000);
  EXPECT_EQ(layout.rootDirectorySectors, 32u);
  EXPECT_EQ(layout.fatSize, 200u);
  EXPECT_EQ(layout.hiddenSectors, 63u);
  EXPECT_EQ(layout.firstDataSector, 63u + 4 + 2 * 200 + 32);
  EXPECT_EQ(layout.dataSectors, 160000u);
  EXPECT_EQ(layout.clusterCount, 40000u);

  // The 16-bit total and FAT size win over the 32-bit ones when set; root
  // entries round up to whole sectors.
  BootSectorFields small = Fat16(0);
  small.totalSectors16 = 2880;
  small.totalSectors32 = 99999999;
  small.fatSize32 = 77;
  small.fatSize16 = 9;
  small.rootEntries = 224;
  small.sectorsPerCluster = 1;
  small.reservedSectors = 1;
  const ByteBuffer floppy = MakeBootSector(small);
  ASSERT_TRUE(ParseFatBootSector(floppy.data(), layout));
  EXPECT_EQ(layout.totalSectors, 2880u);
  EXPECT_EQ(layout.fatSize, 9u);
  EXPECT_EQ(layout.rootDirectorySectors, 14u);
  EXPECT_EQ(layout.clusterCount, 2880u - 1 - 18 - 14);
  EXPECT_EQ(layout.fileSystemKind, VOLUME_KIND_FAT12);
}

const char kContainer[] = "DornveldFLP\\DornveldCIF.dfp";

// A card at 'P' whose FAT16 partition starts at sector 63.
class CardAtP {
 public:
  CardAtP() : fake_('P', CardOptions(2), MakeCardDisk(1 << 20)) {
    fake_.drive().options.volumeOffset = 63 * 512;
    const ByteBuffer sector = MakeBootSector(Fat16(63));
    std::memcpy(fake_.disk().bytes.data() + 63 * 512, sector.data(), sector.size());
  }
  ddatest::FakeDrive& drive() { return fake_.drive(); }
  ddatest::FakeFiles& files() { return fake_.drive().files; }

 private:
  AttachedFake fake_;
};

constexpr std::uint64_t kFirstDataSector = 63 + 4 + 2 * 200 + 32;

TEST(FilePlacement, StartSectorOfTheFirstRun) {
  struct Case {
    const char* name;
    std::vector<ClusterRun> runs;
    std::uint32_t extents;
    std::uint64_t start;
  };
  std::vector<ClusterRun> many;
  for (std::uint64_t i = 0; i < 300; ++i) many.push_back({i * 2, 1000 + i * 10, 2});
  const Case cases[] = {
      {"one run", {{0, 10, 8}}, 1, kFirstDataSector + 10 * 4},
      {"first cluster of the data area", {{0, 0, 1}}, 1, kFirstDataSector},
      {"two runs", {{0, 20, 2}, {2, 5, 3}}, 2, kFirstDataSector + 20 * 4},
      {"300 runs in answers of 256 and 44", many, 300, kFirstDataSector + 1000 * 4},
      {"empty file", {}, 0, kFirstDataSector},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CardAtP card;
    card.files().runs[kContainer] = c.runs;
    FilePlacement placement{99, 99};
    EXPECT_EQ(GetFilePlacement("P:\\DornveldFLP\\DornveldCIF.dfp", placement), 0);
    EXPECT_EQ(placement.extentCount, c.extents);
    EXPECT_EQ(placement.startSector, c.start);
  }
}

TEST(FilePlacement, AnswersComeInPiecesOf256) {
  CardAtP card;
  std::vector<ClusterRun> runs;
  for (std::uint64_t i = 0; i < 512; ++i) runs.push_back({i, 5000 - i, 1});
  card.files().runs[kContainer] = runs;
  FilePlacement placement;
  EXPECT_EQ(GetFilePlacement("p:\\DornveldFLP\\DornveldCIF.dfp", placement), 0);
  EXPECT_EQ(placement.extentCount, 512u);
  EXPECT_EQ(placement.startSector, kFirstDataSector + 5000 * 4);
  EXPECT_EQ(card.files().clusterRunQueries, 2);

  runs.push_back({512, 1, 1});
  card.files().runs[kContainer] = runs;
  card.files().clusterRunQueries = 0;
  EXPECT_EQ(GetFilePlacement("P:\\DornveldFLP\\DornveldCIF.dfp", placement), 0);
  EXPECT_EQ(placement.extentCount, 513u);
  EXPECT_EQ(card.files().clusterRunQueries, 3);
}

TEST(FilePlacement, Failures) {
  struct Case {
    const char* name;
    const char* path;
    void (*setUp)(CardAtP&);
    int expected;
  };
  const auto none = [](CardAtP&) {};
  const Case cases[] = {
      {"no path", nullptr, none, DAV_ERR_NO_DRIVE},
      {"empty path", "", none, DAV_ERR_NO_DRIVE},
      {"letter alone", "P", none, DAV_ERR_NO_DRIVE},
      {"network path", "\\\\server\\share\\file", none, DAV_ERR_NO_DRIVE},
      {"digit", "1:\\file", none, DAV_ERR_NO_DRIVE},
      {"missing file", "P:\\DornveldFLP\\Other.dfp", none, DAV_ERR_FILE_NOT_FOUND},
      {"file cannot be opened", "P:\\DornveldFLP\\DornveldCIF.dfp",
       [](CardAtP& c) { c.files().openError = platform::kErrorSharingViolation; },
       DAV_ERR_OPEN_FILE},
      {"no raw rights", "P:\\DornveldFLP\\DornveldCIF.dfp",
       [](CardAtP& c) { c.drive().options.denyRaw = true; }, DAV_ERR_NO_RIGHTS},
      {"NTFS volume", "P:\\DornveldFLP\\DornveldCIF.dfp",
       [](CardAtP& c) { c.drive().options.ntfs = true; }, DAV_ERR_UNKNOWN_PARTITION},
      {"no volume path", "P:\\DornveldFLP\\DornveldCIF.dfp",
       [](CardAtP& c) { c.drive().options.volumeGuid.clear(); }, DAV_ERR_UNKNOWN_PARTITION},
      {"not a boot sector", "P:\\DornveldFLP\\DornveldCIF.dfp",
       [](CardAtP& c) { c.drive().options.volumeOffset = 0; }, DAV_ERR_UNKNOWN_PARTITION},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CardAtP card;
    card.files().runs[kContainer] = {{0, 10, 8}};
    c.setUp(card);
    // An access-denied code left over from before must not turn into -808.
    platform::SetLastError(platform::kErrorAccessDenied);
    FilePlacement placement{5, 5};
    EXPECT_EQ(GetFilePlacement(c.path, placement), c.expected);
    EXPECT_EQ(placement.startSector, 0u);
  }
}

TEST(FilePlacement, VolumeThatCannotTellItsRuns) {
  CardAtP card;
  card.files().runs[kContainer] = {{0, 10, 8}};
  card.files().clusterRunsError = platform::kErrorInvalidFunction;
  FilePlacement placement;
  EXPECT_EQ(GetFilePlacement("P:\\DornveldFLP\\DornveldCIF.dfp", placement), 0);
  EXPECT_EQ(placement.extentCount, 0u);  // reads as not usable, never as one piece
  EXPECT_EQ(placement.startSector, kFirstDataSector);
}

TEST(VolumeNames, FromDiskNumberAndVolumePath) {
  CardAtP card;
  VolumeNames names;
  EXPECT_TRUE(GetVolumeNames('P', names));
  EXPECT_EQ(names.driveLetter, 'P');
  EXPECT_EQ(names.physicalDriveName, "\\\\.\\PhysicalDrive2");
  EXPECT_EQ(names.volumePath, "\\\\?\\Volume{fake-2}\\");
  EXPECT_EQ(GetVolumeGuidPath('p'), "\\\\?\\Volume{fake-2}\\");
  EXPECT_EQ(GetDeviceNumber("\\\\.\\PhysicalDrive2"), 2);
  EXPECT_EQ(GetDeviceNumber("\\\\.\\Q:"), -1);
  card.drive().options.deviceNumber.reset();
  EXPECT_EQ(GetPhysicalDriveName('P'), "");
  EXPECT_TRUE(GetVolumeNames('P', names));  // the volume path alone will do
  card.drive().options.deviceNumber = 2u;

  card.drive().options.volumeGuid.clear();
  EXPECT_TRUE(GetVolumeNames('P', names));  // the disk number alone will do
  EXPECT_TRUE(names.volumePath.empty());
  VolumeLayout layout;
  EXPECT_FALSE(ReadVolumeLayout('P', layout));

  EXPECT_FALSE(GetVolumeNames('Q', names));
  EXPECT_TRUE(names.physicalDriveName.empty());
  EXPECT_TRUE(names.volumePath.empty());
}

TEST(VolumeLayoutRead, NtfsIsRecognisedButNotLaidOut) {
  CardAtP card;
  VolumeLayout layout;
  ASSERT_TRUE(ReadVolumeLayout('P', layout));
  EXPECT_EQ(layout.fileSystemKind, VOLUME_KIND_FAT16);
  EXPECT_EQ(layout.firstDataSector, kFirstDataSector);

  card.drive().options.ntfs = true;
  EXPECT_FALSE(ReadVolumeLayout('P', layout));
  EXPECT_EQ(layout.fileSystemKind, VOLUME_KIND_NTFS);

  card.drive().options.ntfs = false;
  card.drive().options.denyRaw = true;
  EXPECT_FALSE(ReadVolumeLayout('P', layout));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorAccessDenied);
}

}  // namespace
