// List entries with a description beside their text: the text as usual, then
// the description in a column of its own, dimmed and cut to the room left.
// The entry's text stays the plain text, so whoever reads it back (a slot's
// name) never gets the description with it.
#pragma once

#include <QStyledItemDelegate>

namespace gui {

// The item data role that holds the description.
inline constexpr int kItemDescriptionRole = Qt::UserRole + 1;

class CDescribedItemDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  // Where the description column starts, from the entry's left text edge.
  void SetTextColumnWidth(int pixels) { textColumnWidth_ = pixels; }

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;

 private:
  int textColumnWidth_ = 0;
};

}  // namespace gui
