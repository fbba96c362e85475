#include "driveaccess/dialogs/dlg_cf_helper.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <chrono>
#include <cstdio>

#include "base/current_language.h"
#include "container/card_status.h"
#include "driveaccess/card_helper.h"
#include "gui/accessible_names.h"
#include "gui/control_id.h"
#include "gui/dialog_units.h"
#include "gui/message_box.h"
#include "gui/ui_texts.h"

namespace {
QPushButton* NewButton(QWidget* parent, int id, const char* text) {
  auto* button = new QPushButton(QString::fromUtf8(text), parent);
  gui::SetControlId(button, id);
  button->setAutoDefault(false);
  return button;
}
}  // namespace

// The operations' display on the worker thread: a text replaces the one not
// shown yet, the cancel request is read from the flag the Cancel button sets.
class CDlgCFHelper::WorkerDisplay : public ICardHelperDisplay {
 public:
  explicit WorkerDisplay(CDlgCFHelper& dialog) : dialog_(dialog) {}
  void ShowText(const std::string& text) override { dialog_.latestText_.Put(text); }
  bool CancelRequested() override { return dialog_.cancelRequested_.load(); }

 private:
  CDlgCFHelper& dialog_;
};

CDlgCFHelper::CDlgCFHelper(const CDriveInfo& drive, QWidget* parent)
    : CExResizeDialog(kTemplateId, parent, QSize(292, 159)),
      letter_(drive.Letter()),
      label_(drive.volumeLabel) {
  setWindowTitle(QStringLiteral("CF Helper"));
  read_ = NewButton(this, kIdRead, "Read RAW Sector");
  format_ = NewButton(this, kIdFormat, "Format FLASH");
  output_ = new QPlainTextEdit(this);
  gui::SetControlId(output_, kIdOutput);
  output_->setReadOnly(true);
  output_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  gui::SetOwnAccessibleName(output_, gui::kTextCardHelperOutput.english,
                            gui::kTextCardHelperOutput.german);
  cancel_ = NewButton(this, kIdCancel, "&Cancel");
  close_ = NewButton(this, kIdClose, "&Close");
  // The widths of the dialog table, or what the texts need.
  for (QPushButton* tool : {read_, format_}) {
    tool->setMinimumWidth(gui::DialogUnitsToPixels(font(), QSize(92, 14)).width());
  }
  for (QPushButton* button : {cancel_, close_}) {
    button->setMinimumWidth(gui::DialogUnitsToPixels(font(), QSize(50, 14)).width());
  }

  auto* tools = new QVBoxLayout;
  tools->addWidget(read_);
  tools->addWidget(format_);
  auto* top = new QHBoxLayout;
  top->addLayout(tools);
  top->addStretch();
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cancel_);
  buttons->addWidget(close_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addSpacing(12);
  layout->addWidget(output_, 1);
  layout->addLayout(buttons);

  // Queued: the worker emits, the window's thread ends the operation.
  connect(this, &CDlgCFHelper::OperationEnded, this, &CDlgCFHelper::OnOperationEnded,
          Qt::QueuedConnection);
  showTimer_.setInterval(kDisplayInterval);
  connect(&showTimer_, &QTimer::timeout, this, &CDlgCFHelper::ShowLatestText);
  connect(read_, &QPushButton::clicked, this, [this] { StartOperation(kReadTest); });
  connect(format_, &QPushButton::clicked, this, [this] {
    if (AskFormat()) StartOperation(kFormatFlash);
  });
  connect(cancel_, &QPushButton::clicked, this, [this] { cancelRequested_ = true; });
  connect(close_, &QPushButton::clicked, this, &CDlgCFHelper::reject);
}

CDlgCFHelper::~CDlgCFHelper() {
  if (worker_.joinable()) {
    cancelRequested_ = true;
    worker_.join();
  }
}

void CDlgCFHelper::OnInitDialog() {
  SetRunning(false);
  gui::FitButtonsToTexts(this);
  RegisterWithLanguage();
}

void CDlgCFHelper::OnTextsApplied() {
  gui::FitButtonsToTexts(this);
}

void CDlgCFHelper::reject() {
  if (IsRunning()) return;
  CExResizeDialog::reject();
}

bool CDlgCFHelper::AskFormat() {
  std::uint64_t bytes = 0;
  // A card that cannot be opened is not formatted: the operation shows
  // nothing, and there is nothing to ask.
  if (!CardHelperCardBytes(letter_, &bytes)) return true;
  const std::string label = label_.empty() ? Localized("no label", "ohne Bezeichnung") : label_;
  char text[512];
  std::snprintf(text, sizeof text,
                Localized("Format FLASH overwrites sectors 0 to 15 of the card in drive %c: "
                          "(\"%s\", %s) with zeros.\nIts partition table and start sector are "
                          "lost.\n\nFormat the card now ?",
                          "Formatiere FLASH überschreibt die Sektoren 0 bis 15 der Karte in "
                          "Laufwerk %c: (\"%s\", %s) mit Nullen.\nIhre Partitionstabelle und "
                          "der Start Sektor gehen verloren.\n\nKarte jetzt formatieren ?")
                    .c_str(),
                letter_, label.c_str(), FormatSize(bytes).c_str());
  return gui::AskYesNo(this, text, gui::DefaultAnswer::kNo);
}

void CDlgCFHelper::StartOperation(Operation operation) {
  if (IsRunning()) return;
  SetRunning(true);
  operation_ = operation;
  if (operation == kFormatFlash) formatRan_ = true;
  started_ = false;
  cancelRequested_ = false;
  latestText_.Take();
  worker_ = std::thread(&CDlgCFHelper::RunOperation, this);
  while (!started_) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  showTimer_.start();
}

void CDlgCFHelper::RunOperation() {
  started_ = true;
  WorkerDisplay display(*this);
  if (operation_ == kReadTest) {
    CardHelperReadTest(letter_, display);
  } else {
    CardHelperFormatFlash(letter_, display);
  }
  emit OperationEnded();
}

void CDlgCFHelper::ShowLatestText() {
  if (std::optional<std::string> text = latestText_.Take()) {
    ShowText(QString::fromStdString(*text));
  }
}

void CDlgCFHelper::ShowText(const QString& text) {
  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  output_->setPlainText(shown);
  output_->repaint();
}

void CDlgCFHelper::OnOperationEnded() {
  if (worker_.joinable()) worker_.join();
  showTimer_.stop();
  ShowLatestText();  // the last text, always
  SetRunning(false);
}

void CDlgCFHelper::SetRunning(bool running) {
  close_->setEnabled(!running);
  read_->setEnabled(!running);
  format_->setEnabled(!running);
  cancel_->setVisible(running);
}
