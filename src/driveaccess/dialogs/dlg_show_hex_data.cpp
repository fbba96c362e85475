#include "driveaccess/dialogs/dlg_show_hex_data.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "driveaccess/dda_errors.h"
#include "driveaccess/dialogs/hex_view.h"
#include "driveaccess/sector_run.h"
#include "gui/accessible_names.h"
#include "gui/control_id.h"
#include "gui/read_only_field.h"
#include "gui/ui_texts.h"
#include "services/dialogs/progress_state_wnd.h"

namespace {
constexpr char kSectorFormat[] = "0x%08X";
constexpr char kCountFormat[] = "%u";
}  // namespace

CDlgShowHexData::CDlgShowHexData(const CDriveInfo& drive, QWidget* parent)
    : CDlgShowHexData(drive, ByteBuffer(), 0, 1, parent) {}

CDlgShowHexData::CDlgShowHexData(const ByteBuffer& bytes, std::uint32_t startSector,
                                 std::uint32_t count, QWidget* parent)
    : CDlgShowHexData(std::nullopt, bytes, startSector, count, parent) {}

CDlgShowHexData::CDlgShowHexData(std::optional<CDriveInfo> drive, ByteBuffer bytes,
                                 std::uint32_t startSector, std::uint32_t count, QWidget* parent)
    : CExResizeDialog(kTemplateId, parent, QSize(382, 329)),
      drive_(std::move(drive)),
      bytes_(std::move(bytes)),
      startSector_(startSector),
      sectorCount_(count) {
  setWindowTitle(QStringLiteral("Show Hex Data"));
  auto* sectorLabel = new QLabel(QStringLiteral("Sector"), this);
  gui::SetControlId(sectorLabel, kIdSectorLabel);
  sectorField_ = new CEnterEdit(this);
  gui::SetControlId(sectorField_, kIdSector);
  sectorLabel->setBuddy(sectorField_);
  auto* countLabel = new QLabel(QStringLiteral("Count"), this);
  gui::SetControlId(countLabel, kIdCountLabel);
  countField_ = new CEnterEdit(this);
  gui::SetControlId(countField_, kIdCount);
  countLabel->setBuddy(countField_);
  statusField_ = new QLineEdit(this);
  gui::SetControlId(statusField_, kIdStatus);
  gui::MakeReadOnlyField(statusField_);
  statusField_->setFocusPolicy(Qt::ClickFocus);
  gui::SetOwnAccessibleName(statusField_, gui::kTextHexStatusName.english,
                            gui::kTextHexStatusName.german);
  hexDisplay_ = new CHexView(this);
  gui::SetControlId(hexDisplay_, kIdHexDisplay);
  gui::SetOwnAccessibleName(hexDisplay_, gui::kTextHexDataName.english,
                            gui::kTextHexDataName.german);

  // Wide enough for "0x00000000" with room to spare.
  const int fieldWidth =
      sectorField_->fontMetrics().horizontalAdvance(QStringLiteral("0x00000000")) + 24;
  for (CEnterEdit* field : {sectorField_, countField_}) {
    field->setMinimumWidth(fieldWidth);
    field->SetCallback(this);
    // A slot's block is shown as it is: its sectors cannot be changed.
    if (IsDataMode()) gui::MakeReadOnlyField(field);
  }

  auto* fields = new QHBoxLayout;
  fields->addWidget(sectorLabel);
  fields->addWidget(sectorField_);
  fields->addSpacing(8);
  fields->addWidget(countLabel);
  fields->addWidget(countField_);
  fields->addSpacing(8);
  fields->addWidget(statusField_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(hexDisplay_, 1);
  // The display is wide enough for a whole line without scrolling.
  hexDisplay_->setMinimumWidth(
      hexDisplay_->fontMetrics().horizontalAdvance(QString(78, QLatin1Char('0'))) + 40);
}

void CDlgShowHexData::OnInitDialog() {
  ShowBytes();
  sectorField_->SetValue(startSector_, kSectorFormat);
  countField_->SetValue(sectorCount_, kCountFormat);
  ready_ = true;
  ReadSectors();  // drive mode shows sector 0 at once
  RegisterWithLanguage();
}

void CDlgShowHexData::OnEnterEditEnter(CEnterEditBase&) {
  ReadSectors();
}

void CDlgShowHexData::ReadSectors() {
  if (!ready_ || IsDataMode()) return;
  if (!sectorField_->GetValue(startSector_) || !countField_->GetValue(sectorCount_)) return;
  CProgressStateWnd progress(gui::kTextReadProgress.Get().toStdString(), kProgressVisible, this);
  // Read aside: the display keeps painting the bytes it has while the
  // progress lets events run.
  ByteBuffer read;
  const int result =
      DdaReadSectorRun(drive_->Letter(), startSector_, sectorCount_, read, &progress);
  statusField_->setText(result == 0 ? QStringLiteral("Ok")
                                    : QString::fromStdString(DdaErrorText(result)));
  bytes_ = std::move(read);  // empty after a failure
  ShowBytes();
}

void CDlgShowHexData::ShowBytes() {
  hexDisplay_->SetBytes(bytes_.data(), bytes_.size(),
                        static_cast<std::uint64_t>(startSector_) * kSectorRunUnit);
}
