// The FPGA update dialog: which buttons it offers for which card and path,
// what it hands to the main window, and a real store into a container on a
// card image made with sfdisk and mkfs.fat.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "container/card_state.h"
#include "container/container_layout.h"
#include "container/dialogs/dlg_fpga_update.h"
#include "container/ffa_store.h"
#include "container/fpga_store.h"
#include "gui/accessible_names.h"
#include "gui/ui_test_support.h"
#include "platform/files.h"
#include "support/test_data.h"

namespace {
using Dlg = CDlgFpgaUpdate;

// The main window as the dialog sees it: records what it was asked to store
// and answers `result`, or stores for real on `letter` and reads the card again.
class Owner : public IFpgaUpdateOwner {
 public:
  const CardState& GetCardState() const override { return state; }
  int StoreFpgaUpdate(const std::string* file) override {
    calls.push_back(file ? std::optional<std::string>(*file) : std::nullopt);
    if (letter == 0) return result;
    const int rc = FfaWriteFpgaUpdate(letter, file, nullptr);
    std::uint64_t size = 0;
    FfaGetCardState(std::string(1, letter) + ":", size, state);
    return rc;
  }

  CardState state;
  int result = 0;
  char letter = 0;
  std::vector<std::optional<std::string>> calls;
};

class FpgaDialogTest : public testing::Test {
 protected:
  void Open() {
    dialog_ = std::make_unique<Dlg>(owner_, nullptr);
    dialog_->InitDialog();
    dialog_->show();
  }
  template <class T>
  T* Get(int id) const {
    return qobject_cast<T*>(dialog_->Control(id));
  }
  QPushButton* Write() const { return Get<QPushButton>(Dlg::kIdWrite); }
  QPushButton* Clear() const { return Get<QPushButton>(Dlg::kIdClear); }
  void Type(const QString& text) {
    Get<QLineEdit>(Dlg::kIdPath)->clear();
    QTest::keyClicks(Get<QLineEdit>(Dlg::kIdPath), text);
  }

  uitest::ScopedLanguage english_{kLanguageEnglish};
  Owner owner_;
  std::unique_ptr<Dlg> dialog_;
};

TEST_F(FpgaDialogTest, WriteNeedsRawAccessAndMoreThanBlanks) {
  owner_.state.Flags = CARD_RAW_ACCESS | CARD_CONTAINER_VALID;
  Open();
  EXPECT_EQ(dialog_->windowTitle(), "FPGA Update");
  EXPECT_EQ(Write()->text(), "Write To DCF");
  EXPECT_FALSE(Write()->isEnabled());
  Type(" \t ");
  EXPECT_FALSE(Write()->isEnabled());
  Type("  fpga.bin ");
  EXPECT_TRUE(Write()->isEnabled());
  // The name goes to the window as typed, blanks and all.
  owner_.result = -720;
  Write()->click();
  ASSERT_EQ(owner_.calls.size(), 1u);
  EXPECT_EQ(owner_.calls[0], std::optional<std::string>("  fpga.bin "));
  EXPECT_TRUE(dialog_->isVisible());  // a failure keeps it open

  // Without the rights to open the card, whatever the path.
  owner_.state.Flags = CARD_NO_RAW_RIGHTS | CARD_CONTAINER_VALID;
  Type("/tmp/fpga.bin");
  EXPECT_FALSE(Write()->isEnabled());
}

TEST_F(FpgaDialogTest, ClearIsOfferedOnlyForAStoredUpdate) {
  owner_.state.Flags = CARD_RAW_ACCESS | CARD_CONTAINER_VALID;
  Open();
  EXPECT_FALSE(Clear()->isVisible());
  owner_.state.Header.SetFpgaPresent(1);
  Open();
  EXPECT_TRUE(Clear()->isVisible());
  EXPECT_EQ(Clear()->text(), "Clear FPGA Update");
  Clear()->click();
  ASSERT_EQ(owner_.calls.size(), 1u);
  EXPECT_EQ(owner_.calls[0], std::nullopt);
  EXPECT_EQ(dialog_->result(), QDialog::Accepted);
  EXPECT_FALSE(dialog_->isVisible());
}

TEST_F(FpgaDialogTest, BrowseFillsThePath) {
  owner_.state.Flags = CARD_RAW_ACCESS;
  Open();
  Type("old.bin");
  std::string asked;
  std::optional<std::string> answer = "/home/user/new.bin";
  dialog_->SetBrowseFunction([&](const std::string& current) {
    asked = current;
    return answer;
  });
  QTest::mouseClick(Get<QPushButton>(Dlg::kIdBrowse), Qt::LeftButton);
  EXPECT_EQ(asked, "old.bin");
  EXPECT_EQ(Get<QLineEdit>(Dlg::kIdPath)->text(), "/home/user/new.bin");
  answer.reset();
  QTest::mouseClick(Get<QPushButton>(Dlg::kIdBrowse), Qt::LeftButton);
  EXPECT_EQ(Get<QLineEdit>(Dlg::kIdPath)->text(), "/home/user/new.bin");
  EXPECT_EQ(gui::AccessibleName(Get<QPushButton>(Dlg::kIdBrowse)),
            "Browse for the FPGA update file");
  EXPECT_EQ(gui::AccessibleName(Get<QLineEdit>(Dlg::kIdPath)), "Filename");
}

TEST_F(FpgaDialogTest, GermanTexts) {
  owner_.state.Header.SetFpgaPresent(1);
  Open();
  GetLanguageTexts().SwitchLanguage(kLanguageGerman);
  EXPECT_EQ(Write()->text(), "In DCD schreiben");
  EXPECT_EQ(Clear()->text(), "FPGA Update löschen");
  EXPECT_EQ(Get<QLabel>(Dlg::kIdPathLabel)->text(), "&Dateiname");
  EXPECT_EQ(Get<QPushButton>(Dlg::kIdClose)->text(), "&Schließen");
}

TEST_F(FpgaDialogTest, WritingStoresTheFileInTheContainerAndCloses) {
  testsupport::ReferenceCard card;
  card.sizeBytes = 32ull << 20;
  uitest::AttachedCard attached;
  std::string reason;
  if (!attached.Make('G', card, &reason)) GTEST_SKIP() << reason;
  ASSERT_EQ(FfaCreate('G', 2, "FPGA", true, nullptr), 0);
  owner_.letter = 'G';
  std::uint64_t size = 0;
  FfaGetCardState("G:", size, owner_.state);
  testsupport::TempDir dir;
  const std::string update = testsupport::TestBytes(5000, 8);
  ASSERT_TRUE(testsupport::WriteHostFile(dir.File("fpga.bin"), update));
  Open();
  EXPECT_FALSE(Clear()->isVisible());
  Type(QString::fromStdString(dir.File("fpga.bin")));
  QTest::keyClick(Get<QLineEdit>(Dlg::kIdPath), Qt::Key_Return);  // "Write" is the default
  EXPECT_EQ(dialog_->result(), QDialog::Accepted);
  EXPECT_EQ(owner_.state.Header.FpgaPresent(), 1);
  EXPECT_EQ(owner_.state.Header.FpgaLength(), 5000u);
  // The update's bytes in the main header block.
  platform::File container = platform::OpenFile(FfaGetContainerPath('G'), platform::kGenericRead,
                                                platform::Disposition::kOpenExisting);
  std::string stored(update.size(), '\0');
  ASSERT_TRUE(
      container.Seek(static_cast<std::int64_t>(kFpgaDataOffset), platform::SeekOrigin::kBegin));
  ASSERT_TRUE(container.ReadExact(stored.data(), static_cast<std::uint32_t>(stored.size())));
  EXPECT_EQ(stored, update);
}

}  // namespace
