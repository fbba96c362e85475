#include "services/help_files.h"

#include "base/current_language.h"
#include "platform/user_files.h"
#include "resources/resources.h"
#include "support/temp_dir.h"
#include "user_folders_fixture.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A viewer that records what the help asks of it; the "user" may close a
// window behind the help's back.
class FakeViewer : public IHelpViewer {
 public:
  HelpWindow OpenHelp(const std::string& path) override {
    log.push_back("open " + fs::path(path).filename().string());
    openedContent.clear();
    platform::ReadWholeFile(path, &openedContent);
    if (refuseToOpen) return 0;
    open.push_back(++lastWindow);
    return lastWindow;
  }
  bool IsOpen(HelpWindow window) override {
    return std::find(open.begin(), open.end(), window) != open.end();
  }
  void BringToTop(HelpWindow window) override { log.push_back("raise " + std::to_string(window)); }
  void Close(HelpWindow window) override {
    log.push_back("close " + std::to_string(window));
    open.erase(std::remove(open.begin(), open.end(), window), open.end());
  }

  std::vector<std::string> log;
  std::vector<HelpWindow> open;
  HelpWindow lastWindow = 0;
  bool refuseToOpen = false;
  std::string openedContent;
};

class HelpFilesTest : public ::testing::Test {
 protected:
  void SetUp() override { SetCurrentLanguageId(kLanguageNone); }
  void TearDown() override { SetCurrentLanguageId(kLanguageNone); }
  std::string Folder() const { return dir_.path() + "/"; }
  bool Exists(const char* name) const { return fs::exists(dir_.File(name)); }

  testsupport::TempDir dir_;
  FakeViewer viewer_;
};

std::string Resource(int id) {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  if (!LoadResource(kResourceTypeBinary, id, &data, &size)) return {};
  return std::string(reinterpret_cast<const char*>(data), size);
}

TEST_F(HelpFilesTest, LeftoversOfAnEarlierRunAreDeletedAtCreation) {
  platform::WriteFileAtomically(dir_.File(kHelpFileGerman), "old German page");
  platform::WriteFileAtomically(dir_.File(kHelpFileEnglish), "old English page");
  HelpFiles help(Folder());
  EXPECT_EQ(help.GermanPath(), dir_.File("QuillfenDE.html"));
  EXPECT_EQ(help.EnglishPath(), dir_.File("QuillfenEN.html"));
  EXPECT_FALSE(Exists(kHelpFileGerman));
  EXPECT_FALSE(Exists(kHelpFileEnglish));

  help.SetViewer(&viewer_);
  help.ShowHelp();  // no language chosen yet: English
  EXPECT_EQ(viewer_.openedContent, Resource(kResourceHelpEnglish));
  help.SetViewer(nullptr);
}

TEST_F(HelpFilesTest, SecondRequestRaisesTheOpenViewer) {
  HelpFiles help(Folder());
  help.SetViewer(&viewer_);
  SetCurrentLanguageId(kLanguageEnglish);
  help.ShowHelp();
  help.ShowHelp();
  EXPECT_EQ(viewer_.log, (std::vector<std::string>{"open QuillfenEN.html", "raise 1"}));
  EXPECT_EQ(help.Window(), 1u);

  // Once the user has closed it, the next request opens it again, without
  // writing the page a second time.
  platform::WriteFileAtomically(help.EnglishPath(), "marker");
  viewer_.open.clear();
  help.ShowHelp();
  EXPECT_EQ(viewer_.log.back(), "open QuillfenEN.html");
  EXPECT_EQ(viewer_.openedContent, "marker");
  help.SetViewer(nullptr);
}

TEST_F(HelpFilesTest, SwitchingLanguageClosesTheViewerAndOpensTheOtherPage) {
  HelpFiles help(Folder());
  help.SetViewer(&viewer_);
  SetCurrentLanguageId(kLanguageEnglish);
  help.ShowHelp();
  SetCurrentLanguageId(kLanguageGerman);
  help.ShowHelp();
  EXPECT_EQ(viewer_.log,
            (std::vector<std::string>{"open QuillfenEN.html", "close 1", "open QuillfenDE.html"}));
  EXPECT_EQ(viewer_.openedContent, Resource(kResourceHelpGerman));
  EXPECT_EQ(viewer_.open, (std::vector<HelpWindow>{2}));
  EXPECT_TRUE(Exists(kHelpFileEnglish));  // written once per run, kept until the end
  EXPECT_TRUE(Exists(kHelpFileGerman));

  help.ShowHelp();  // German again: raised
  EXPECT_EQ(viewer_.log.back(), "raise 2");
  help.SetViewer(nullptr);
}

TEST_F(HelpFilesTest, CloseAndDeleteLeavesNothingBehind) {
  {
    HelpFiles help(Folder());
    help.SetViewer(&viewer_);
    SetCurrentLanguageId(kLanguageGerman);
    help.ShowHelp();
    SetCurrentLanguageId(kLanguageEnglish);
    help.ShowHelp();
    help.CloseAndDeleteHelp();
    EXPECT_TRUE(viewer_.open.empty());
    EXPECT_EQ(help.Window(), 0u);
    EXPECT_FALSE(Exists(kHelpFileGerman));
    EXPECT_FALSE(Exists(kHelpFileEnglish));

    help.ShowHelp();  // the files come back on the next request ...
    EXPECT_TRUE(Exists(kHelpFileEnglish));
    help.SetViewer(nullptr);
  }
  EXPECT_FALSE(Exists(kHelpFileEnglish));  // ... and go with the object
}

TEST_F(HelpFilesTest, MissingResourceOrViewerShowsNothing) {
  HelpFiles help(Folder());
  help.SetResourceLoader([](int, const std::uint8_t**, std::size_t*) { return false; });
  help.SetViewer(&viewer_);
  viewer_.refuseToOpen = true;
  help.ShowHelp();
  EXPECT_FALSE(Exists(kHelpFileEnglish));
  EXPECT_EQ(help.Window(), 0u);

  help.SetViewer(nullptr);  // no viewer: the page is still written
  help.SetResourceLoader([](int id, const std::uint8_t** data, std::size_t* size) {
    return LoadResource(kResourceTypeBinary, id, data, size);
  });
  help.ShowHelp();
  EXPECT_TRUE(Exists(kHelpFileEnglish));
}

// Pages another user put into the shared temporary folder under our names
// are neither shown nor touched: our pages live in the user's own folder.
TEST_F(HelpFilesTest, PagesPlantedInTheSharedTemporaryFolderAreNotUsed) {
  testsupport::TempDir shared;
  ASSERT_EQ(::chmod(shared.path().c_str(), 01777), 0);
  const std::string planted = shared.File(kHelpFileEnglish);
  ASSERT_EQ(platform::WriteFileAtomically(planted, "planted page"), 0u);
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(planted.c_str(), 65534, 65534), 0);
  }
  const std::string victim = dir_.File("victim.txt");
  ASSERT_EQ(platform::WriteFileAtomically(victim, "victim"), 0u);
  ASSERT_EQ(::symlink(victim.c_str(), shared.File(kHelpFileGerman).c_str()), 0);
  ScopedVariable runtime("XDG_RUNTIME_DIR", "");
  ::unsetenv("XDG_RUNTIME_DIR");
  ScopedVariable tmpdir("TMPDIR", shared.path());
  {
    HelpFiles help;
    EXPECT_NE(help.EnglishPath(), planted);
    help.SetViewer(&viewer_);
    SetCurrentLanguageId(kLanguageEnglish);
    help.ShowHelp();
    EXPECT_EQ(viewer_.openedContent, Resource(kResourceHelpEnglish));
    SetCurrentLanguageId(kLanguageGerman);
    help.ShowHelp();
    EXPECT_EQ(viewer_.openedContent, Resource(kResourceHelpGerman));
    help.CloseAndDeleteHelp();
    help.SetViewer(nullptr);
  }
  std::string content;
  EXPECT_EQ(platform::ReadWholeFile(planted, &content), 0u);
  EXPECT_EQ(content, "planted page");
  EXPECT_EQ(platform::ReadWholeFile(victim, &content), 0u);
  EXPECT_EQ(content, "victim");
  EXPECT_TRUE(fs::is_symlink(shared.File(kHelpFileGerman)));
}

TEST(HelpPages, DescribeTheProgramInBothLanguages) {
  const std::string english = Resource(kResourceHelpEnglish);
  const std::string german = Resource(kResourceHelpGerman);
  ASSERT_FALSE(english.empty());
  ASSERT_FALSE(german.empty());
  EXPECT_NE(english.find("<html lang=\"en\""), std::string::npos);
  EXPECT_NE(german.find("<html lang=\"de\""), std::string::npos);
  for (const std::string* page : {&english, &german}) {
    // Every command of the command-line tool is described.
    for (const char* command : {"drives", "state", "create", "delete", "erase", "make-usable",
                                "rename", "slots", "slot-name", "read-slot", "write-slot", "fpga",
                                "dump", "hex", "new-card-image", "--lang de", "DornveldCIF.dfp"}) {
      EXPECT_NE(page->find(command), std::string::npos) << command;
    }
    EXPECT_NE(page->rfind("</html>"), std::string::npos);
  }
}

}  // namespace
