#include "services/dialogs/dlg_select_drive.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "gui/accessible_names.h"
#include "gui/control_id.h"
#include "gui/ui_texts.h"

namespace {
// Column widths of the list; a header that needs more gets more.
constexpr int kDriveColumnWidth = 50;
constexpr int kLabelColumnWidth = 120;
}  // namespace

CDlgSelectDrive::CDlgSelectDrive(const std::vector<CDriveInfo>& drives, QWidget* parent)
    : CExResizeDialog(kTemplateId, parent, QSize(186, 121)), drives_(drives) {
  setWindowTitle(QStringLiteral("Select Drive"));
  list_ = new QTableWidget(0, 2, this);
  gui::SetControlId(list_, kIdList);
  gui::SetOwnAccessibleName(list_, gui::kTextDriveListName.english, gui::kTextDriveListName.german);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setShowGrid(true);
  list_->setSortingEnabled(false);
  list_->verticalHeader()->hide();
  list_->horizontalHeader()->setStretchLastSection(true);
  list_->horizontalHeader()->setHighlightSections(false);
  list_->viewport()->installEventFilter(this);

  select_ = new QPushButton(QStringLiteral("&Select"), this);
  gui::SetControlId(select_, kIdSelect);
  select_->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
  gui::SetControlId(cancel, kIdCancel);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(select_);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_);
  layout->addLayout(buttons);

  connect(select_, &QPushButton::clicked, this, &CDlgSelectDrive::OnSelect);
  connect(cancel, &QPushButton::clicked, this, &CDlgSelectDrive::reject);
  connect(list_, &QTableWidget::itemSelectionChanged, this, &CDlgSelectDrive::UpdateSelectButton);
  connect(list_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
    if (row >= 0) OnSelect();
  });
}

void CDlgSelectDrive::OnInitDialog() {
  list_->clearContents();
  list_->setRowCount(0);
  SetHeaders();
  list_->setRowCount(static_cast<int>(drives_.size()));
  for (std::size_t i = 0; i < drives_.size(); ++i) {
    const int row = static_cast<int>(i);
    auto* drive = new QTableWidgetItem(QString::fromStdString(drives_[i].driveName));
    drive->setTextAlignment(Qt::AlignCenter);
    list_->setItem(row, 0, drive);
    list_->setItem(row, 1,
                   new QTableWidgetItem(QString::fromStdString(drives_[i].GetDisplayText())));
  }
  list_->resizeRowsToContents();
  list_->clearSelection();
  if (!drives_.empty()) {
    list_->setCurrentCell(0, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    list_->scrollToItem(list_->item(0, 0));
  }
  list_->viewport()->update();
  UpdateSelectButton();
  RegisterWithLanguage();
}

void CDlgSelectDrive::OnTextsApplied() {
  SetHeaders();
}

void CDlgSelectDrive::SetHeaders() {
  const QString drive = gui::kTextDriveColumn.Get();
  const QString label = gui::kTextLabelColumn.Get();
  list_->setHorizontalHeaderLabels({drive, label});
  list_->horizontalHeaderItem(0)->setTextAlignment(Qt::AlignCenter);
  list_->horizontalHeaderItem(1)->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  QHeaderView* header = list_->horizontalHeader();
  const int padding = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin) + 8;
  header->resizeSection(
      0, qMax(kDriveColumnWidth, header->fontMetrics().horizontalAdvance(drive) + padding));
  header->resizeSection(
      1, qMax(kLabelColumnWidth, header->fontMetrics().horizontalAdvance(label) + padding));
}

void CDlgSelectDrive::UpdateSelectButton() {
  select_->setEnabled(list_->selectionModel()->hasSelection());
}

void CDlgSelectDrive::OnSelect() {
  chosen_ = -1;
  for (const QModelIndex& row : list_->selectionModel()->selectedRows()) {
    if (chosen_ < 0 || row.row() < chosen_) chosen_ = row.row();
  }
  accept();
}

bool CDlgSelectDrive::eventFilter(QObject* watched, QEvent* event) {
  // A click beside the items clears the selection.
  if (watched == list_->viewport() && event->type() == QEvent::MouseButtonPress) {
    const auto* press = static_cast<QMouseEvent*>(event);
    if (!list_->indexAt(press->position().toPoint()).isValid()) list_->clearSelection();
  }
  return CExResizeDialog::eventFilter(watched, event);
}
