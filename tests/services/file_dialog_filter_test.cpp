#include "services/file_dialog_filter.h"

#include <gtest/gtest.h>

#include "platform/file_patterns.h"
#include "support/temp_dir.h"

#include <sys/stat.h>

#include <fstream>

namespace {

// The settings dialog's filter: programs have no ".exe" here, and "*.*" would
// hide names without a dot, so both become every name; the first entry keeps
// to programs.
TEST(FileDialogFilter, ProgramFilterShowsRunnableFilesOfAnyName) {
  const std::vector<FileDialogFilter> filters =
      ParseFileDialogFilter("Executable File (*.exe)|*.exe|All Files (*.*)|*.*||");
  ASSERT_EQ(filters.size(), 2u);
  EXPECT_EQ(filters[0].label, "Executable File (*.exe)");
  EXPECT_EQ(filters[0].patterns, std::vector<std::string>{"*"});
  EXPECT_TRUE(filters[0].programsOnly);
  EXPECT_EQ(filters[1].label, "All Files (*.*)");
  EXPECT_EQ(filters[1].patterns, std::vector<std::string>{"*"});
  EXPECT_FALSE(filters[1].programsOnly);
}

TEST(FileDialogFilter, KeepsOtherPatternsAndDropsEmptyEntries) {
  const std::vector<FileDialogFilter> filters =
      ParseFileDialogFilter("Images (*.img;*.ima)|*.img;*.ima|Nothing||ignored|x");
  ASSERT_EQ(filters.size(), 1u);
  EXPECT_EQ(filters[0].patterns, (std::vector<std::string>{"*.img", "*.ima"}));
  EXPECT_TRUE(ParseFileDialogFilter("").empty());
}

TEST(FileDialogFilter, ProgramFileIsARunnableRegularFile) {
  testsupport::TempDir dir;
  const std::string tool = dir.File("tool");
  const std::string text = dir.File("notes.txt");
  std::ofstream(tool) << "#!/bin/sh\n";
  std::ofstream(text) << "x";
  ASSERT_EQ(::chmod(tool.c_str(), 0755), 0);
  EXPECT_TRUE(platform::IsProgramFile(tool));
  EXPECT_FALSE(platform::IsProgramFile(text));
  EXPECT_FALSE(platform::IsProgramFile(dir.path()));
  EXPECT_FALSE(platform::IsProgramFile(dir.File("missing")));
}

}  // namespace
