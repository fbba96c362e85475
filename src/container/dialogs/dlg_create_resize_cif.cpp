#include "container/dialogs/dlg_create_resize_cif.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "base/current_language.h"
#include "container/card_names.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "container/main_header.h"
#include "gui/accessible_names.h"
#include "gui/control_id.h"
#include "gui/dialog_units.h"
#include "gui/message_box.h"
#include "gui/ui_texts.h"
#include "gui/up_down_control.h"
#include "services/dialogs/progress_owner.h"

namespace {
template <class T>
T* WithId(T* control, int id) {
  gui::SetControlId(control, id);
  return control;
}
}  // namespace

CDlgCreateResizeCIF::CDlgCreateResizeCIF(IContainerCreationOwner& owner, QWidget* parent)
    : CExResizeDialog(kTemplateId, parent), owner_(owner), program_(GetOwnProgramFile()) {
  setWindowTitle(QStringLiteral("Create / Resize Dornveld Container Image File"));

  kind_ = WithId(new QComboBox(this), kIdKind);
  kind_->setSizeAdjustPolicy(QComboBox::AdjustToContents);  // the entries follow the language
  gui::SetOwnAccessibleName(kind_, gui::kTextDiskKindName.english, gui::kTextDiskKindName.german);
  auto* countLabel = WithId(new QLabel(QStringLiteral("Floppy &Image Count"), this), kIdCountLabel);
  count_ = WithId(new QLineEdit(this), kIdCount);
  count_->setAlignment(Qt::AlignRight);
  count_->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), count_));
  count_->setMaxLength(9);
  // Room for three digits with the field's margins.
  count_->setFixedWidth(count_->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 16);
  countLabel->setBuddy(count_);
  spinner_ = WithId(new CUpDownControl(this), kIdSpinner);
  spinner_->SetBuddy(count_);
  gui::SetOwnAccessibleName(spinner_, gui::kTextImageCountSpinner.english,
                            gui::kTextImageCountSpinner.german);
  auto* nameLabel = WithId(new QLabel(QStringLiteral("Container Name"), this), kIdNameLabel);
  name_ = WithId(new QLineEdit(this), kIdName);
  name_->setMaxLength(static_cast<int>(kContainerNameMaxLength));
  name_->setMinimumWidth(name_->fontMetrics().averageCharWidth() * 32);
  nameLabel->setBuddy(name_);
  keepImages_ = WithId(new QCheckBox(QStringLiteral("&Keep the images"), this), kIdKeepImages);
  copyProgram_ =
      WithId(new QCheckBox(QStringLiteral("Copy Program to Flash"), this), kIdCopyProgram);
  autorun_ = WithId(new QCheckBox(QStringLiteral("Create autorun.inf"), this), kIdAutorun);
  statusLine_ = WithId(new QLabel(this), kIdStatus);
  statusLine_->setTextFormat(Qt::PlainText);
  statusLine_->setWordWrap(true);
  statusLine_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  statusLine_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
  create_ = WithId(new QPushButton(QStringLiteral("Create CI&F"), this), kIdCreate);
  create_->setDefault(true);
  auto* close = WithId(new QPushButton(QStringLiteral("&Close"), this), kIdClose);

  auto* countRow = new QHBoxLayout;
  countRow->setSpacing(0);
  countRow->addWidget(count_);
  countRow->addWidget(spinner_);
  countRow->addSpacing(12);
  countRow->addWidget(kind_);
  countRow->addStretch();
  auto* fields = new QGridLayout;
  fields->addWidget(countLabel, 0, 0);
  fields->addLayout(countRow, 0, 1);
  fields->addWidget(nameLabel, 1, 0);
  fields->addWidget(name_, 1, 1);
  fields->addWidget(keepImages_, 2, 1);
  fields->addWidget(copyProgram_, 3, 1);
  fields->addWidget(autorun_, 4, 1);
  fields->setColumnStretch(1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(create_);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addSpacing(6);
  layout->addWidget(statusLine_);
  layout->addStretch();
  layout->addLayout(buttons);

  connect(count_, &QLineEdit::textChanged, this, &CDlgCreateResizeCIF::ClampCount);
  // toggled, not clicked: the keyboard, a screen reader's toggle and the
  // program change the boxes without a click.
  for (QCheckBox* box : {copyProgram_, autorun_}) {
    connect(box, &QCheckBox::toggled, this, [this] {
      if (!resetting_) ComputeMaxCount();
    });
  }
  connect(keepImages_, &QCheckBox::toggled, this, &CDlgCreateResizeCIF::OnKeepToggled);
  connect(create_, &QPushButton::clicked, this, &CDlgCreateResizeCIF::OnCreate);
  connect(close, &QPushButton::clicked, this, &CDlgCreateResizeCIF::reject);
}

void CDlgCreateResizeCIF::OnInitDialog() {
  FillKindList();
  gui::FitButtonsToTexts(this);
  Reset();
  // A container without a valid header that leaves no room goes at once: it
  // holds nothing to keep. A valid one stays until Create.
  if (maxCount_ == 0 && !holdsContainer_ && FfaContainerExists(Drive()) == FFA_OK) {
    gui::ShowMessage(this,
                     Localized("Corrupt Dornveld Container File exist !\nIt will be deleted.\n",
                               "Fehlerhafte Dornveld Container Datei besteht !\nDiese Datei "
                               "wird gelöscht.\n"),
                     gui::kTextError.Get());
    const int deleted = FfaDeleteOnDrive(Drive());
    Reset();
    // A container that could not be deleted keeps the count at 0: the
    // status line says why.
    if (deleted != FFA_OK) {
      status_ = {CreationStep::kDeleteOld, deleted};
      ShowStatus();
    }
  }
  RegisterWithLanguage();
}

void CDlgCreateResizeCIF::OnTextsApplied() {
  FillKindList();
  ShowStatus();
  gui::FitButtonsToTexts(this);
}

void CDlgCreateResizeCIF::FillKindList() {
  const int selected = kind_->currentIndex();
  kind_->clear();
  kind_->addItem(gui::kTextDdDisk.Get());
  kind_->addItem(gui::kTextHdDisk.Get());
  kind_->setCurrentIndex(selected);
}

void CDlgCreateResizeCIF::Reset() {
  const CardState& card = owner_.GetCardState();
  name_->setText(QString::fromStdString(owner_.GetContainerNameText()));
  // The card itself, not the window's last look at it: a failed rebuild
  // may have taken the container away.
  holdsContainer_ = FfaContainerExists(Drive()) == FFA_OK &&
                    FfaCheckMainHeader(FfaGetContainerPath(Drive()), held_.Bytes()) == FFA_OK;
  const bool valid = (card.Flags & CARD_CONTAINER_VALID) != 0;
  const bool highDensity =
      holdsContainer_ ? held_.IsHighDensity() : !valid || card.Header.IsHighDensity();
  kind_->setCurrentIndex(highDensity ? kKindHd : kKindDd);
  status_ = CreationOutcome{};
  rebuild_ = RebuildOutcome{};
  ShowStatus();
  resetting_ = true;  // one computation for all boxes
  copyProgram_->setChecked(true);
  autorun_->setChecked(true);
  keepImages_->setChecked(holdsContainer_);
  keepImages_->setEnabled(holdsContainer_);
  OnKeepToggled();
  resetting_ = false;
  ComputeMaxCount();
}

void CDlgCreateResizeCIF::ComputeMaxCount() {
  const int previous = maxCount_;
  maxCount_ = static_cast<int>(FfaCreationMaxCount(Drive(), program_, copyProgram_->isChecked(),
                                                   autorun_->isChecked(), holdsContainer_));
  spinner_->SetRange(1, maxCount_);
  const int position = spinner_->Pos();
  const int next = SpinnerPositionForMaximum(position, previous, maxCount_);
  if (next != position) {
    spinner_->SetPos(next);
  } else {
    ClampCount();  // a count left above a lower maximum comes down to it
  }
  create_->setEnabled(maxCount_ != 0);
}

void CDlgCreateResizeCIF::ClampCount() {
  if (maxCount_ < 0) return;
  if (const std::optional<unsigned> count =
          ClampImageCount(count_->text().toStdString(), static_cast<unsigned>(maxCount_))) {
    count_->setText(QString::number(*count));
  }
}

void CDlgCreateResizeCIF::OnKeepToggled() {
  // Kept images keep their kind.
  const bool keep = keepImages_->isChecked();
  kind_->setEnabled(!keep);
  if (keep) kind_->setCurrentIndex(held_.IsHighDensity() ? kKindHd : kKindDd);
}

void CDlgCreateResizeCIF::OnCreate() {
  ContainerCreationRequest request;
  request.count = ImageCountFromText(count_->text().toStdString());
  request.highDensity = kind_->currentIndex() == kKindHd;
  request.name = name_->text().toStdString();
  request.copyProgram = copyProgram_->isChecked();
  request.createAutorun = autorun_->isChecked();
  CreationOutcome outcome;
  RebuildOutcome rebuilt;
  if (holdsContainer_ && keepImages_->isChecked()) {
    // The name is checked before the rebuild, which must change nothing
    // when it is refused.
    if (const int rc = CheckCardName(request.name)) {
      outcome = {CreationStep::kCreate, rc};
    } else {
      CWidgetProgressOwner progress(this);
      rebuilt =
          ResizeContainer(Drive(), static_cast<unsigned>(request.count), &progress, copyParent_);
    }
    if (outcome.ok() && rebuilt.ok()) {
      int rc = 0;
      if (request.name != held_.Name()) rc = FfaRename(Drive(), request.name);
      // The program's files as a creation leaves them.
      FfaRemoveProgramFromCard(Drive(), program_);
      if (request.copyProgram) FfaPutProgramOnCard(Drive(), program_, request.createAutorun);
      if (rc != FFA_OK) outcome = {CreationStep::kCreate, rc};
    }
  } else {
    // Deleting a valid container loses its images: Enter answers No.
    if (holdsContainer_ &&
        !gui::AskYesNo(this, OldContainerDeleteQuestion(), gui::DefaultAnswer::kNo)) {
      return;
    }
    CWidgetProgressOwner progress(this);
    outcome = CreateContainerWithProgram(Drive(), request, program_, &progress);
  }
  if (outcome.ok() && rebuilt.ok()) {
    accept();
    return;
  }
  raise();
  activateWindow();
  Reset();
  status_ = outcome;
  rebuild_ = rebuilt;
  ShowStatus();
}

void CDlgCreateResizeCIF::ShowStatus() {
  // A rebuild that failed after the old container went names the folder
  // that still holds the images.
  const std::string text = rebuild_.ok()
                               ? CreationStatusText(status_)
                               : RebuildOutcomeText(rebuild_, FfaErrorText(rebuild_.code));
  statusLine_->setText(QString::fromStdString(text));
}
