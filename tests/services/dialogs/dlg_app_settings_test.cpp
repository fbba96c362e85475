// The settings dialog over a profile in a temporary folder.
#include <QAbstractProxyModel>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

#include "gui/accessible_names.h"
#include "gui/ui_test_support.h"
#include "platform/file_patterns.h"
#include "services/dialogs/dlg_app_settings.h"
#include "services/dialogs/program_file_dialog.h"
#include "services/user_folders_fixture.h"

namespace {
using Dlg = CDlgAppSettings;

class AppSettingsDialogTest : public UserFoldersTest {
 protected:
  void SetUp() override {
    AppSettings stored;
    stored.externalImageSoftware = "/opt/tools/imager";
    stored.expertMode = true;
    ASSERT_TRUE(stored.Save());
    settings_.Load();
  }
  void Open() {
    dialog_ = std::make_unique<Dlg>(nullptr, settings_);
    dialog_->InitDialog();
    dialog_->show();
  }
  template <class T>
  T* Get(int id) const {
    return qobject_cast<T*>(dialog_->Control(id));
  }
  static AppSettings Stored() {
    AppSettings stored;
    stored.Load();
    return stored;
  }
  // The dialog's record and the values stored in the profile.
  void ExpectRecordAndProfile(bool showAll, bool expert, bool explorer, const char* imageSoftware,
                              const char* program) const {
    for (const AppSettings& s : {settings_, Stored()}) {
      EXPECT_EQ(s.showAllRemovableDrives, showAll);
      EXPECT_EQ(s.expertMode, expert);
      EXPECT_EQ(s.openExplorer, explorer);
      EXPECT_EQ(s.externalImageSoftware, imageSoftware);
      EXPECT_EQ(s.externalProgram, program);
    }
  }
  void ChangeEverything() {
    Get<QCheckBox>(Dlg::kIdShowAllDrives)->setChecked(true);
    Get<QCheckBox>(Dlg::kIdExpertMode)->setChecked(false);
    Get<QCheckBox>(Dlg::kIdOpenExplorer)->setChecked(true);
    Get<QLineEdit>(Dlg::kIdImageSoftware)->setText("/usr/bin/other");
    Get<QLineEdit>(Dlg::kIdProgram)->setText("/usr/bin/xterm");
  }

  uitest::ScopedLanguage english_{kLanguageEnglish};
  AppSettings settings_;
  std::unique_ptr<Dlg> dialog_;
};

TEST_F(AppSettingsDialogTest, OpensWithTheRecordsValues) {
  Open();
  EXPECT_EQ(dialog_->windowTitle(), "Application Settings");
  EXPECT_FALSE(Get<QCheckBox>(Dlg::kIdShowAllDrives)->isChecked());
  EXPECT_TRUE(Get<QCheckBox>(Dlg::kIdExpertMode)->isChecked());
  EXPECT_FALSE(Get<QCheckBox>(Dlg::kIdOpenExplorer)->isChecked());
  EXPECT_EQ(Get<QLineEdit>(Dlg::kIdImageSoftware)->text(), "/opt/tools/imager");
  EXPECT_EQ(Get<QLineEdit>(Dlg::kIdProgram)->text(), "");
  EXPECT_EQ(Get<QCheckBox>(Dlg::kIdOpenExplorer)->text(), "Open Explorer after &Mount Image Disk");
  EXPECT_EQ(Get<QPushButton>(Dlg::kIdCancel)->text(), "&Close");
  EXPECT_EQ(gui::AccessibleName(Get<QLineEdit>(Dlg::kIdImageSoftware)),
            "External Image Editing Software");
  EXPECT_EQ(gui::AccessibleName(Get<QPushButton>(Dlg::kIdBrowseProgram)),
            "Browse for the external program");
}

TEST_F(AppSettingsDialogTest, CancelLeavesRecordAndProfileUntouched) {
  Open();
  ChangeEverything();
  QTest::keyClick(dialog_.get(), Qt::Key_Escape);
  EXPECT_EQ(dialog_->result(), QDialog::Rejected);
  ExpectRecordAndProfile(false, true, false, "/opt/tools/imager", "");
}

TEST_F(AppSettingsDialogTest, SaveWritesEveryValue) {
  Open();
  ChangeEverything();
  // Save is the default button: Enter in a field presses it.
  QTest::keyClick(Get<QLineEdit>(Dlg::kIdProgram), Qt::Key_Return);
  EXPECT_EQ(dialog_->result(), QDialog::Accepted);
  ExpectRecordAndProfile(true, false, true, "/usr/bin/other", "/usr/bin/xterm");
}

TEST_F(AppSettingsDialogTest, BrowsePutsTheChosenPathIntoItsField) {
  Open();
  QString askedTitle;
  QString askedCurrent;
  std::optional<QString> answer = "/usr/local/bin/imager";
  dialog_->SetBrowseFunction([&](const QString& title, const QString& current) {
    askedTitle = title;
    askedCurrent = current;
    return answer;
  });
  Get<QPushButton>(Dlg::kIdBrowseImageSoftware)->click();
  EXPECT_EQ(askedTitle, "External Image Editing Software");
  EXPECT_EQ(askedCurrent, "/opt/tools/imager");
  EXPECT_EQ(Get<QLineEdit>(Dlg::kIdImageSoftware)->text(), "/usr/local/bin/imager");
  answer.reset();  // the user cancels
  Get<QPushButton>(Dlg::kIdBrowseImageSoftware)->click();
  EXPECT_EQ(Get<QLineEdit>(Dlg::kIdImageSoftware)->text(), "/usr/local/bin/imager");
  Get<QPushButton>(Dlg::kIdBrowseProgram)->click();
  EXPECT_EQ(askedTitle, "External Programm");
  EXPECT_EQ(Get<QLineEdit>(Dlg::kIdProgram)->text(), "");
}

TEST_F(AppSettingsDialogTest, MnemonicsReachTheirControls) {
  Open();
  dialog_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(dialog_.get()));
  // A mnemonic clicks its button the way a click looks: a moment later.
  QTest::keyClick(dialog_.get(), Qt::Key_E, Qt::AltModifier);  // "&Expert Mode"
  EXPECT_TRUE(QTest::qWaitFor([&] { return !Get<QCheckBox>(Dlg::kIdExpertMode)->isChecked(); }));
  GetLanguageTexts().SwitchLanguage(kLanguageGerman);
  QTest::keyClick(dialog_.get(), Qt::Key_A, Qt::AltModifier);  // "&Alle Wechseldatenträger"
  EXPECT_TRUE(QTest::qWaitFor([&] { return Get<QCheckBox>(Dlg::kIdShowAllDrives)->isChecked(); }));
  // ("&Save" shares its key with "&Show ...", "&Speichern" with "&Schließen":
  // such a key moves the focus between the two, as on Windows.)
  GetLanguageTexts().SwitchLanguage(kLanguageEnglish);
  QTest::keyClick(dialog_.get(), Qt::Key_C, Qt::AltModifier);  // "&Close"
  EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog_->isVisible(); }));
  EXPECT_EQ(dialog_->result(), QDialog::Rejected);
}

TEST_F(AppSettingsDialogTest, GermanTexts) {
  Open();
  GetLanguageTexts().SwitchLanguage(kLanguageGerman);
  EXPECT_EQ(dialog_->windowTitle(), "Programmeinstellungen");
  EXPECT_EQ(Get<QPushButton>(Dlg::kIdSave)->text(), "&Speichern");
  EXPECT_EQ(Get<QCheckBox>(Dlg::kIdExpertMode)->text(), "&Expertenmodus");
  EXPECT_EQ(gui::AccessibleName(Get<QPushButton>(Dlg::kIdBrowseProgram)),
            "Externes Programm suchen");
  EXPECT_EQ(CDlgAppSettings::ProgramFilter(),
            "Ausführbare Dateien (*.exe)|*.exe|Alle Dateien (*.*)|*.*||");
}

// The file dialog of the browse buttons: the program filter shows folders and
// files the user can run, whatever their names; "All Files" shows all.
TEST(ProgramFileDialog, TheProgramFilterShowsRunnableFiles) {
  testsupport::TempDir dir;
  std::ofstream(dir.File("imager")) << "#!/bin/sh\n";
  std::ofstream(dir.File("readme.txt")) << "x";
  std::ofstream(dir.File("tool.exe")) << "MZ";
  ASSERT_EQ(::chmod(dir.File("imager").c_str(), 0755), 0);
  ASSERT_EQ(::mkdir(dir.File("sub").c_str(), 0755), 0);

  QFileDialog dialog;
  SetUpProgramFileDialog(dialog, "Executable File (*.exe)|*.exe|All Files (*.*)|*.*||",
                         QString::fromStdString(dir.File("imager")));
  auto* files = dialog.findChild<QFileSystemModel*>();
  ASSERT_NE(files, nullptr);
  QAbstractProxyModel* proxy = dialog.proxyModel();
  ASSERT_NE(proxy, nullptr);
  const QModelIndex folder = files->index(QString::fromStdString(dir.path()));
  ASSERT_TRUE(QTest::qWaitFor([&] { return files->rowCount(folder) == 4; }, 5000));
  auto shown = [&] {
    QStringList names;
    const QModelIndex parent = proxy->mapFromSource(folder);
    for (int row = 0; row < proxy->rowCount(parent); ++row) {
      names << proxy->index(row, 0, parent).data().toString();
    }
    names.sort();
    return names;
  };
  EXPECT_EQ(shown(), (QStringList{"imager", "sub"}));
  // The list names the filters as the program writes them.
  auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
  ASSERT_NE(types, nullptr);
  ASSERT_EQ(types->count(), 2);
  EXPECT_EQ(types->itemText(0), "Executable File (*.exe)");
  EXPECT_EQ(types->itemText(1), "All Files (*.*)");
  // The user picks "All Files" (the list answers as it does to a click).
  types->setCurrentIndex(1);
  emit types->activated(1);
  emit types->textActivated(types->itemText(1));
  EXPECT_EQ(shown(), (QStringList{"imager", "readme.txt", "sub", "tool.exe"}));
}

}  // namespace
