// The slot list shows what each slot's image holds beside its name, in both
// languages, without changing the names the slot commands read back.
#include <QApplication>
#include <QListWidget>

#include "gui/described_item_delegate.h"
#include "mainwindow/main_window_fixture.h"

namespace mwtest {
namespace {

class SlotContentsListTest : public MainWindowTest {
 protected:
  QListWidget* List() { return Get<QListWidget>(CTarnwickDlg::kIdSlotList); }
  QString Description(int slot) {
    return List()->item(slot)->data(gui::kItemDescriptionRole).toString();
  }
  void WaitForDescriptions() {
    for (int i = 0; i < 500 && window_->SlotContentsPending(); ++i) QApplication::processEvents();
    ASSERT_FALSE(window_->SlotContentsPending());
  }
};

TEST_F(SlotContentsListTest, MixedSlotsShowTheirDescriptionsInBothLanguages) {
  if (!MakeCard(CardKind::kUsable)) return;
  std::string reason;
  ASSERT_TRUE(WriteMixedSlots(kLetter, &reason)) << reason;
  Open();
  WaitForDescriptions();
  EXPECT_EQ(SlotNames(), (QStringList{"Empty 1", "Tools", "Spare", "Other"}));
  const QString kDot = QString::fromUtf8(" \xC2\xB7 ");
  const QStringList english = {
      "blank", "FAT12 'TOOLS'" + kDot + "3 files" + kDot + "1 folder" + kDot + "119 KB used",
      "unformatted", "not FAT: FA 33 C0 8E D0 BC 00 7C"};
  for (int slot = 0; slot < 4; ++slot)
    EXPECT_EQ(Description(slot).toStdString(), english[slot].toStdString());
  EXPECT_EQ(List()->item(1)->toolTip(), "UTILS/\nSETUP.EXE\nREADME.TXT");
  EXPECT_EQ(List()->item(1)->data(Qt::AccessibleDescriptionRole).toString(), english[1]);

  // A refresh of the unchanged card has everything at once, reads nothing.
  window_->UpdateDriveStatus(*window_->GetSelectedDrive());
  EXPECT_FALSE(window_->SlotContentsPending());
  window_->SetLanguage(true);
  WaitForDescriptions();
  EXPECT_EQ(Description(0), "leer");
  EXPECT_EQ(Description(2), "unformatiert");
  EXPECT_TRUE(Description(1).endsWith("119 KB belegt")) << Description(1).toStdString();
}

}  // namespace
}  // namespace mwtest
