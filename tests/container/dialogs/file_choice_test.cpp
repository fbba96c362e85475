// The file dialog of image and FPGA update files: the kind's filters in both
// languages ("*.*" showing names without an extension), open and save, and
// the chosen path handed back.
#include <QAbstractProxyModel>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "container/dialogs/file_choice.h"
#include "container/file_choice_kind.h"
#include "gui/ui_test_support.h"
#include "support/test_data.h"

namespace {

class FileChoiceTest : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"disk.img", "fpga.bin", "README", "notes.txt", "OLD.IMG"}) {
      ASSERT_TRUE(testsupport::WriteHostFile(dir_.File(name), "x"));
    }
  }
  // The names the dialog lists in the folder under its chosen filter.
  static QStringList Shown(QFileDialog& dialog, const std::string& folder) {
    auto* files = dialog.findChild<QFileSystemModel*>();
    QAbstractProxyModel* proxy = dialog.proxyModel();
    if (files == nullptr || proxy == nullptr) return {"no model"};
    const QModelIndex parent = proxy->mapFromSource(files->index(QString::fromStdString(folder)));
    QStringList names;
    for (int row = 0; row < proxy->rowCount(parent); ++row) {
      names << proxy->index(row, 0, parent).data().toString();
    }
    names.sort();
    return names;
  }
  // The model reads the folder in the background: true once it lists these.
  bool Lists(QFileDialog& dialog, const QStringList& names) const {
    const bool listed = QTest::qWaitFor([&] { return Shown(dialog, dir_.path()) == names; }, 5000);
    if (!listed) ADD_FAILURE() << Shown(dialog, dir_.path()).join(", ").toStdString();
    return listed;
  }
  static void ChooseFilter(QFileDialog& dialog, int index) {
    auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
    ASSERT_NE(types, nullptr);
    types->setCurrentIndex(index);
    emit types->activated(index);
    emit types->textActivated(types->itemText(index));
  }
  static QStringList FilterLabels(QFileDialog& dialog) {
    QStringList labels;
    if (auto* types = dialog.findChild<QComboBox*>("fileTypeCombo")) {
      for (int i = 0; i < types->count(); ++i) labels << types->itemText(i);
    }
    return labels;
  }

  uitest::ScopedLanguage english_{kLanguageEnglish};
  testsupport::TempDir dir_;
};

TEST_F(FileChoiceTest, FpgaFilesAndAllFilesWithNamesWithoutAnExtension) {
  QFileDialog dialog;
  SetUpFileChoiceDialog(dialog, true, QString::fromStdString(dir_.File("fpga.bin")), kFileKindFpga);
  EXPECT_EQ(dialog.windowTitle(), "Open");
  EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptOpen);
  EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFile);
  EXPECT_EQ(dialog.defaultSuffix(), "bin");
  EXPECT_EQ(FilterLabels(dialog), (QStringList{"Binary Files (*.bin)", "All Files (*.*)"}));
  EXPECT_TRUE(Lists(dialog, {"fpga.bin"}));
  ChooseFilter(dialog, 1);
  EXPECT_TRUE(Lists(dialog, {"OLD.IMG", "README", "disk.img", "fpga.bin", "notes.txt"}));
}

TEST_F(FileChoiceTest, ImageFilesInGerman) {
  GetLanguageTexts().SwitchLanguage(kLanguageGerman);
  QFileDialog dialog;
  SetUpFileChoiceDialog(dialog, false, QString::fromStdString(dir_.File("disk.img")),
                        kFileKindImage + 7);  // any kind but FPGA is the image kind
  EXPECT_EQ(dialog.windowTitle(), "Speichern unter");
  EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
  EXPECT_EQ(dialog.defaultSuffix(), "img");
  EXPECT_EQ(FilterLabels(dialog),
            (QStringList{"Abbilddateien (*.img)", "Binäre Dateien (*.bin)", "Alle Dateien (*.*)"}));
  EXPECT_TRUE(Lists(dialog, {"OLD.IMG", "disk.img"}));
  ChooseFilter(dialog, 1);
  EXPECT_TRUE(Lists(dialog, {"fpga.bin"}));
}

TEST_F(FileChoiceTest, TheConfirmedPathComesBackWithTheDefaultExtension) {
  std::string path = dir_.File("disk.img");
  QTimer::singleShot(0, [] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    static_cast<QDialog*>(dialog)->accept();  // the preselected file
  });
  ASSERT_TRUE(FfaChooseFile(nullptr, true, path, kFileKindImage));
  EXPECT_EQ(path, dir_.File("disk.img"));

  // Saving under a new name without an extension gets the kind's one.
  QTimer::singleShot(0, [] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->selectFile(QStringLiteral("copy"));
    static_cast<QDialog*>(dialog)->accept();
  });
  ASSERT_TRUE(FfaChooseFile(nullptr, false, path, kFileKindImage));
  EXPECT_EQ(path, dir_.File("copy.img"));

  QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
  std::string unchanged = "/somewhere/else.bin";
  EXPECT_FALSE(FfaChooseFile(nullptr, true, unchanged, kFileKindFpga));
  EXPECT_EQ(unchanged, "/somewhere/else.bin");
}

}  // namespace
