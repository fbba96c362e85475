#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "gui/accessible_names.h"
#include "gui/control_id.h"
#include "gui/ui_test_support.h"
#include "services/dialogs/about_dlg.h"

namespace {

TEST(AboutDialog, ShowsNameVersionAndFollowsTheLanguage) {
  uitest::ScopedLanguage english(kLanguageEnglish);
  CAboutDlg dialog("Quill & fen", "Version 1.2.18", nullptr);
  dialog.InitDialog();
  dialog.show();
  EXPECT_EQ(dialog.windowTitle(), "About Quillfen");
  // The product name's language text takes its place once the texts are set.
  EXPECT_EQ(qobject_cast<QLabel*>(dialog.Control(CAboutDlg::kIdProductName))->text(), "Quillfen");
  auto* version = qobject_cast<QLabel*>(dialog.Control(CAboutDlg::kIdVersion));
  EXPECT_EQ(version->text(), "Version 1.2.18");
  auto* close = qobject_cast<QPushButton*>(dialog.Control(CAboutDlg::kIdClose));
  EXPECT_EQ(close->text(), "&Close");
  GetLanguageTexts().SwitchLanguage(kLanguageGerman);
  EXPECT_EQ(dialog.windowTitle(), "Info über Quillfen");
  EXPECT_EQ(close->text(), "&Schließen");
  for (QWidget* control : gui::WindowControls(&dialog)) {
    if (gui::ControlId(control) != 0) {
      EXPECT_FALSE(gui::AccessibleName(control).isEmpty());
    }
  }
  QTest::keyClick(&dialog, Qt::Key_Escape);
  EXPECT_FALSE(dialog.isVisible());
}

TEST(AboutDialog, TextsAreShownAsTheyAre) {
  uitest::ScopedLanguage none(kLanguageNone);
  CAboutDlg dialog("Quill & fen", "1.0 <b>beta</b>", nullptr);
  dialog.InitDialog();
  auto* name = qobject_cast<QLabel*>(dialog.Control(CAboutDlg::kIdProductName));
  auto* version = qobject_cast<QLabel*>(dialog.Control(CAboutDlg::kIdVersion));
  EXPECT_EQ(name->text(), "Quill & fen");
  EXPECT_EQ(name->textFormat(), Qt::PlainText);
  EXPECT_EQ(version->textFormat(), Qt::PlainText);
}

}  // namespace
