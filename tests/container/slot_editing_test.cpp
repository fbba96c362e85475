// The temporary image's place, its checksum, the external image software's
// command line, and where a slot's sectors start.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "container/slot_editing.h"
#include "platform/files.h"
#include "platform/process.h"
#include "support/temp_dir.h"

TEST(SlotEditingTest, ExternalEditCommandLineQuotesTheProgramUnlessItIsQuoted) {
  EXPECT_EQ(ExternalEditCommandLine("/opt/Image Tool/edit", "/t/DorFlashImage.img"),
            R"("/opt/Image Tool/edit" "/t/DorFlashImage.img")");
  // Already quoted: taken as written, so that it may carry options.
  EXPECT_EQ(ExternalEditCommandLine(R"("/opt/edit" --floppy)", "/t/a.img"),
            R"("/opt/edit" --floppy "/t/a.img")");

  std::vector<std::string> argv;
  ASSERT_TRUE(ExternalEditArguments("/opt/Image Tool/edit", "/t/Dor Flash.img", argv));
  EXPECT_EQ(argv, (std::vector<std::string>{"/opt/Image Tool/edit", "/t/Dor Flash.img"}));
  ASSERT_TRUE(ExternalEditArguments(R"("/opt/edit" --floppy 'a b')", "/t/x.img", argv));
  EXPECT_EQ(argv, (std::vector<std::string>{"/opt/edit", "--floppy", "a b", "/t/x.img"}));
  // A backslash or a dollar in the image's path reaches the program as written.
  ASSERT_TRUE(ExternalEditArguments("/bin/edit", R"(/t/a\b$c.img)", argv));
  EXPECT_EQ(argv.back(), R"(/t/a\b$c.img)");
  EXPECT_FALSE(ExternalEditArguments(R"("/opt/edit --x)", "/t/x.img", argv));
}

TEST(SlotEditingTest, FileCrcIsTheCrcOfTheWholeFileAndNoneWhenUnreadable) {
  testsupport::TempDir dir;
  const std::string path = dir.File("a.img");
  std::ofstream(path, std::ios::binary) << "123456789";
  EXPECT_EQ(FileCrc32(path), 0xCBF43926u);
  EXPECT_EQ(FileCrc32(dir.File("missing.img")), std::nullopt);
  EXPECT_EQ(FileCrc32(dir.path()), std::nullopt);  // a folder
}

TEST(SlotEditingTest, TemporaryImageLivesInTheInstancesOwnPrivateFolder) {
  const std::string path = TemporaryImagePath();
  const std::string temp = platform::GetTempPath();
  ASSERT_FALSE(temp.empty());
  ASSERT_EQ(path.rfind(temp + "instance-", 0), 0u) << path;
  // The system's own separator before the name (a backslash on Windows).
  EXPECT_EQ(path.substr(path.size() - 17), "DorFlashImage.img");
  EXPECT_NE(std::string("/\\").find(path[path.size() - 18]), std::string::npos) << path;
  EXPECT_EQ(TemporaryImagePath(), path) << "the place is kept for the process";
}

TEST(SlotEditingTest, SlotSectorsStartBehindTheMainHeader) {
  EXPECT_EQ(SlotFirstSector(0), 4096u);
  EXPECT_EQ(SlotFirstSector(2), 12288u);
  EXPECT_EQ(SlotFirstSector(98), 99u * 4096u);
  EXPECT_EQ(SlotSectorCount(), 4096u);
}
