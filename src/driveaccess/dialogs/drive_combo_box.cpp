#include "driveaccess/dialogs/drive_combo_box.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStylePainter>

CDriveComboBox::CDriveComboBox(QWidget* parent) : QComboBox(parent) {
  setItemDelegate(new CDriveComboDelegate(this));
  setSizeAdjustPolicy(QComboBox::AdjustToContents);
  connect(this, &QComboBox::currentIndexChanged, this, [this] { ShowCurrentDescription(); });
}

int CDriveComboBox::AddItem(const std::string& firstColumn, const std::string& secondColumn) {
  const std::size_t before = model_.Count();
  const int index = model_.AddItem(firstColumn, secondColumn);
  if (model_.Count() != before + 1) clear();  // the model started over
  const QFontMetrics metrics(font());
  const QString first = QString::fromStdString(firstColumn);
  const QString second = QString::fromStdString(secondColumn);
  model_.MeasureItem({metrics.horizontalAdvance(first), metrics.horizontalAdvance(second)});
  // The entry's text is both columns with a blank between; its data is its
  // own index.
  addItem(first + QLatin1Char(' ') + second, index);
  updateGeometry();
  return index;
}

int CDriveComboBox::SetItemValue(int index, int value) {
  return model_.SetItemValue(index, value);
}

void CDriveComboBox::SetItemDescription(int index, const std::string& description) {
  if (index < 0 || index >= count()) return;
  setItemData(index, QString::fromStdString(description), Qt::ToolTipRole);
  if (index == currentIndex()) ShowCurrentDescription();
}

void CDriveComboBox::ShowCurrentDescription() {
  const QString description =
      currentIndex() < 0 ? QString() : currentData(Qt::ToolTipRole).toString();
  setToolTip(description);
  setAccessibleDescription(description);
}

void CDriveComboBox::ResetContent() {
  model_.ResetContent();
  clear();
  ShowCurrentDescription();
}

void CDriveComboBox::SetStyleFlags(std::uint32_t set, std::uint32_t clear) {
  model_.SetStyleFlags(set, clear);
  update();
}

int CDriveComboBox::ItemHeight() const {
  return fontMetrics().height() + 4;
}

void CDriveComboBox::DrawColumns(QPainter& painter, const QRect& rect, int index, bool bothColumns,
                                 const QColor& text) const {
  if (index < 0 || static_cast<std::size_t>(index) >= model_.Count()) return;
  const CDriveComboModel::Item& item = model_.At(index);
  const int left = rect.left() + CDriveComboModel::ItemLeft(0);
  painter.setPen(text);
  const int flags =
      Qt::TextSingleLine | Qt::AlignVCenter |
      ((model_.StyleFlags() & DRIVE_COMBO_CENTER_FIRST) ? Qt::AlignHCenter : Qt::AlignLeft);
  const QRect first(QPoint(left, rect.top()),
                    QPoint(rect.left() + model_.FirstTextRight() - 1, rect.bottom()));
  painter.drawText(first, flags, QString::fromStdString(item.first));
  if (!bothColumns) return;
  const int lineX = rect.left() + model_.SeparatorX();
  painter.drawLine(lineX, rect.top(), lineX, rect.bottom());
  const QRect second(QPoint(rect.left() + model_.Edge(0), rect.top()),
                     QPoint(rect.left() + model_.Edge(1) - 2, rect.bottom()));
  painter.drawText(second, Qt::TextSingleLine | Qt::AlignVCenter | Qt::AlignLeft,
                   QString::fromStdString(item.second));
}

void CDriveComboBox::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionComboBox option;
  initStyleOption(&option);
  option.currentText.clear();  // the columns are drawn below
  painter.drawComplexControl(QStyle::CC_ComboBox, option);
  const QRect field =
      style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
  painter.setClipRect(field);
  DrawColumns(
      painter, field, currentIndex(), (model_.StyleFlags() & DRIVE_COMBO_COLUMNS_IN_FIELD) != 0,
      palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
}

void CDriveComboBox::keyPressEvent(QKeyEvent* event) {
  // The down arrow opens the list rather than stepping to the next drive.
  if (event->key() == Qt::Key_Down && event->modifiers() == Qt::NoModifier) {
    showPopup();
    return;
  }
  QComboBox::keyPressEvent(event);
}

void CDriveComboBox::showPopup() {
  QAbstractItemView* list = view();
  const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
  list->setMinimumWidth(model_.DropDownWidth(width(), scrollBar));
  QComboBox::showPopup();
}

CDriveComboDelegate::CDriveComboDelegate(CDriveComboBox* combo)
    : QStyledItemDelegate(combo), combo_(combo) {}

void CDriveComboDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
  const bool selected = (option.state & QStyle::State_Selected) != 0;
  const QPalette& colors = option.palette;
  painter->fillRect(option.rect, colors.color(selected ? QPalette::Highlight : QPalette::Base));
  combo_->DrawColumns(*painter, option.rect, index.row(), true,
                      colors.color(selected ? QPalette::HighlightedText : QPalette::Text));
  if (option.state & QStyle::State_HasFocus) {
    QStyleOptionFocusRect focus;
    focus.rect = option.rect;
    focus.palette = colors;
    focus.state = option.state;
    combo_->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, combo_);
  }
}

QSize CDriveComboDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
  return QSize(combo_->Model().Edge(1), combo_->ItemHeight());
}
