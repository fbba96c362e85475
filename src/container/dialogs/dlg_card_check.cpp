#include "container/dialogs/dlg_card_check.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "gui/accessible_names.h"
#include "gui/control_id.h"
#include "gui/dialog_units.h"
#include "gui/ex_static.h"
#include "gui/message_box.h"
#include "gui/ui_texts.h"

namespace {
using Dornveld::GUI::CExStatic;

QPushButton* NewButton(QWidget* parent, int id, const char* text) {
  auto* button = new QPushButton(QString::fromUtf8(text), parent);
  gui::SetControlId(button, id);
  return button;
}

// Rows as high as their text wrapped to the column's width: the tree asks
// for a row's height without saying the width, and the style then measures
// one unbroken line.
class WrappedRowDelegate : public QStyledItemDelegate {
 public:
  explicit WrappedRowDelegate(QTreeView* view) : QStyledItemDelegate(view), view_(view) {}
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    // The style's text margins on either side, and the icon's room.
    const int margin = view_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, &item, view_) + 1;
    int width = view_->header()->sectionSize(index.column()) - 2 * margin;
    if (!item.icon.isNull()) width -= item.decorationSize.width() + 2 * margin;
    if (width <= 0) return size;
    const QRect text = item.fontMetrics.boundingRect(QRect(0, 0, width, 1 << 20),
                                                     Qt::TextWordWrap | Qt::AlignLeft, item.text);
    size.setHeight(std::max(size.height(), text.height() + 2 * margin));
    return size;
  }

 private:
  QTreeView* view_;
};

// A sentence the core gives without its full stop.
QString Sentence(const std::string& text) {
  return text.empty() ? QString() : QString::fromStdString(text) + '.';
}

int RepairableCount(const std::vector<CheckFinding>& findings) {
  return static_cast<int>(std::count_if(findings.begin(), findings.end(), [](const auto& f) {
    return CheckFindingRepairable(f.code);
  }));
}

int StatusSeverity(const std::vector<CheckFinding>& findings) {
  if (findings.empty()) return CExStatic::kSeverityOk;
  const bool error = std::any_of(findings.begin(), findings.end(),
                                 [](const auto& f) { return f.severity == CheckSeverity::kError; });
  return error ? CExStatic::kSeverityError : CExStatic::kSeverityWarning;
}
}  // namespace

CDlgCardCheck::CDlgCardCheck(ICardCheckOwner& owner, std::vector<CheckFinding> findings,
                             QWidget* parent)
    : CExResizeDialog(kTemplateId, parent), owner_(owner), findings_(std::move(findings)) {
  setWindowTitle(QStringLiteral("Check Card"));

  list_ = new QTreeWidget(this);
  gui::SetControlId(list_, kIdFindings);
  gui::SetOwnAccessibleName(list_, gui::kTextCheckFindingsName.english,
                            gui::kTextCheckFindingsName.german);
  list_->setColumnCount(2);
  list_->setRootIsDecorated(false);
  list_->setUniformRowHeights(false);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  // The finding column takes the rest of the width and its text wraps there.
  list_->header()->setStretchLastSection(true);
  list_->setWordWrap(true);
  list_->setTextElideMode(Qt::ElideNone);
  list_->setItemDelegate(new WrappedRowDelegate(list_));
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // The view measures wrapped rows once; a resized column measures again.
  connect(list_->header(), &QHeaderView::sectionResized, list_, &QTreeWidget::doItemsLayout,
          Qt::QueuedConnection);

  status_ = new CExStatic(this);
  gui::SetControlId(status_, kIdStatus);
  gui::SetOwnAccessibleName(status_, gui::kTextCheckStatusName.english,
                            gui::kTextCheckStatusName.german);
  status_->setAlignment(Qt::AlignCenter);
  status_->setTextFormat(Qt::PlainText);
  status_->setWordWrap(true);
  status_->setMinimumHeight(status_->fontMetrics().height() * 2 + 8);

  repair_ = NewButton(this, kIdRepair, "&Repair");
  close_ = NewButton(this, kIdClose, "&Close");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(repair_);
  buttons->addStretch();
  buttons->addWidget(close_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_, 1);
  layout->addWidget(status_);
  layout->addLayout(buttons);

  connect(repair_, &QPushButton::clicked, this, &CDlgCardCheck::OnRepair);
  connect(close_, &QPushButton::clicked, this, &CDlgCardCheck::reject);
}

void CDlgCardCheck::OnInitDialog() {
  ShowFindings();
  gui::FitButtonsToTexts(this);
  RegisterWithLanguage();
  list_->setFocus();
}

void CDlgCardCheck::OnTextsApplied() {
  // The findings are worded in the current language: worded again.
  ShowFindings();
  gui::FitButtonsToTexts(this);
}

QString CDlgCardCheck::StatusText() const {
  QString text = findings_.empty() ? gui::kTextCheckClean.Get()
                                   : gui::kTextCheckFindings.Get()
                                         .arg(static_cast<int>(findings_.size()))
                                         .arg(RepairableCount(findings_));
  if (repairFailed_) return gui::kTextCheckRepairFailed.Get() + text;
  if (repaired_) return gui::kTextCheckRepaired.Get() + text;
  return text;
}

void CDlgCardCheck::ShowFindings() {
  list_->setHeaderLabels({gui::kTextCheckSeverityColumn.Get(), gui::kTextCheckFindingColumn.Get()});
  list_->clear();
  QStyle* style = list_->style();
  for (const CheckFinding& finding : findings_) {
    const QString severity = QString::fromStdString(CheckSeverityText(finding.severity));
    const QString what = Sentence(CheckFindingText(finding));
    const QString repair = Sentence(CheckRepairText(finding));
    // The finding above what the repair does, in one row; a screen reader
    // reads both as one line.
    auto* item = new QTreeWidgetItem(list_, {severity, what + '\n' + repair});
    item->setIcon(0, style->standardIcon(finding.severity == CheckSeverity::kError
                                             ? QStyle::SP_MessageBoxCritical
                                             : QStyle::SP_MessageBoxWarning));
    item->setData(1, Qt::AccessibleTextRole, what + ' ' + repair);
  }
  if (list_->topLevelItemCount() > 0) list_->setCurrentItem(list_->topLevelItem(0));
  // Wide enough for the longest line up to a width that reads well; longer
  // findings wrap within the column, so that the list never scrolls sideways.
  list_->resizeColumnToContents(0);
  int longest = list_->fontMetrics().horizontalAdvance(list_->headerItem()->text(1));
  for (int row = 0; row < list_->topLevelItemCount(); ++row) {
    for (const QString& line : list_->topLevelItem(row)->text(1).split('\n')) {
      longest = std::max(longest, list_->fontMetrics().horizontalAdvance(line));
    }
  }
  const int wanted = list_->header()->sectionSize(0) + longest + 2 * list_->frameWidth() +
                     style->pixelMetric(QStyle::PM_ScrollBarExtent) + 24;
  const QScreen* screen =
      this->screen() != nullptr ? this->screen() : QApplication::primaryScreen();
  const int most = screen != nullptr ? screen->availableGeometry().width() * 9 / 10 : 1000;
  const int readable = list_->fontMetrics().averageCharWidth() * 100;
  list_->setMinimumWidth(std::clamp(wanted, 360, std::max(360, std::min(most, readable))));
  const int rows = std::clamp(list_->topLevelItemCount(), 3, 8);
  list_->setMinimumHeight(list_->header()->sizeHint().height() +
                          rows * (3 * list_->fontMetrics().lineSpacing() + 6) +
                          2 * list_->frameWidth());

  const QString text = StatusText();
  status_->SetStatus(text, StatusSeverity(findings_));
  status_->setAccessibleDescription(text);
  list_->setAccessibleDescription(text);

  const bool repairable = RepairableCount(findings_) > 0 && owner_.CheckedCardWritable();
  repair_->setEnabled(repairable);
  // Enter repairs (after the question) while there is something to repair,
  // and closes the window afterwards.
  repair_->setDefault(repairable);
  close_->setDefault(!repairable);
  repair_->setAutoDefault(false);
  close_->setAutoDefault(false);
}

void CDlgCardCheck::OnRepair() {
  const std::string question = gui::kTextCheckRepairQuestion.Get()
                                   .arg(QString::fromStdString(owner_.CheckedCardName()))
                                   .toStdString();
  if (!gui::AskYesNo(this, question, gui::DefaultAnswer::kNo)) return;
  std::vector<CheckFinding> left;
  const int rc = owner_.RepairCheckedCard(left);
  repaired_ = true;
  repairFailed_ = rc != 0;
  // A repair that could not even read the card leaves nothing to show: the
  // findings before it stand.
  if (rc == 0 || !left.empty()) findings_ = std::move(left);
  ShowFindings();
  // The focus leaves the disabled button for what is left.
  if (!repair_->isEnabled()) list_->setFocus();
}
