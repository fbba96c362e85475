// The language switch of the main window: drive and slot stay, and the
// status line, the window menu, the tool bar and the status bar follow.
#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTextDocumentFragment>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include "base/current_language.h"
#include "gui/accessible_names.h"
#include "gui/control_id.h"
#include "mainwindow/main_window_fixture.h"

namespace {
using mwtest::CardKind;
using Dlg = CTarnwickDlg;

QString PlainToolTip(const QAction* action) {
  return QTextDocumentFragment::fromHtml(action->toolTip()).toPlainText().trimmed();
}

// The window menu as "id text" lines, separators as "-", submenus indented.
QStringList MenuLines(const QMenu* menu, const QString& indent = QString()) {
  QStringList lines;
  for (const QAction* action : menu->actions()) {
    if (action->isSeparator()) {
      lines << indent + "-";
      continue;
    }
    QString line = indent + QString::number(action->property("quillfenCommandId").toInt()) + " " +
                   action->text();
    if (action->isCheckable() && action->isChecked()) line += " [x]";
    if (!action->isVisible()) line += " (hidden)";
    lines << line;
    if (action->menu() != nullptr) lines << MenuLines(action->menu(), indent + "  ");
  }
  return lines;
}

class LanguageTest : public mwtest::MainWindowTest {};

TEST_F(LanguageTest, TheWindowMenuInBothLanguages) {
  Open();
  EXPECT_EQ(
      MenuLines(window_->SystemMenu()),
      (QStringList{"1147 Attach &Card Image...", "1148 &Detach Card Image",
                   "1149 Attach Fl&oppy Image...", "1150 Detach Floppy &Image",
                   "1143 Save Compact Flash to Image &File... (hidden)",
                   "1151 E&xport All Images...", "1152 I&mport Images...", "1155 Chec&k Card...",
                   "-", "1136 &Application Settings", "1137 Register .DFP &Extension", "-",
                   "0 &Language", "  1140 English / Englisch [x]", "  1141 German / Deutsch", "-",
                   "1138 A&bout", "57670 &Help\tF1"}));
  window_->OnCommand(Dlg::kCmdGerman);
  EXPECT_EQ(MenuLines(window_->SystemMenu()),
            (QStringList{"1147 &Kartenabbild einbinden...", "1148 Kartenabbild &lösen",
                         "1149 Diskettenabbild ein&binden...", "1150 Diskettenabbild l&ösen",
                         "1143 Compact Flash als Abbild&datei speichern... (hidden)",
                         "1151 Alle Abbilder e&xportieren...", "1152 Abbilder i&mportieren...",
                         "1155 Karte prü&fen...", "-", "1136 &Programmeinstellungen",
                         "1137 R&egistrieren von .DFP Dateiendung", "-", "0 S&prache",
                         "  1140 English / Englisch", "  1141 German / Deutsch [x]", "-",
                         "1138 &Info...", "57670 &Hilfe\tF1"}));
  window_->MenuAction(Dlg::kCmdEnglish)->trigger();
  EXPECT_TRUE(window_->MenuAction(Dlg::kCmdEnglish)->isChecked());
  EXPECT_FALSE(window_->MenuAction(Dlg::kCmdGerman)->isChecked());
}

TEST_F(LanguageTest, SwitchingKeepsDriveAndSlotAndRetextsEverything) {
  if (!MakeCard(CardKind::kStartSectorNotSet)) return;
  Open();
  SelectSlot(1);
  EXPECT_EQ(StatusText(), "--- Start-Sector not set ---");
  EXPECT_EQ(PlainToolTip(window_->ToolBarAction(Dlg::kCmdSettings)), "Application Settings");
  EXPECT_EQ(Text(Dlg::kIdIndicatorCaps), "CAPS");
  EXPECT_TRUE(window_->ToolBarAction(Dlg::kCmdEnglish)->isChecked());

  window_->ToolBarAction(Dlg::kCmdGerman)->trigger();
  EXPECT_EQ(window_->GetSelectedDrive()->driveName, "R:");
  EXPECT_EQ(window_->SelectedSlot(), 1);
  EXPECT_EQ(Text(Dlg::kIdSlotName), "Empty 2");
  EXPECT_EQ(StatusText(), "--- Start Sektor nicht gesetzt ---");
  EXPECT_EQ(Severity(), 1);
  EXPECT_EQ(window_->windowTitle(), "Quillfen");
  EXPECT_EQ(Text(Dlg::kIdSizeLabel), "Größe");
  EXPECT_EQ(PlainToolTip(window_->ToolBarAction(Dlg::kCmdSettings)), "Programm Einstellungen");
  EXPECT_EQ(PlainToolTip(window_->ToolBarAction(Dlg::kCmdHelp)), "Hilfe für dieses Programm");
  EXPECT_TRUE(window_->ToolBarAction(Dlg::kCmdGerman)->isChecked());
  EXPECT_FALSE(window_->ToolBarAction(Dlg::kCmdEnglish)->isChecked());
  EXPECT_EQ(Text(Dlg::kIdIndicatorCaps), "GROSS");
  EXPECT_EQ(Text(Dlg::kIdIndicatorNum), "NF");
  EXPECT_EQ(Text(Dlg::kIdIndicatorScroll), "SCRL");
  EXPECT_EQ(settings_.GetLanguageSetting(0), 1);
  // The tool bar's buttons carry their command ids and are named for
  // assistive tools in the language too.
  EXPECT_EQ(gui::AccessibleName(window_->Control(Dlg::kCmdSettings)), "Programmeinstellungen");
  EXPECT_EQ(gui::AccessibleName(window_->Control(Dlg::kCmdHelp)), "Hilfe");

  window_->OnCommand(Dlg::kCmdEnglish);
  EXPECT_EQ(StatusText(), "--- Start-Sector not set ---");
  EXPECT_EQ(window_->SelectedSlot(), 1);
  EXPECT_EQ(settings_.GetLanguageSetting(0), 0);
}

// A screen reader toggles a button without clicking it; the program sets
// an entry's check mark: the language follows the mark either way.
TEST_F(LanguageTest, TheLanguageEntriesSwitchHoweverTheyAreToggled) {
  Open();
  auto* germanButton = qobject_cast<QToolButton*>(window_->Control(Dlg::kCmdGerman));
  QAccessibleActionInterface* german =
      QAccessible::queryAccessibleInterface(germanButton)->actionInterface();
  ASSERT_NE(german, nullptr);
  german->doAction(QAccessibleActionInterface::toggleAction());
  EXPECT_TRUE(IsGermanLanguage());
  EXPECT_EQ(Text(Dlg::kIdSizeLabel), "Größe");
  EXPECT_TRUE(window_->MenuAction(Dlg::kCmdGerman)->isChecked());
  EXPECT_FALSE(window_->ToolBarAction(Dlg::kCmdEnglish)->isChecked());
  // Toggling the language that is on off leaves it on.
  german->doAction(QAccessibleActionInterface::toggleAction());
  EXPECT_TRUE(IsGermanLanguage());
  EXPECT_TRUE(germanButton->isChecked());
  EXPECT_TRUE(window_->ToolBarAction(Dlg::kCmdGerman)->isChecked());
  window_->MenuAction(Dlg::kCmdEnglish)->setChecked(true);
  EXPECT_FALSE(IsGermanLanguage());
  EXPECT_FALSE(germanButton->isChecked());
  EXPECT_EQ(settings_.GetLanguageSetting(0), 0);
}

TEST_F(LanguageTest, AStoredGermanChoiceOpensTheWindowInGerman) {
  settings_.StoreLanguageSetting(1);
  uitest::ScopedLanguage restore(kLanguageEnglish);
  Open();
  EXPECT_EQ(GetLanguageTexts().GetLanguage(), kLanguageGerman);
  EXPECT_TRUE(window_->MenuAction(Dlg::kCmdGerman)->isChecked());
  EXPECT_EQ(Text(Dlg::kIdDriverInfo), " Keinen Virtual Disk Treiber gefunden !");
}

TEST_F(LanguageTest, TheToolBarHoldsItsCommandsInOrderWithAboutAndHelpAtTheRightEnd) {
  Open();
  QToolBar* bar = window_->ToolBar();
  QList<int> ids;
  for (QAction* action : bar->actions()) {
    ids << (action->isSeparator() ? -1 : action->property("quillfenCommandId").toInt());
  }
  // Between German and About the spacer that pushes the last two right.
  EXPECT_EQ(ids, (QList<int>{1136, -1, 1140, 1141, 0, 1138, 57670}));
  EXPECT_EQ(bar->windowTitle(), "Standard");
  const QWidget* german = window_->Control(Dlg::kCmdGerman);
  const QWidget* about = window_->Control(Dlg::kCmdAbout);
  EXPECT_GT(about->x() - german->x(), bar->width() / 2);
}

}  // namespace
