#include "gui/ui_test_support.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QTextDocumentFragment>

#include <cstdio>

#include "driveaccess/drive_kind.h"
#include "gui/accessible_names.h"
#include "gui/control_id.h"
#include "platform/drive.h"
#include "services/language_texts.h"

namespace uitest {

CDriveInfo FloppyRecord(char letter, const char* label) {
  CDriveInfo drive;
  drive.driveName = std::string(1, letter) + ":";
  drive.kind = DRIVE_KIND_FLOPPY;
  drive.volumeLabel = label;
  return drive;
}

void QuietOffscreenNotes(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (text.startsWith(QLatin1String("This plugin does not support"))) return;
  std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}

ScopedLanguage::ScopedLanguage(int language) : previous_(GetLanguageTexts().GetLanguage()) {
  GetLanguageTexts().SwitchLanguage(language);
}

ScopedLanguage::~ScopedLanguage() {
  GetLanguageTexts().SwitchLanguage(previous_);
}

bool AttachedCard::Make(char letter, const testsupport::ReferenceCard& card, std::string* reason,
                        const platform::ImageDriveOptions& options) {
  if (!testsupport::HaveProgram("mkfs.fat") || !testsupport::HaveProgram("sfdisk")) {
    *reason = "mkfs.fat and sfdisk make the reference cards";
    return false;
  }
  path_ = dir_.File("card.img");
  if (!testsupport::MakeReferenceCard(path_, card, reason)) return false;
  std::uint32_t error = 0;
  drive_ = platform::ImageDrive::OpenCard(path_, options, &error);
  if (!drive_ || !platform::DriveTable::Instance().Attach(letter, drive_)) {
    *reason = "the card image could not be attached (error " + std::to_string(error) + ")";
    return false;
  }
  letter_ = letter;
  return true;
}

void AttachedCard::Unmount() {
  if (drive_) drive_->Unmount();
}

AttachedCard::~AttachedCard() {
  if (letter_ != 0) platform::DriveTable::Instance().Detach(letter_);
}

CDriveInfo AttachedCard::Drive() const {
  CDriveInfo info;
  // A drive that cannot be described gives an empty record.
  if (!QueryDrive(letter_, info, 0xFFFFFFFFu)) info = CDriveInfo();
  return info;
}

QStringList VisibleTexts(QWidget* window) {
  QStringList texts{window->windowTitle()};
  for (QWidget* control : gui::WindowControls(window)) {
    if (const auto* button = qobject_cast<QAbstractButton*>(control)) texts << button->text();
    if (const auto* label = qobject_cast<QLabel*>(control)) texts << label->text();
    if (const auto* group = qobject_cast<QGroupBox*>(control)) texts << group->title();
    if (const auto* table = qobject_cast<QTableWidget*>(control)) {
      for (int column = 0; column < table->columnCount(); ++column) {
        if (const QTableWidgetItem* header = table->horizontalHeaderItem(column)) {
          texts << header->text();
        }
      }
    }
    if (!control->toolTip().isEmpty()) {
      texts << QTextDocumentFragment::fromHtml(control->toolTip()).toPlainText().trimmed();
    }
    if (gui::ControlId(control) != 0) texts << gui::AccessibleName(control);
  }
  texts.removeAll(QString());
  return texts;
}

}  // namespace uitest
