#include "driveaccess/dialogs/dlg_cf_helper.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <chrono>

#include "driveaccess/card_helper.h"
#include "gui/accessible_names.h"
#include "gui/control_id.h"
#include "gui/dialog_units.h"
#include "gui/ui_texts.h"

namespace {
QPushButton* NewButton(QWidget* parent, int id, const char* text) {
  auto* button = new QPushButton(QString::fromUtf8(text), parent);
  gui::SetControlId(button, id);
  button->setAutoDefault(false);
  return button;
}
}  // namespace

// The operations' display on the worker thread: texts go out as queued
// signals, the cancel request is read from the flag the Cancel button sets.
class CDlgCFHelper::WorkerDisplay : public ICardHelperDisplay {
 public:
  explicit WorkerDisplay(CDlgCFHelper& dialog) : dialog_(dialog) {}
  void ShowText(const std::string& text) override {
    emit dialog_.TextPosted(QString::fromStdString(text));
  }
  bool CancelRequested() override { return dialog_.cancelRequested_.load(); }

 private:
  CDlgCFHelper& dialog_;
};

CDlgCFHelper::CDlgCFHelper(const CDriveInfo& drive, QWidget* parent)
    : CExResizeDialog(kTemplateId, parent, QSize(292, 159)), letter_(drive.Letter()) {
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

  // Queued: the worker emits, the window's thread shows.
  connect(this, &CDlgCFHelper::TextPosted, this, &CDlgCFHelper::ShowText, Qt::QueuedConnection);
  connect(this, &CDlgCFHelper::OperationEnded, this, &CDlgCFHelper::OnOperationEnded,
          Qt::QueuedConnection);
  connect(read_, &QPushButton::clicked, this, [this] { StartOperation(kReadTest); });
  connect(format_, &QPushButton::clicked, this, [this] { StartOperation(kFormatFlash); });
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

void CDlgCFHelper::StartOperation(Operation operation) {
  if (IsRunning()) return;
  SetRunning(true);
  operation_ = operation;
  started_ = false;
  cancelRequested_ = false;
  worker_ = std::thread(&CDlgCFHelper::RunOperation, this);
  while (!started_) std::this_thread::sleep_for(std::chrono::milliseconds(1));
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

void CDlgCFHelper::ShowText(const QString& text) {
  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  output_->setPlainText(shown);
  output_->repaint();
}

void CDlgCFHelper::OnOperationEnded() {
  if (worker_.joinable()) worker_.join();
  SetRunning(false);
}

void CDlgCFHelper::SetRunning(bool running) {
  close_->setEnabled(!running);
  read_->setEnabled(!running);
  format_->setEnabled(!running);
  cancel_->setVisible(running);
}
