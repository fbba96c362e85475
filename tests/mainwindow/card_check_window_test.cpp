// The check window on a damaged card image: what it lists, the repair after
// the question, and the main window's status line afterwards.
#include <QAction>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "container/dialogs/dlg_card_check.h"
#include "gui/colors.h"
#include "gui/ex_static.h"
#include "mainwindow/main_window_fixture.h"
#include "mainwindow/slot_test_support.h"
#include "platform/files.h"

namespace {
using Dornveld::GUI::CExStatic;
using Dlg = CTarnwickDlg;

struct Seen {
  QStringList rows;  // severity, then the finding over its repair
  QString status;
  int severity = -1;
  bool repairEnabled = false;
};

Seen Look(CDlgCardCheck& dialog) {
  Seen seen;
  auto* list = qobject_cast<QTreeWidget*>(dialog.Control(CDlgCardCheck::kIdFindings));
  for (int row = 0; row < list->topLevelItemCount(); ++row) {
    seen.rows << list->topLevelItem(row)->text(0) + " | " + list->topLevelItem(row)->text(1);
  }
  auto* status = qobject_cast<CExStatic*>(dialog.Control(CDlgCardCheck::kIdStatus));
  seen.status = status->text();
  seen.severity = status->Severity();
  seen.repairEnabled = dialog.Control(CDlgCardCheck::kIdRepair)->isEnabled();
  return seen;
}

QColor Background(QWidget* status) {
  return status->palette().color(QPalette::Window);
}

class CardCheckWindowTest : public mwtest::MainWindowTest {};

TEST_F(CardCheckWindowTest, ListsTheFindingsAndTheRepairTurnsTheStatusLineGreen) {
  if (!MakeCard(mwtest::CardKind::kStartSectorNotSet)) return;
  const std::string container = "R:\\DornveldFLP\\DornveldCIF.dfp";
  ASSERT_TRUE(platform::SetAttributes(container, 0));
  Open();
  ASSERT_EQ(Severity(), CExStatic::kSeverityWarning);
  QAction* command = window_->MenuAction(Dlg::kCmdCheckCard);
  ASSERT_NE(command, nullptr);
  EXPECT_EQ(command->text(), "Chec&k Card...");
  EXPECT_TRUE(command->isEnabled());

  Seen before, after;
  QStringList questions;
  bool closedByEnter = false;
  mwtest::OnModal<CDlgCardCheck> work([&](CDlgCardCheck& dialog) {
    before = Look(dialog);
    {
      mwtest::ModalWatcher answer({QMessageBox::Yes});
      qobject_cast<QPushButton*>(dialog.Control(CDlgCardCheck::kIdRepair))->click();
      questions = answer.Seen();
    }
    after = Look(dialog);
    // Enter closes the window once nothing is left to repair.
    QTest::keyClick(dialog.Control(CDlgCardCheck::kIdFindings), Qt::Key_Return);
    closedByEnter = !dialog.isVisible();
    if (!closedByEnter) dialog.reject();
  });
  command->trigger();
  QTRY_COMPARE(work.Count(), 1);
  QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);

  EXPECT_EQ(
      before.rows,
      (QStringList{"Error | The start sector is not recorded in sector 0.\nRepair records the "
                   "start sector when the file is in one piece and its own.",
                   "Warning | The container file is no longer read-only and system.\nRepair "
                   "sets read-only and system again."}))
      << before.rows.join("\n").toStdString();
  EXPECT_EQ(before.status, "Findings: 2. The repair mends 2 of them.");
  EXPECT_EQ(before.severity, CExStatic::kSeverityError);
  EXPECT_TRUE(before.repairEnabled);
  ASSERT_EQ(questions.size(), 1);
  EXPECT_TRUE(questions[0].startsWith("Repair the card R: ")) << questions[0].toStdString();

  EXPECT_TRUE(after.rows.isEmpty()) << after.rows.join("\n").toStdString();
  EXPECT_EQ(after.status, "Repaired. No findings: the card is fine.");
  EXPECT_FALSE(after.repairEnabled);
  EXPECT_TRUE(closedByEnter);

  // The main window read the card again: green, in the words of a usable card.
  EXPECT_EQ(StatusText(),
            "--- Dornveld Container File: Ok, Not Fragemented, Start Sector Set: Ok ---");
  EXPECT_EQ(Severity(), CExStatic::kSeverityOk);
  EXPECT_EQ(Background(Get(Dlg::kIdStatus)),
            gui::ColorFromColorRef(CExStatic::BackgroundColorRef(CExStatic::kSeverityOk)));
}

TEST_F(CardCheckWindowTest, RepairAnsweredNoWritesNothing) {
  if (!MakeCard(mwtest::CardKind::kStartSectorNotSet)) return;
  Open();
  mwtest::OnModal<CDlgCardCheck> work([&](CDlgCardCheck& dialog) {
    mwtest::ModalWatcher answer;  // the question's escape button: No
    qobject_cast<QPushButton*>(dialog.Control(CDlgCardCheck::kIdRepair))->click();
    EXPECT_EQ(dialog.Findings().size(), 1u);
    QTest::keyClick(&dialog, Qt::Key_Escape);
  });
  window_->OnCommand(Dlg::kCmdCheckCard);
  EXPECT_EQ(work.Count(), 1);
  EXPECT_EQ(Severity(), CExStatic::kSeverityWarning);
}

}  // namespace
