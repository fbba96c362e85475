#include "container/dialogs/dlg_fpga_update.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "container/dialogs/file_choice.h"
#include "container/file_choice_kind.h"
#include "container/fpga_store.h"
#include "gui/accessible_names.h"
#include "gui/control_id.h"
#include "gui/dialog_units.h"
#include "gui/ui_texts.h"

namespace {
QPushButton* NewButton(QWidget* parent, int id, const char* text) {
  auto* button = new QPushButton(QString::fromUtf8(text), parent);
  gui::SetControlId(button, id);
  return button;
}
}  // namespace

CDlgFpgaUpdate::CDlgFpgaUpdate(IFpgaUpdateOwner& owner, QWidget* parent)
    : CExResizeDialog(kTemplateId, parent), owner_(owner) {
  setWindowTitle(QStringLiteral("FPGA Update"));
  browse_ = [this](const std::string& current) -> std::optional<std::string> {
    std::string path = current;
    if (!FfaChooseFile(this, true, path, kFileKindFpga)) return std::nullopt;
    return path;
  };

  auto* label = new QLabel(QStringLiteral("&Filename"), this);
  gui::SetControlId(label, kIdPathLabel);
  path_ = new QLineEdit(this);
  gui::SetControlId(path_, kIdPath);
  path_->setMinimumWidth(path_->fontMetrics().averageCharWidth() * 40);
  label->setBuddy(path_);
  QPushButton* browse = NewButton(this, kIdBrowse, "...");
  browse->setAutoDefault(false);
  browse->setFixedWidth(browse->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 24);
  gui::SetOwnAccessibleName(browse, gui::kTextBrowseFpgaFile.english,
                            gui::kTextBrowseFpgaFile.german);
  write_ = NewButton(this, kIdWrite, "Write To CIF");
  write_->setDefault(true);
  clear_ = NewButton(this, kIdClear, "Clear FPGA Update");
  clear_->setAutoDefault(false);
  QPushButton* close = NewButton(this, kIdClose, "&Close");
  close->setAutoDefault(false);

  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(label);
  fileRow->addWidget(path_, 1);
  fileRow->addWidget(browse);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(write_);
  buttons->addWidget(clear_);
  buttons->addStretch();
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fileRow);
  layout->addStretch();
  layout->addLayout(buttons);

  connect(path_, &QLineEdit::textChanged, this, &CDlgFpgaUpdate::UpdateButtons);
  connect(browse, &QPushButton::clicked, this, &CDlgFpgaUpdate::OnBrowse);
  connect(write_, &QPushButton::clicked, this, &CDlgFpgaUpdate::OnWrite);
  connect(clear_, &QPushButton::clicked, this, &CDlgFpgaUpdate::OnClear);
  connect(close, &QPushButton::clicked, this, &CDlgFpgaUpdate::reject);
}

void CDlgFpgaUpdate::OnInitDialog() {
  UpdateButtons();
  gui::FitButtonsToTexts(this);
  RegisterWithLanguage();
}

void CDlgFpgaUpdate::OnTextsApplied() {
  gui::FitButtonsToTexts(this);
}

void CDlgFpgaUpdate::UpdateButtons() {
  const CardState& card = owner_.GetCardState();
  write_->setEnabled(FpgaWriteAllowed(card.Flags, path_->text().toStdString()));
  clear_->setVisible(card.Header.FpgaPresent() != 0);
}

void CDlgFpgaUpdate::OnBrowse() {
  if (const std::optional<std::string> chosen = browse_(path_->text().toStdString())) {
    path_->setText(QString::fromStdString(*chosen));
  }
}

void CDlgFpgaUpdate::OnWrite() {
  // The name as typed, blanks included: the user may mean them.
  const std::string file = path_->text().toStdString();
  if (owner_.StoreFpgaUpdate(&file) == 0) {
    accept();
    return;
  }
  UpdateButtons();  // the card was read again
}

void CDlgFpgaUpdate::OnClear() {
  if (owner_.StoreFpgaUpdate(nullptr) == 0) {
    accept();
    return;
  }
  UpdateButtons();
}
