#include "gui/described_item_delegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

namespace gui {

void CDescribedItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
  QStyledItemDelegate::paint(painter, option, index);
  const QString description = index.data(kItemDescriptionRole).toString();
  if (description.isEmpty()) return;
  QStyleOptionViewItem item = option;
  initStyleOption(&item, index);
  const QStyle* style = item.widget ? item.widget->style() : QApplication::style();
  const QRect text = style->subElementRect(QStyle::SE_ItemViewItemText, &item, item.widget);
  const int gap = item.fontMetrics.averageCharWidth() * 2;
  const int nameWidth = item.fontMetrics.horizontalAdvance(item.text);
  QRect room = text;
  room.setLeft(text.left() + std::max(textColumnWidth_, nameWidth + gap));
  if (room.width() <= gap) return;
  const bool selected = (item.state & QStyle::State_Selected) != 0;
  painter->save();
  painter->setFont(item.font);
  painter->setPen(
      item.palette.color(selected ? QPalette::HighlightedText : QPalette::PlaceholderText));
  painter->drawText(room, Qt::AlignLeft | Qt::AlignVCenter,
                    item.fontMetrics.elidedText(description, Qt::ElideRight, room.width()));
  painter->restore();
}

}  // namespace gui
