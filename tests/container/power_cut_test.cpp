// A card that loses power in the middle of an operation: at hundreds of
// random points of each operation, the writes since the last sync are lost
// in a random subset. After every cut the card is fsck.fat-clean or holds
// only lost clusters that fsck.fat -a repairs; no other file has changed;
// and a container with a valid signature is the old one or the new one,
// never a signature over data that is half written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/clock.h"
#include "container/card_state.h"
#include "container/container_layout.h"
#include "container/container_rebuild.h"
#include "container/ffa_store.h"
#include "container/fpga_store.h"
#include "container/fpga_update.h"
#include "container/main_header.h"
#include "container/slot_block.h"
#include "platform/drive.h"
#include "platform/image/image_drive.h"
#include "support/mtools_views.h"
#include "support/power_cut_store.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"
#include "support/test_data.h"
#include "support/volume_patch.h"

namespace {

using testsupport::SectorOverlay;

constexpr char kLetter = 'P';
constexpr char kView = 'Q';
constexpr int kCutsPerOperation = 300;
constexpr std::uint32_t kNewStartSector = 0x12345;
const platform::LocalTime kNow{2024, 5, 6, 7, 8, 9, 0};

std::string OnDrive(char letter, const std::string& path) {
  return std::string(1, letter) + ":\\" + path;
}

// Runs `work` with the store attached at `letter`; its result, or -9999 when
// the store cannot be attached.
int OnCard(const std::shared_ptr<platform::IImageStore>& store, char letter,
           const std::function<int()>& work) {
  std::uint32_t error = 0;
  platform::ImageDriveOptions options;
  options.readOnly = !store->writable();
  if (platform::AttachCardStore(store, options, letter, &error) != letter) return -9999;
  const int result = work();
  platform::DriveTable::Instance().Detach(letter);
  return result;
}

std::shared_ptr<const ByteBuffer> Apply(const ByteBuffer& base, const SectorOverlay& overlay) {
  auto image = std::make_shared<ByteBuffer>(base);
  for (const auto& [sector, data] : overlay) std::memcpy(&(*image)[sector * 512], data.data(), 512);
  return image;
}

ByteBuffer Bytes(const std::string& text) {
  return ByteBuffer(text.begin(), text.end());
}

// The container of the card at `letter`; empty when it cannot be read.
ByteBuffer ContainerAt(char letter) {
  ByteBuffer bytes;
  if (!FfaReadFile(FfaGetContainerPath(letter), bytes, 64u << 20)) bytes.clear();
  return bytes;
}

bool Signed(const ByteBuffer& container) {
  return container.size() >= kMainHeaderSize &&
         std::memcmp(container.data(), kContainerSignature, kContainerSignatureLength) == 0;
}

// The card every operation starts from, and what the checks need of it.
struct Scene {
  ~Scene() {
    std::error_code ignored;
    if (!scratch.empty() && scratch != dir.path()) std::filesystem::remove_all(scratch, ignored);
  }

  testsupport::TempDir dir;
  std::string scratch;              // dir, or a folder of ours in /dev/shm
  testsupport::ImageVolume volume;  // of dir/card.img, the card as made
  std::shared_ptr<const ByteBuffer> card;
  std::shared_ptr<const ByteBuffer> cardWithFpga;  // an update stored
  ByteBuffer other = Bytes(testsupport::TestBytes(7000, 21));
  ByteBuffer note = Bytes(testsupport::TestBytes(3000, 22));
  ByteBuffer fpgaOld = Bytes(testsupport::TestBytes(300000, 23));
  ByteBuffer fpgaNew = Bytes(testsupport::TestBytes(200000, 24));
  // Image sectors that fsck.fat reads: everything before the data area and
  // the container's folder.
  std::uint64_t metadataEnd = 0;
  std::uint64_t folderFirst = 0;
  std::uint64_t folderCount = 0;
  bool ready = false;
};

Scene& TheScene() {
  static Scene scene;
  static bool made = false;
  if (made) return scene;
  made = true;
  if (!testsupport::HaveFatTools()) return scene;
  scene.scratch = scene.dir.path();
  if (std::filesystem::is_directory("/dev/shm")) {
    std::string shm = "/dev/shm/quillfen-power-cut-XXXXXX";
    if (mkdtemp(shm.data()) != nullptr) scene.scratch = shm;
  }
  const platform::ScopedFixedLocalTime fixed(kNow);
  // FAT12 with 8 KiB clusters: entries that straddle sectors, and a FAT
  // small enough that the states a cut leaves can each be checked.
  testsupport::ReferenceCard reference;
  reference.sizeBytes = 16ull << 20;
  reference.fatBits = 12;
  reference.partitionStart = 63;
  reference.mkfsOptions = "-s 16";
  const std::string path = scene.dir.File("card.img");
  std::string bytes;
  if (!testsupport::MakeReferenceCard(path, reference) ||
      !testsupport::ReadHostFile(path, &bytes)) {
    return scene;
  }
  auto blank = std::make_shared<const ByteBuffer>(bytes.begin(), bytes.end());
  // An old container of two images, recorded, and two other files.
  auto store = std::make_shared<testsupport::PowerCutStore>(blank);
  const int made1 = OnCard(store, kLetter, [&] {
    int rc = FfaCreate(kLetter, 2, "Old", true, nullptr);
    if (rc == 0) rc = FfaMakeUsable(kLetter);
    if (rc == 0 && !FfaWriteFile(OnDrive(kLetter, "OTHER.TXT"), scene.other)) rc = -1;
    if (rc == 0 && !FfaWriteFile(OnDrive(kLetter, "DornveldFLP\\NOTE.TXT"), scene.note)) rc = -1;
    return rc;
  });
  if (made1 != 0) return scene;
  scene.card = Apply(*blank, store->current());
  const std::string fpga = scene.dir.File("old.fpga");
  testsupport::WriteHostFile(fpga, std::string(scene.fpgaOld.begin(), scene.fpgaOld.end()));
  testsupport::WriteHostFile(scene.dir.File("new.fpga"),
                             std::string(scene.fpgaNew.begin(), scene.fpgaNew.end()));
  auto withFpga = std::make_shared<testsupport::PowerCutStore>(scene.card);
  if (OnCard(withFpga, kLetter, [&] { return FfaWriteFpgaUpdate(kLetter, &fpga, nullptr); }) != 0) {
    return scene;
  }
  scene.cardWithFpga = Apply(*scene.card, withFpga->current());

  // The layout, from the card as made, written out for the tools.
  testsupport::WriteHostFile(path, std::string(scene.card->begin(), scene.card->end()));
  scene.volume = testsupport::VolumeOf(path, reference);
  testsupport::FatLayout layout;
  const auto folder = testsupport::MtoolsRuns(scene.volume, "/DornveldFLP");
  if (!testsupport::ReadFatLayout(scene.volume, &layout) || folder.size() != 1) return scene;
  scene.metadataEnd = layout.dataStart / 512;
  scene.folderFirst = layout.ClusterOffset(folder[0].first) / 512;
  scene.folderCount = (folder[0].second - folder[0].first + 1) * layout.sectorsPerCluster;
  scene.ready = true;
  return scene;
}

// What fsck.fat may say of a card cut off mid-way: lost clusters, the free
// count, FATs that differ (the first wins, and is consistent).
bool OnlyLostClusters(const std::string& report) {
  std::istringstream lines(report);
  std::string line;
  while (std::getline(lines, line)) {
    const bool known =
        line.empty() || line.rfind("fsck.fat ", 0) == 0 ||
        line.find(" files, ") != std::string::npos || line.rfind("Reclaimed ", 0) == 0 ||
        line.rfind("Free cluster summary", 0) == 0 ||
        line.find("Auto-correcting") != std::string::npos ||
        line.rfind("Leaving filesystem unchanged", 0) == 0 ||
        line.rfind("FATs differ but appear to be intact", 0) == 0 ||
        line.rfind("  Using first FAT", 0) == 0 || line.rfind("Performing changes", 0) == 0;
    if (!known) return false;
  }
  return true;
}

// fsck.fat on the volume of a survivor: clean, or only lost clusters that
// -a repairs, after which the other files read back unchanged. Empty when
// that holds; else what failed.
std::string FsckVerdict(Scene& scene, const ByteBuffer& image) {
  // The volume alone, in memory-backed storage where there is one: the
  // tools read it, and a repair writes it, hundreds of times.
  const std::string path = scene.scratch + "/cut.vol";
  // Copied as one block: byte by byte, 16 MiB a state cost seconds in a debug build.
  const auto* volumeBytes = reinterpret_cast<const char*>(image.data()) + scene.volume.offset;
  testsupport::WriteHostFile(
      path, std::string(volumeBytes, static_cast<std::size_t>(scene.volume.sectors * 512)));
  const testsupport::ImageVolume volume{path, 0, scene.volume.sectors};
  std::string report;
  if (testsupport::FsckClean(volume, &report)) return {};
  if (!OnlyLostClusters(report)) return "fsck.fat -n:\n" + report;
  std::string repair;
  testsupport::RunCommand("fsck.fat -a " + path + " 2>&1", &repair);
  std::string after;
  if (!testsupport::FsckClean(volume, &after)) return "after fsck.fat -a:\n" + after;
  // What the repair left of the other file, read by the engine.
  std::uint32_t error = 0;
  platform::ImageDriveOptions options;
  options.readOnly = true;
  ByteBuffer other;
  if (platform::AttachCardImage(path, options, kView, &error) == kView) {
    // A file that cannot be read reads as empty: changed.
    if (!FfaReadFile(OnDrive(kView, "OTHER.TXT"), other, 64u << 20)) other.clear();
    platform::DriveTable::Instance().Detach(kView);
  }
  if (other != scene.other) return "OTHER.TXT changed by the repair:\n" + repair;
  return {};
}

struct Operation {
  const char* name;
  bool withFpga;
  std::function<int()> run;
  // Empty when a signed container `c` is acceptable, given the old and the
  // new container.
  std::function<std::string(const ByteBuffer& c, const ByteBuffer& before, const ByteBuffer& after)>
      accept;
  // Optional: before the recorded run, a look at the store.
  std::function<void(testsupport::PowerCutStore&)> prepare = {};
  // Optional: judges every cut, signed container or not, by the number of
  // events it came after.
  std::function<std::string(const ByteBuffer& c, const ByteBuffer& before, std::uint64_t at)>
      everyCut = {};
};

std::string OldOrNew(const ByteBuffer& c, const ByteBuffer& before, const ByteBuffer& after) {
  return c == before || c == after ? std::string() : "neither the old container nor the new";
}

std::string OnlyOld(const ByteBuffer& c, const ByteBuffer& before, const ByteBuffer&) {
  return c == before ? std::string() : "a container that is not the old one";
}

// A slot written in place holds, sector by sector, the old bytes or the new;
// everything else is the old container's.
std::string SlotOldOrNew(const ByteBuffer& c, const ByteBuffer& before, const ByteBuffer& after) {
  if (c.size() != before.size()) return "the container changed its size";
  const std::uint64_t slot = GetSlotPartOffset(1, kSlotPartImage);
  for (std::size_t at = 0; at < c.size(); at += 512) {
    const bool inSlot = at >= slot && at < slot + kContainerBlockSize;
    const bool old = std::memcmp(&c[at], &before[at], 512) == 0;
    if (!old && !(inSlot && std::memcmp(&c[at], &after[at], 512) == 0)) {
      return "byte " + std::to_string(at) + " is neither old nor new";
    }
  }
  return {};
}

// The header names the old update, the new one, or none; the update it
// names is whole; the slots are the old ones.
std::string FpgaNamedWhole(const ByteBuffer& c, const ByteBuffer& before, const ByteBuffer& after) {
  if (c.size() != before.size()) return "the container changed its size";
  if (std::memcmp(&c[kContainerBlockSize], &before[kContainerBlockSize],
                  c.size() - kContainerBlockSize) != 0) {
    return "a slot changed";
  }
  ByteBuffer cleared(before.begin(), before.begin() + kContainerBlockSize);
  if (SetFpgaUpdate(cleared, nullptr) != 0) return "the header block cannot be cleared";
  MainHeader header(c.data());
  for (const ByteBuffer* state : {&before, &after, static_cast<const ByteBuffer*>(&cleared)}) {
    if (std::memcmp(c.data(), state->data(), 512) != 0) continue;
    if (header.FpgaPresent() == 0) return {};
    const std::size_t length = header.FpgaLength();
    if (length <= kMaxFpgaLength &&
        std::memcmp(&c[kFpgaDataOffset], &(*state)[kFpgaDataOffset], length) == 0) {
      return {};
    }
    return "the header names an update that is half written";
  }
  return "a header that is neither old, new nor cleared";
}

void RunCuts(const Operation& op) {
  Scene& scene = TheScene();
  if (!testsupport::HaveFatTools()) GTEST_SKIP() << "sfdisk, mkfs.fat, fsck.fat or mtools missing";
  ASSERT_TRUE(scene.ready) << "the card was not made";
  const platform::ScopedFixedLocalTime fixed(kNow);
  const std::shared_ptr<const ByteBuffer> start = op.withFpga ? scene.cardWithFpga : scene.card;
  const ByteBuffer sector0(start->begin(), start->begin() + 512);

  // One run, recorded; the old and the new container as they read.
  auto recorded = std::make_shared<testsupport::PowerCutStore>(start);
  if (op.prepare) op.prepare(*recorded);
  ASSERT_EQ(OnCard(recorded, kLetter, op.run), 0) << "the operation fails without a cut";
  const std::uint64_t events = recorded->events();
  ASSERT_GT(events, 0u);
  const auto view = [&](const SectorOverlay& overlay, const std::function<int()>& work) {
    return OnCard(std::make_shared<testsupport::OverlayStore>(start, overlay), kView, work);
  };
  ByteBuffer before;
  ByteBuffer after;
  view({}, [&] {
    before = ContainerAt(kView);
    return 0;
  });
  view(recorded->current(), [&] {
    after = ContainerAt(kView);
    return 0;
  });

  std::mt19937 rng(20240506);
  std::uniform_int_distribution<std::uint64_t> point(0, events);
  std::map<std::string, std::string> verdicts;  // by what fsck.fat reads
  for (int cut = 0; cut < kCutsPerOperation; ++cut) {
    const std::uint64_t at = point(rng);
    const SectorOverlay survivor = recorded->SurvivorAt(at, rng);
    const std::string where = std::string(op.name) + ", cut after event " + std::to_string(at) +
                              " of " + std::to_string(events);
    view(survivor, [&] {
      ByteBuffer other;
      EXPECT_TRUE(FfaReadFile(OnDrive(kView, "OTHER.TXT"), other, 64u << 20) &&
                  other == scene.other)
          << where << ": OTHER.TXT";
      EXPECT_TRUE(FfaReadFile(OnDrive(kView, "DornveldFLP\\NOTE.TXT"), other, 64u << 20) &&
                  other == scene.note)
          << where << ": NOTE.TXT";
      const ByteBuffer container = ContainerAt(kView);
      if (Signed(container)) {
        EXPECT_EQ(op.accept(container, before, after), "") << where;
      }
      if (op.everyCut) {
        EXPECT_EQ(op.everyCut(container, before, at), "") << where;
      }
      return 0;
    });
    // Sector 0 changes in its start sector record alone.
    const ByteBuffer first = testsupport::ReadThrough(*start, survivor, 0, 512);
    EXPECT_EQ(std::memcmp(first.data(), sector0.data(), kStartSectorRecordOffset), 0) << where;
    EXPECT_EQ(std::memcmp(first.data() + kStartSectorRecordOffset + 4,
                          sector0.data() + kStartSectorRecordOffset + 4,
                          512 - kStartSectorRecordOffset - 4),
              0)
        << where;

    // fsck.fat once for every different state of what it reads.
    std::string key;
    for (const auto& [sector, data] : survivor) {
      if (sector < scene.metadataEnd ||
          (sector >= scene.folderFirst && sector < scene.folderFirst + scene.folderCount)) {
        key += std::to_string(sector) + ":" + std::string(data.begin(), data.end());
      }
    }
    auto known = verdicts.find(key);
    if (known == verdicts.end()) {
      known = verdicts.emplace(key, FsckVerdict(scene, *Apply(*start, survivor))).first;
    }
    EXPECT_EQ(known->second, "") << where;
    if (::testing::Test::HasFailure()) return;  // one cut's report is enough to read
  }
  ::testing::Test::RecordProperty("fsck_checked_states", static_cast<int>(verdicts.size()));
}

ByteBuffer NewSlotBlock() {
  ByteBuffer block;
  EXPECT_EQ(BuildImageSlotBlock(block, Bytes(testsupport::TestBytes(1474560, 31)), "new", true), 0);
  return block;
}

TEST(PowerCut, WriteSlot) {
  const ByteBuffer block = NewSlotBlock();
  RunCuts({"write-slot", false, [&] { return FfaWriteSlot(kLetter, 1, block, nullptr); },
           SlotOldOrNew});
}

TEST(PowerCut, Create) {
  RunCuts({"create", false,
           [] {
             // As the command does: the old container goes, the card is
             // touched (neither result looked at), the new one is made and
             // recorded.
             (void)FfaDeleteOnDrive(kLetter);
             (void)FfaTouchCard(kLetter);
             const int rc = FfaCreate(kLetter, 2, "New", true, nullptr);
             return rc != 0 ? rc : FfaMakeUsable(kLetter);
           },
           OldOrNew});
}

TEST(PowerCut, Delete) {
  RunCuts({"delete", false, [] { return FfaDeleteOnDrive(kLetter); }, OnlyOld});
}

TEST(PowerCut, Rename) {
  RunCuts({"rename", false, [] { return FfaRename(kLetter, "Renamed"); }, OldOrNew});
}

TEST(PowerCut, FpgaStoreReplacingAnUpdate) {
  const std::string path = TheScene().dir.File("new.fpga");
  RunCuts(
      {"fpga", true, [&] { return FfaWriteFpgaUpdate(kLetter, &path, nullptr); }, FpgaNamedWhole});
}

TEST(PowerCut, StartSectorRecord) {
  RunCuts({"start sector", false, [] { return FfaWriteStartSector(kLetter, kNewStartSector); },
           OnlyOld});
}

// A rebuild in one piece: at every cut the images are in the old container,
// in the new one, or in the copy on the host that the program still holds.
TEST(PowerCut, DefragmentKeepsEveryImageSomewhere) {
  testsupport::TempDir copies;
  const std::string parent = copies.path() + "/";
  std::vector<bool> copyWhole;  // by event: the host copy held every image
  bool copyChecked = false;
  if (!TheScene().ready) GTEST_SKIP() << "no card";
  ByteBuffer old;
  OnCard(std::make_shared<testsupport::OverlayStore>(TheScene().card, SectorOverlay{}), kView, [&] {
    old = ContainerAt(kView);
    return 0;
  });
  const auto whole = [&](const ByteBuffer& c, const ByteBuffer& before) {
    if (!Signed(c) || c.size() != before.size()) return false;
    return std::memcmp(&c[kContainerBlockSize], &before[kContainerBlockSize],
                       c.size() - kContainerBlockSize) == 0;
  };
  RunCuts({"defragment", false,
           [&] {
             const RebuildOutcome outcome = DefragmentContainer(kLetter, nullptr, parent);
             // Once the card holds the images, the copy is gone.
             EXPECT_TRUE(std::filesystem::is_empty(copies.path()));
             return outcome.code;
           },
           [&](const ByteBuffer& c, const ByteBuffer& before, const ByteBuffer&) {
             return c == before || whole(c, before) || copyChecked ? std::string()
                                                                   : "a signed stranger";
           },
           [&](testsupport::PowerCutStore& store) {
             store.OnEvent([&](std::uint64_t event) {
               copyWhole.resize(event + 1);
               for (const auto& entry : std::filesystem::directory_iterator(copies.path())) {
                 const std::string folder = entry.path().string() + "/";
                 if (!std::filesystem::exists(folder + "complete")) continue;
                 // Its slots, compared once with the card as it was.
                 if (!copyChecked) {
                   copyChecked = old.size() == 3 * kContainerBlockSize;
                   for (unsigned slot = 0; slot < 2 && copyChecked; ++slot) {
                     ByteBuffer block;
                     copyChecked =
                         FfaReadFile(folder + "slot-0" + std::to_string(slot + 1) + ".blk", block,
                                     kContainerBlockSize) &&
                         std::equal(block.begin(), block.end(),
                                    old.begin() + (slot + 1) * kContainerBlockSize);
                   }
                 }
                 copyWhole[event] = copyChecked;
               }
             });
           },
           [&](const ByteBuffer& c, const ByteBuffer& before, std::uint64_t at) {
             if (c == before || whole(c, before)) return std::string();
             // The cut came after event `at`; the program then holds its copy.
             if (at > 0 && at <= copyWhole.size() && copyWhole[at - 1]) return std::string();
             return std::string("the images are nowhere");
           }});
}

}  // namespace
