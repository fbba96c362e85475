// The help window on the pages the help files write.
#include <QShortcut>
#include <QTest>

#include <gtest/gtest.h>

#include "gui/ui_test_support.h"
#include "services/dialogs/help_viewer.h"
#include "support/temp_dir.h"

namespace {

class HelpViewerTest : public testing::Test {
 protected:
  HelpViewerTest() : files_(dir_.path() + "/") { files_.SetViewer(&viewer_); }
  ~HelpViewerTest() override {
    files_.CloseAndDeleteHelp();
    files_.SetViewer(nullptr);
  }

  testsupport::TempDir dir_;
  CHelpViewer viewer_;
  HelpFiles files_;
};

TEST_F(HelpViewerTest, HelpTwiceRaisesTheOpenWindow) {
  uitest::ScopedLanguage english(kLanguageEnglish);
  files_.ShowHelp();
  const HelpWindow first = files_.Window();
  ASSERT_NE(first, 0u);
  QTextBrowser* browser = viewer_.Browser(first);
  ASSERT_NE(browser, nullptr);
  EXPECT_TRUE(browser->isVisible());
  EXPECT_EQ(browser->windowTitle(), "Quillfen Help");
  EXPECT_TRUE(browser->toPlainText().contains("Quillfen"));
  files_.ShowHelp();
  EXPECT_EQ(files_.Window(), first);
  EXPECT_TRUE(viewer_.IsOpen(first));
}

TEST_F(HelpViewerTest, ALanguageSwitchReopensInTheOtherLanguage) {
  uitest::ScopedLanguage english(kLanguageEnglish);
  files_.ShowHelp();
  const HelpWindow english_window = files_.Window();
  GetLanguageTexts().SwitchLanguage(kLanguageGerman);
  files_.ShowHelp();
  EXPECT_NE(files_.Window(), english_window);
  EXPECT_FALSE(viewer_.IsOpen(english_window));
  ASSERT_NE(viewer_.Browser(files_.Window()), nullptr);
  EXPECT_EQ(viewer_.Browser(files_.Window())->windowTitle(), "Quillfen Hilfe");
}

TEST_F(HelpViewerTest, AWindowTheUserClosedIsOpenedAgain) {
  uitest::ScopedLanguage english(kLanguageEnglish);
  files_.ShowHelp();
  const HelpWindow first = files_.Window();
  viewer_.Browser(first)->close();
  QTest::qWait(0);
  EXPECT_FALSE(viewer_.IsOpen(first));
  files_.ShowHelp();
  EXPECT_NE(files_.Window(), first);
  EXPECT_TRUE(viewer_.IsOpen(files_.Window()));
}

TEST_F(HelpViewerTest, AMissingPageOpensNothing) {
  EXPECT_EQ(viewer_.OpenHelp(dir_.File("missing.html")), 0u);
}

TEST_F(HelpViewerTest, F1InAWindowShowsTheHelp) {
  uitest::ScopedLanguage english(kLanguageEnglish);
  QWidget window;
  AddHelpShortcut(&window, files_);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  QTest::keyClick(&window, Qt::Key_F1);
  EXPECT_NE(files_.Window(), 0u);
}

}  // namespace
