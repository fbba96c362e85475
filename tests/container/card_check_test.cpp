// The card check on damaged cards, one row each: a card made by sfdisk and
// mkfs.fat with our container on it, damaged as other systems or a failing
// medium leave it. The check names exactly the damage; the repair mends what
// is the container's own without touching any image, and fsck.fat finds
// nothing after it.
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "base/bytes.h"
#include "container/card_check.h"
#include "container/card_state.h"
#include "container/ffa_store.h"
#include "platform/drive.h"
#include "platform/image/image_drive.h"
#include "support/mtools_views.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"
#include "support/test_data.h"
#include "support/volume_patch.h"

namespace {

using C = CheckCode;
using testsupport::ImageVolume;

constexpr char kLetter = 'K';
constexpr char kContainer[] = "/DornveldFLP/DornveldCIF.dfp";
constexpr std::uint64_t kBlock = 0x200000;

struct Card {
  std::string path;
  ImageVolume volume;
  testsupport::FatLayout fat;
  std::uint64_t container = 0;  // byte offset of the container in the image
  std::vector<std::pair<std::uint64_t, std::uint64_t>> runs;

  std::uint32_t LastCluster() const { return static_cast<std::uint32_t>(runs.back().second); }
  std::uint32_t FirstCluster() const { return static_cast<std::uint32_t>(runs.front().first); }

  void Write(std::uint64_t offset, const std::string& bytes) const {
    ASSERT_TRUE(testsupport::WriteImageBytes(path, offset, bytes));
  }
  void Mtools(const std::string& tool, const std::string& args) const {
    ASSERT_EQ(testsupport::Mtools(tool, testsupport::MtoolsImage(volume), args), 0) << tool;
  }
  std::uint64_t EntryOffset(std::uint32_t cluster) const {
    return fat.fatStart + cluster * static_cast<std::uint64_t>(fat.fatBits) / 8;
  }
};

std::string U16(std::uint16_t v) {
  return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}

std::string U32(std::uint32_t v) {
  return U16(static_cast<std::uint16_t>(v & 0xFFFF)) + U16(static_cast<std::uint16_t>(v >> 16));
}

class Attached {
 public:
  explicit Attached(const std::string& path) {
    std::uint32_t error = 0;
    ok_ = platform::AttachCardImage(path, {}, kLetter, &error) == kLetter;
  }
  ~Attached() {
    if (ok_) platform::DriveTable::Instance().Detach(kLetter);
  }
  bool ok() const { return ok_; }

 private:
  bool ok_ = false;
};

struct Row {
  const char* name;
  int fatBits;
  std::function<void(const Card&)> damage;
  std::set<std::pair<C, int>> found;  // code and slot
  std::set<C> left;                   // after the repair
};

std::set<std::pair<C, int>> Codes(const std::vector<CheckFinding>& findings) {
  std::set<std::pair<C, int>> codes;
  for (const CheckFinding& f : findings) codes.insert({f.code, f.slot});
  return codes;
}

void PrintTo(const Row& row, std::ostream* os) {
  *os << row.name;
}

const Row kRows[] = {
    {"Clean", 16, [](const Card&) {}, {}, {}},
    {"CleanFat32", 32, [](const Card&) {}, {}, {}},
    {"CleanFat12", 12, [](const Card&) {}, {}, {}},
    {"Missing",
     16,
     [](const Card& c) {
       c.Mtools("mattrib", "-r -s ::" + std::string(kContainer));
       c.Mtools("mdel", "::" + std::string(kContainer));
     },
     {{C::kContainerMissing, -1}},
     {C::kContainerMissing}},
    {"Signature",
     16,
     [](const Card& c) { c.Write(c.container, "X"); },
     {{C::kNoSignature, -1}},
     {C::kNoSignature}},
    // One finding, not 9996 slots.
    {"ImageCount",
     12,
     [](const Card& c) { c.Write(c.container + 274, U16(9999)); },
     {{C::kImageCount, -1}},
     {}},
    {"FpgaFields",
     16,
     [](const Card& c) { c.Write(c.container + 282, "\x05"); },
     {{C::kFpgaFields, -1}},
     {C::kFpgaFields}},
    {"StartSectorNotSet",
     32,
     [](const Card& c) { c.Write(432, std::string(4, '\0')); },
     {{C::kStartSectorNotSet, -1}},
     {}},
    {"StartSectorOther",
     16,
     [](const Card& c) {
       std::string record = testsupport::ReadHostBytes(c.path, 432, 4);
       ++record[1];
       c.Write(432, record);
     },
     {{C::kStartSectorOther, -1}},
     {}},
    {"ProtectionLost",
     16,
     [](const Card& c) { c.Mtools("mattrib", "-r -s ::" + std::string(kContainer)); },
     {{C::kProtectionLost, -1}},
     {}},
    {"SectorIdTable",
     12,
     [](const Card& c) { c.Write(c.container + 2 * kBlock + 0x1EBE00 + 10, "\x01\x02"); },
     {{C::kSectorIdTable, 1}},
     {}},
    {"SlotRecord",
     16,
     [](const Card& c) { c.Write(c.container + 3 * kBlock + 0x1FFE00 + 2, "\x07"); },
     {{C::kSlotRecord, 2}},
     {C::kSlotRecord}},
    {"CrossLinked",
     16,
     [](const Card& c) {
       testsupport::TempDir dir;
       ASSERT_TRUE(testsupport::WriteHostFile(dir.File("A.BIN"), testsupport::TestBytes(9000, 3)));
       ASSERT_TRUE(testsupport::MtoolsPut(c.volume, dir.File("A.BIN"), "/A.BIN"));
       const auto other = testsupport::MtoolsRuns(c.volume, "/A.BIN");
       ASSERT_TRUE(testsupport::SetFatEntry(c.volume, c.LastCluster(),
                                            static_cast<std::uint32_t>(other.front().first)));
     },
     {{C::kCrossLinked, -1}, {C::kChainLength, -1}},
     {C::kCrossLinked, C::kChainLength}},
    {"ChainTooShort",
     32,
     [](const Card& c) {
       ASSERT_TRUE(testsupport::SetFatEntry(c.volume, c.LastCluster() - 1, 0x0FFFFFFF));
     },
     {{C::kUnreadable, -1}, {C::kChainLength, -1}, {C::kVolumeLostClusters, -1}},
     {C::kUnreadable, C::kChainLength, C::kVolumeLostClusters}},
    {"FatCopies",
     16,
     [](const Card& c) { c.Write(c.EntryOffset(c.FirstCluster()) + c.fat.fatBytes, U16(0xFFF8)); },
     {{C::kFatCopies, -1}},
     {C::kFatCopies}},
    {"Fragmented",
     16,
     [](const Card& c) {
       // The last cluster moves behind a gap of one free cluster.
       const std::uint32_t last = c.LastCluster();
       const std::uint32_t moved = last + 2;
       const std::uint64_t bytes = c.fat.sectorsPerCluster * c.fat.bytesPerSector;
       c.Write(c.fat.ClusterOffset(moved),
               testsupport::ReadHostBytes(c.path, c.fat.ClusterOffset(last), bytes));
       ASSERT_TRUE(testsupport::SetFatEntry(c.volume, last - 1, moved));
       ASSERT_TRUE(testsupport::SetFatEntry(c.volume, moved, 0xFFFF));
       ASSERT_TRUE(testsupport::SetFatEntry(c.volume, last, 0));
     },
     {{C::kFragmented, -1}},
     {}},
    {"VolumeChain",
     16,
     [](const Card& c) {
       testsupport::TempDir dir;
       ASSERT_TRUE(testsupport::WriteHostFile(dir.File("B.BIN"), testsupport::TestBytes(9000, 4)));
       ASSERT_TRUE(testsupport::MtoolsPut(c.volume, dir.File("B.BIN"), "/B.BIN"));
       const auto runs = testsupport::MtoolsRuns(c.volume, "/B.BIN");
       ASSERT_TRUE(
           testsupport::SetFatEntry(c.volume, static_cast<std::uint32_t>(runs.front().first), 0));
     },
     {{C::kVolumeChains, -1}, {C::kVolumeLostClusters, -1}},
     {C::kVolumeChains, C::kVolumeLostClusters}},
    // Our FAT engine does not mount a volume without the signature, so the
    // container is not seen either; the backup no longer matches.
    {"BootSignature",
     32,
     [](const Card& c) { c.Write(c.volume.offset + 510, std::string(2, '\0')); },
     {{C::kContainerMissing, -1}, {C::kVolumeBootSignature, -1}, {C::kVolumeBootBackup, -1}},
     {C::kContainerMissing, C::kVolumeBootSignature, C::kVolumeBootBackup}},
    {"BootBackup",
     32,
     [](const Card& c) { c.Write(c.volume.offset + 6 * 512 + 200, "\x12"); },
     {{C::kVolumeBootBackup, -1}},
     {C::kVolumeBootBackup}},
    {"FsInfoSignature",
     32,
     [](const Card& c) { c.Write(c.fat.fsInfo + 484, "XXXX"); },
     {{C::kVolumeFsInfoSignature, -1}},
     {C::kVolumeFsInfoSignature}},
    {"FsInfoFree",
     32,
     [](const Card& c) { c.Write(c.fat.fsInfo + 488, U32(5)); },
     {{C::kVolumeFsInfoFree, -1}},
     {C::kVolumeFsInfoFree}},
    {"DirtyFlag",
     16,
     [](const Card& c) { c.Write(c.volume.offset + 37, "\x01"); },
     {{C::kVolumeDirty, -1}},
     {C::kVolumeDirty}},
    // The clean-shutdown bit of FAT entry 1 cleared, in both copies.
    {"DirtyFatEntry",
     32,
     [](const Card& c) {
       for (std::uint32_t copy = 0; copy < 2; ++copy) {
         c.Write(c.EntryOffset(1) + copy * c.fat.fatBytes, U32(0x07FFFFFF));
       }
     },
     {{C::kVolumeDirty, -1}},
     {C::kVolumeDirty}},
};

// What fsck.fat -n says on the same damage, for the findings about the
// volume's administrative sectors: they are its complaints, not ours.
std::string FsckSays(const std::string& row) {
  if (row == "BootSignature" || row == "BootBackup") {
    return "differences between boot sector and its backup";
  }
  if (row == "FsInfoSignature") return "FSINFO sector has bad magic number";
  if (row == "FsInfoFree") return "Free cluster summary wrong";
  if (row == "DirtyFlag" || row == "DirtyFatEntry") return "Dirty bit is set";
  return std::string();
}

class DamagedCard : public ::testing::TestWithParam<Row> {};

TEST_P(DamagedCard, CheckNamesTheDamageAndRepairMendsWhatIsOurs) {
  if (!testsupport::HaveFatTools()) GTEST_SKIP() << "needs sfdisk, mkfs.fat, fsck.fat and mtools";
  const Row& row = GetParam();
  testsupport::TempDir dir;
  Card card;
  card.path = dir.File("card.img");
  testsupport::ReferenceCard reference;
  reference.fatBits = row.fatBits;
  reference.sizeBytes = (row.fatBits == 32 ? 300ull : 64ull) << 20;
  if (row.fatBits == 12) reference.sizeBytes = 16ull << 20;
  ASSERT_TRUE(testsupport::MakeReferenceCard(card.path, reference));
  {
    Attached attached(card.path);
    ASSERT_TRUE(attached.ok());
    ASSERT_EQ(FfaCreate(kLetter, 4, "Check", true, nullptr), 0);
    ASSERT_EQ(FfaMakeUsable(kLetter), 0);
  }
  card.volume = testsupport::VolumeOf(card.path, reference);
  ASSERT_TRUE(testsupport::ReadFatLayout(card.volume, &card.fat));
  card.container = le::Read32(reinterpret_cast<const std::uint8_t*>(
                       testsupport::ReadHostBytes(card.path, 432, 4).data())) *
                   512ull;
  card.runs = testsupport::MtoolsRuns(card.volume, kContainer);
  ASSERT_EQ(card.runs.size(), 1u);
  const std::string images =
      testsupport::ReadHostBytes(card.path, card.container + kBlock, 4 * kBlock);
  row.damage(card);
  if (HasFatalFailure()) return;
  if (const std::string says = FsckSays(row.name); !says.empty()) {
    std::string report;
    (void)testsupport::FsckClean(card.volume, &report);
    EXPECT_NE(report.find(says), std::string::npos) << report;
  }

  Attached attached(card.path);
  ASSERT_TRUE(attached.ok());
  std::vector<CheckFinding> findings;
  ASSERT_EQ(CheckCard(kLetter, findings), 0);
  EXPECT_EQ(Codes(findings), row.found);
  for (const CheckFinding& f : findings) {
    EXPECT_FALSE(CheckFindingText(f).empty());
    EXPECT_FALSE(CheckRepairText(f).empty());
  }

  std::vector<CheckFinding> left;
  (void)RepairCard(kLetter, left);
  std::set<C> leftCodes;
  for (const CheckFinding& f : left) leftCodes.insert(f.code);
  EXPECT_EQ(leftCodes, row.left);
  if (!row.left.empty()) return;
  platform::DriveTable::Instance().Detach(kLetter);
  std::string report;
  EXPECT_TRUE(testsupport::FsckClean(card.volume, &report)) << report;
  // Images byte for byte; only the tables behind them may have changed.
  // A rebuild may have put the container elsewhere: where sector 0 says.
  const std::uint64_t container = le::Read32(reinterpret_cast<const std::uint8_t*>(
                                      testsupport::ReadHostBytes(card.path, 432, 4).data())) *
                                  512ull;
  const std::string after = testsupport::ReadHostBytes(card.path, container + kBlock, 4 * kBlock);
  for (std::uint64_t slot = 0; slot < 4; ++slot) {
    EXPECT_TRUE(after.compare(slot * kBlock, 0x168000, images, slot * kBlock, 0x168000) == 0)
        << "slot " << slot;
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, DamagedCard, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& row) {
                           return std::string(row.param.name);
                         });

}  // namespace
