// Slot contents told from image bytes, held to mkfs.fat and mtools.
#include "container/slot_contents.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sstream>

#include "base/bytes.h"
#include "container/ffa_template.h"
#include "support/mtools_views.h"
#include "support/scoped_language.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace {
using namespace testsupport;

struct ContentsCase {
  const char* name;
  bool highDensity;  // the slot's kind
  // Makes the image file at the path; empty for the program's blank template.
  std::function<bool(const std::string&)> make;
  SlotContentKind kind;
  const char* summary;  // English; "" checks none
};
void PrintTo(const ContentsCase& c, std::ostream* os) {
  *os << c.name;
}

bool Run(const std::string& command) {
  return RunCommand(command + " >/dev/null 2>&1") == 0;
}

// A floppy of `kib` KiB by mkfs.fat with a label, and files put by mcopy.
bool MakeFloppy(const std::string& path, int kib, const std::string& label, int files,
                bool folder) {
  if (!Run("mkfs.fat -C -i 12345678 -n " + label + " " + Quote(path) + " " + std::to_string(kib)))
    return false;
  const ImageVolume v{path, 0, static_cast<std::uint64_t>(kib) * 2};
  TempDir host;
  for (int i = 0; i < files; ++i) {
    const std::string file = host.File("f" + std::to_string(i));
    if (!WriteHostFile(file, TestBytes(3000 + 5000 * i, i)) ||
        !MtoolsPut(v, file, "/File number " + std::to_string(i) + ".txt"))
      return false;
  }
  if (folder) {
    const std::string file = host.File("inner");
    if (!MtoolsMkdir(v, "/SUB") || !WriteHostFile(file, "inner") ||
        !MtoolsPut(v, file, "/SUB/IN.TXT"))
      return false;
  }
  return true;
}

bool Patch(const std::string& path, std::size_t offset, const std::string& bytes) {
  std::string image;
  if (!ReadHostFile(path, &image) || offset + bytes.size() > image.size()) return false;
  image.replace(offset, bytes.size(), bytes);
  return WriteHostFile(path, image);
}

const ContentsCase kCases[] = {
    {"BlankHd", true, nullptr, SlotContentKind::kBlank, "blank"},
    {"BlankDd", false, nullptr, SlotContentKind::kBlank, "blank"},
    {"HdWithFilesAndFolder", true,
     [](const std::string& p) { return MakeFloppy(p, 1440, "TOOLS", 3, true); },
     SlotContentKind::kFat12,
     "FAT12 'TOOLS' \xC2\xB7 4 files \xC2\xB7 1 folder \xC2\xB7 25 KB used"},
    {"DdWithFiles", false, [](const std::string& p) { return MakeFloppy(p, 720, "DDX", 2, false); },
     SlotContentKind::kFat12, "FAT12 'DDX' \xC2\xB7 2 files \xC2\xB7 11 KB used"},
    {"Unformatted", true,
     [](const std::string& p) { return WriteHostFile(p, std::string(1474560, '\xF6')); },
     SlotContentKind::kUnformatted, "unformatted"},
    {"ForeignBootSector", true,
     [](const std::string& p) {
       return MakeFloppy(p, 1440, "X", 0, false) && Patch(p, 11, std::string(50, '\0'));
     },
     SlotContentKind::kForeign, "not FAT: EB 3C 90 6D 6B 66 73 2E"},
    // A DD volume in an HD slot: the rest of the image stays zero.
    {"DdVolumeInHdSlot", true,
     [](const std::string& p) {
       return MakeFloppy(p, 720, "SMALL", 1, false) && Run("truncate -s 1474560 " + Quote(p));
     },
     SlotContentKind::kWrongGeometry, ""},
    // Both FATs wiped behind the media entries: the files' chains are gone.
    {"TruncatedFat", true,
     [](const std::string& p) {
       return MakeFloppy(p, 1440, "CUT", 2, false) &&
              Patch(p, 512 + 3, std::string(9 * 512 - 3, '\0')) &&
              Patch(p, 10 * 512 + 3, std::string(9 * 512 - 3, '\0'));
     },
     SlotContentKind::kUnreadable, ""},
};

class SlotContentsTest : public testing::TestWithParam<ContentsCase> {};

TEST_P(SlotContentsTest, IdentifiesTheImageAsMtoolsSeesIt) {
  const ContentsCase& c = GetParam();
  if (c.make && !HaveFatTools()) GTEST_SKIP() << "mkfs.fat or mtools missing";
  TempDir dir;
  const std::string path = dir.File("slot.img");
  std::string bytes;
  if (c.make) {
    ASSERT_TRUE(c.make(path));
    ASSERT_TRUE(ReadHostFile(path, &bytes));
  } else {
    ByteBuffer blank;
    ASSERT_TRUE(FfaLoadTemplate(c.highDensity, blank));
    bytes.assign(blank.begin(), blank.end());
  }
  ScopedLanguage english(kLanguageEnglish);
  const SlotContents got = IdentifySlotImage(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                             bytes.size(), c.highDensity);
  EXPECT_EQ(got.kind, c.kind) << SlotContentsSummary(got);
  if (*c.summary) {
    EXPECT_EQ(SlotContentsSummary(got), c.summary);
  }
  if (got.kind == SlotContentKind::kUnreadable) {
    EXPECT_NE(got.reason, "");
  }
  if (c.kind != SlotContentKind::kFat12) return;

  // mdir's view: the root names, every file and folder, the free bytes.
  const ImageVolume v{path, 0, bytes.size() / 512};
  std::vector<std::string> ours = got.rootNames;
  for (std::string& n : ours) {
    if (n.back() == '/') n.pop_back();
  }
  std::sort(ours.begin(), ours.end());
  EXPECT_EQ(ours, MtoolsNames(v, "/"));
  std::string listing;
  ASSERT_EQ(Mtools("mdir", MtoolsImage(v), "-/ -a -b ::/", &listing), 0);
  std::uint32_t files = 0, folders = 0;
  std::istringstream lines(listing);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("::", 0) == 0) ++(line.back() == '/' ? folders : files);
  }
  EXPECT_EQ(got.files, files);
  EXPECT_EQ(got.folders, folders);
  ASSERT_EQ(Mtools("mdir", MtoolsImage(v), "::/", &listing), 0);
  std::string free = listing.substr(0, listing.find(" bytes free"));
  free = free.substr(free.find_last_of('\n') + 1);
  free.erase(std::remove(free.begin(), free.end(), ' '), free.end());
  EXPECT_EQ(std::to_string(got.freeBytes), free);
  EXPECT_EQ(got.oemName, "mkfs.fat");
}

INSTANTIATE_TEST_SUITE_P(Images, SlotContentsTest, testing::ValuesIn(kCases),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(SlotContents, OddBytesGiveAnAnswerInBothLanguages) {
  ScopedLanguage german(kLanguageGerman);
  const std::string zeros(1000, '\0');
  const auto* data = reinterpret_cast<const std::uint8_t*>(zeros.data());
  EXPECT_EQ(SlotContentsSummary(IdentifySlotImage(data, zeros.size(), true)),
            "unlesbar: das Image hat 1000 Bytes, nicht 1474560");
  SlotContents fat;
  fat.kind = SlotContentKind::kFat12;
  fat.fatType = 12;
  fat.files = 1;
  fat.usedBytes = 1153434;
  EXPECT_EQ(SlotContentsSummary(fat), "FAT12 \xC2\xB7 1 Datei \xC2\xB7 1,1 MB belegt");
  fat.rootNames = {"A.TXT", "SUB/"};
  fat.rootEntries = 9;
  EXPECT_EQ(SlotRootNamesText(fat), "A.TXT\nSUB/\n...");
}

}  // namespace
