// Damaged volumes give errors: never a crash, a hang, or a request outside
// the volume.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "base/bytes.h"
#include "engine_helpers.h"
#include "support/fault_device.h"

namespace {

// A FAT16 volume with VICTIM.BIN (6 clusters), folder DIR holding INNER.TXT.
struct Damageable {
  std::unique_ptr<fat::MemorySectorDevice> dev;
  fat::Geometry g;
  std::uint32_t victimFirst = 0;
  std::uint32_t dirCluster = 0;

  Damageable() {
    dev = fattest::MakeMemoryVolume(8 << 20, 16, 1);
    fat::Status s;
    auto volume = fat::Volume::Mount(*dev, true, &s);
    EXPECT_TRUE(fattest::PutFile(*volume, "VICTIM.BIN", std::string(6 * 512, 'v')).ok());
    EXPECT_TRUE(volume->CreateDirectory("DIR").ok());
    EXPECT_TRUE(fattest::PutFile(*volume, "DIR/INNER.TXT", "inner").ok());
    fat::DirEntryInfo info;
    EXPECT_TRUE(volume->Stat("VICTIM.BIN", &info).ok());
    victimFirst = info.firstCluster;
    EXPECT_TRUE(volume->Stat("DIR", &info).ok());
    dirCluster = info.firstCluster;
    g = volume->geometry();
  }
  void SetFat(std::uint32_t cluster, std::uint16_t value) {
    for (std::uint32_t copy = 0; copy < g.fatCount; ++copy) {
      le::Write16(&dev->bytes()[(g.fatStart + copy * g.fatSectors) * 512ull + cluster * 2], value);
    }
  }
  std::uint8_t* RootEntry(const char* shortName) {
    std::uint8_t* root = &dev->bytes()[g.rootStart * 512ull];
    for (std::uint32_t i = 0; i < g.rootEntries; ++i) {
      if (std::memcmp(root + 32 * i, shortName, 11) == 0) return root + 32 * i;
    }
    return nullptr;
  }
};

struct CorruptCase {
  const char* name;
  std::function<void(Damageable&)> damage;
  bool mountFails;
};

TEST(CorruptVolume, ErrorsInsteadOfCrashesHangsOrStrayWrites) {
  const CorruptCase cases[] = {
      {"looping chain",
       [](Damageable& d) {
         d.SetFat(d.victimFirst + 5, static_cast<std::uint16_t>(d.victimFirst));
       },
       false},
      {"chain links past the end", [](Damageable& d) { d.SetFat(d.victimFirst + 2, 0xFFF0); },
       false},
      {"free cluster inside a chain", [](Damageable& d) { d.SetFat(d.victimFirst + 2, 0); }, false},
      {"bad cluster inside a chain", [](Damageable& d) { d.SetFat(d.victimFirst + 2, 0xFFF7); },
       false},
      {"entry points outside",
       [](Damageable& d) { le::Write16(d.RootEntry("VICTIM  BIN") + 26, 0xFFEE); }, false},
      {"entry points at cluster 1",
       [](Damageable& d) { le::Write16(d.RootEntry("VICTIM  BIN") + 26, 1); }, false},
      {"size beyond the chain",
       [](Damageable& d) { le::Write32(d.RootEntry("VICTIM  BIN") + 28, 1 << 20); }, false},
      {"folder points outside",
       [](Damageable& d) { le::Write16(d.RootEntry("DIR        ") + 26, 0xFFEE); }, false},
      {"folder chain loops",
       [](Damageable& d) { d.SetFat(d.dirCluster, static_cast<std::uint16_t>(d.dirCluster)); },
       false},
      {"folder at cluster 0",
       [](Damageable& d) { le::Write16(d.RootEntry("DIR        ") + 26, 0); }, false},
      {"truncated image", [](Damageable& d) { d.dev->bytes().resize(d.dev->bytes().size() / 2); },
       true},
      {"image shorter than the FAT", [](Damageable& d) { d.dev->bytes().resize(4096); }, true},
      {"sectors per cluster 0", [](Damageable& d) { d.dev->bytes()[13] = 0; }, true},
      {"absurd FAT size", [](Damageable& d) { le::Write16(&d.dev->bytes()[22], 0xFFFF); }, true},
      {"absurd reserved count", [](Damageable& d) { le::Write16(&d.dev->bytes()[14], 0xFFFF); },
       true},
      {"bytes per sector 0", [](Damageable& d) { le::Write16(&d.dev->bytes()[11], 0); }, true},
  };
  for (const CorruptCase& c : cases) {
    Damageable d;
    c.damage(d);
    fat::FaultInjectingDevice watched(*d.dev);
    fat::Status s;
    auto volume = fat::Volume::Mount(watched, true, &s);
    if (c.mountFails) {
      EXPECT_FALSE(volume) << c.name;
      EXPECT_FALSE(s.ok()) << c.name;
      EXPECT_EQ(watched.writes(), 0u) << c.name;
      continue;
    }
    ASSERT_TRUE(volume) << c.name << ": " << s;
    // Every operation either works or reports an error.
    std::string content;
    fat::Status read = fattest::GetFile(*volume, "VICTIM.BIN", &content);
    std::vector<fat::ClusterRun> runs;
    fat::Status chain = volume->ClusterRuns("VICTIM.BIN", &runs);
    std::vector<fat::DirEntryInfo> list;
    fat::Status listed = volume->ListDirectory("DIR", &list);
    fat::Status inner = fattest::GetFile(*volume, "DIR/INNER.TXT", &content);
    fattest::PutFile(*volume, "DIR/NEW.TXT", "new");
    fattest::PutFile(*volume, "NEW.BIN", std::string(20000, 'n'));
    volume->DeleteFile("VICTIM.BIN");
    volume->Flush();
    const bool victimBroken = std::string(c.name).find("folder") == std::string::npos;
    if (victimBroken) {
      EXPECT_FALSE(read.ok() && chain.ok()) << c.name;
      EXPECT_EQ(read.ok() ? chain.error : read.error, fat::Error::kCorrupt) << c.name;
    } else {
      EXPECT_EQ(listed.error, fat::Error::kCorrupt) << c.name;
      EXPECT_FALSE(inner.ok()) << c.name;
    }
    volume.reset();
    EXPECT_EQ(watched.outOfRangeRequests(), 0u) << c.name;
  }
}

// VICTIM.BIN's last cluster links to the first of OTHER.BIN: freeing or
// writing VICTIM.BIN through its chain would cost OTHER.BIN its data.
TEST(CorruptVolume, ChainsThatRunIntoAnotherFileAreNeitherFreedNorWritten) {
  Damageable d;
  {
    fat::Status s;
    auto volume = fat::Volume::Mount(*d.dev, true, &s);
    ASSERT_TRUE(fattest::PutFile(*volume, "DIR/OTHER.BIN", std::string(1500, 'o')).ok());
  }
  fat::Status s;
  {
    auto volume = fat::Volume::Mount(*d.dev, false, &s);
    fat::DirEntryInfo other;
    ASSERT_TRUE(volume->Stat("DIR/OTHER.BIN", &other).ok());
    d.SetFat(d.victimFirst + 5, static_cast<std::uint16_t>(other.firstCluster));
  }
  const ByteBuffer before = d.dev->bytes();
  auto volume = fat::Volume::Mount(*d.dev, true, &s);
  ASSERT_TRUE(volume) << s;
  EXPECT_EQ(volume->DeleteFile("VICTIM.BIN").error, fat::Error::kCorrupt);
  EXPECT_EQ(volume->Truncate("VICTIM.BIN", 0).error, fat::Error::kCorrupt);
  EXPECT_FALSE(volume->OpenFile("VICTIM.BIN", true, &s));
  EXPECT_EQ(s.error, fat::Error::kCorrupt);
  // The other file too: its chain is claimed as a part of VICTIM.BIN's.
  EXPECT_EQ(volume->DeleteFile("DIR/OTHER.BIN").error, fat::Error::kCorrupt);
  // Reading still works.
  std::string content;
  EXPECT_TRUE(fattest::GetFile(*volume, "VICTIM.BIN", &content).ok());
  ASSERT_TRUE(volume->Flush().ok());
  volume.reset();
  EXPECT_TRUE(d.dev->bytes() == before) << "nothing changed";
}

// An entry with the label bit inside a folder (another system's file) keeps
// the folder: removing it would lose the entry's clusters.
TEST(CorruptVolume, AFolderHoldingAnEntryWithTheLabelBitIsNotRemoved) {
  Damageable d;
  fat::Status s;
  {
    auto volume = fat::Volume::Mount(*d.dev, true, &s);
    ASSERT_TRUE(volume->DeleteFile("DIR/INNER.TXT").ok());
    ASSERT_TRUE(fattest::PutFile(*volume, "DIR/LABELLED.BIN", std::string(3000, 'l')).ok());
  }
  std::uint8_t* folder = &d.dev->bytes()[d.g.ClusterSector(d.dirCluster) * 512];
  std::uint8_t* entry = nullptr;
  for (std::uint32_t i = 0; i < 16; ++i) {
    if (std::memcmp(folder + 32 * i, "LABELLEDBIN", 11) == 0) entry = folder + 32 * i;
  }
  ASSERT_NE(entry, nullptr);
  entry[11] |= fat::attr::kVolume;
  auto volume = fat::Volume::Mount(*d.dev, true, &s);
  ASSERT_TRUE(volume) << s;
  fat::DirEntryInfo info;
  EXPECT_EQ(volume->Stat("DIR/LABELLED.BIN", &info).error, fat::Error::kNotFound)
      << "what it is: not a file";
  EXPECT_EQ(volume->RemoveDirectory("DIR").error, fat::Error::kNotEmpty);
  // Its name stays taken: a new file of a long name gets another short one.
  ASSERT_TRUE(fattest::PutFile(*volume, "DIR/LABELLED.BIN.NEW", "new").ok());
  ASSERT_TRUE(fattest::PutFile(*volume, "DIR/LABELLED BIN", "new").ok());
  ASSERT_TRUE(volume->Stat("DIR/LABELLED BIN", &info).ok());
  EXPECT_NE(info.shortName, "LABELLED.BIN");
  ASSERT_TRUE(volume->Flush().ok());
  volume.reset();
  EXPECT_EQ(std::memcmp(entry, "LABELLEDBIN", 11), 0) << "the entry stays as it was";
}

// A reader by sector number trusts the runs: they must cover the whole file.
TEST(CorruptVolume, ClusterRunsOfAFileLongerThanItsChainAreRefused) {
  Damageable d;
  std::uint8_t* victim = d.RootEntry("VICTIM  BIN");
  ASSERT_NE(victim, nullptr);
  auto runsOf = [&](std::vector<fat::ClusterRun>* runs) {
    fat::Status s;
    auto volume = fat::Volume::Mount(*d.dev, false, &s);
    EXPECT_TRUE(volume) << s;
    return volume ? volume->ClusterRuns("VICTIM.BIN", runs) : s;
  };
  std::vector<fat::ClusterRun> runs;
  EXPECT_TRUE(runsOf(&runs).ok());
  EXPECT_EQ(runs, (std::vector<fat::ClusterRun>{{0, d.victimFirst - 2u, 6}}));

  le::Write32(victim + 28, 6 * 512 + 1);  // one byte past the chain
  fat::Status s = runsOf(&runs);
  EXPECT_EQ(s.error, fat::Error::kCorrupt) << s;
  EXPECT_TRUE(runs.empty());

  le::Write16(victim + 26, 0);  // a size, but no cluster at all
  EXPECT_EQ(runsOf(&runs).error, fat::Error::kCorrupt);
}

TEST(CorruptVolume, ReadFailuresArePassedOn) {
  Damageable d;
  fat::FaultInjectingDevice flaky(*d.dev);
  fat::Status s;
  flaky.ShortRead(1, 0);  // the boot sector
  EXPECT_FALSE(fat::Volume::Mount(flaky, false, &s));
  EXPECT_EQ(s.error, fat::Error::kIo);
  // The FAT is read when a file is opened: the root folder first, then the
  // FAT piece that holds the file's chain.
  auto volume = fat::Volume::Mount(flaky, false, &s);
  ASSERT_TRUE(volume) << s;
  flaky.ShortRead(2, 1);
  std::string content;
  EXPECT_EQ(fattest::GetFile(*volume, "VICTIM.BIN", &content).error, fat::Error::kIo);
  EXPECT_EQ(fattest::GetFile(*volume, "VICTIM.BIN", &content).error, fat::Error::kOk)
      << "nothing wrong is kept from the failed read";
  EXPECT_EQ(content, std::string(6 * 512, 'v'));
  flaky.Vanish();
  EXPECT_EQ(fattest::GetFile(*volume, "DIR/INNER.TXT", &content).error, fat::Error::kIo);
}

}  // namespace
