// The drop-down list of card drives: each entry in two columns (the drive
// letter and the drive's label or kind), the columns as wide as their widest
// text, with a vertical line between them.
#pragma once

#include <QComboBox>
#include <QStyledItemDelegate>

#include <cstdint>

#include "driveaccess/drive_combo_model.h"

class CDriveComboBox : public QComboBox {
  Q_OBJECT

 public:
  explicit CDriveComboBox(QWidget* parent = nullptr);

  // Adds an entry shown as both columns; returns its index.
  int AddItem(const std::string& firstColumn, const std::string& secondColumn);
  // The index, or -1 (nothing changed) when it is out of range.
  int SetItemValue(int index, int value);
  // The index must be valid.
  int GetItemValue(int index) const { return model_.GetItemValue(index); }
  // Which device the entry stands for (drive_description_text.h): the
  // entry's tooltip in the open list, and the closed field's tooltip and
  // accessible description while it is the current entry.
  void SetItemDescription(int index, const std::string& description);
  // Applies the current entry's description to the field (also after a
  // change made with signals blocked).
  void ShowCurrentDescription();
  // Removes all entries and column widths.
  void ResetContent();
  // flags := set | (flags & ~clear); bit 0 centres the first column, bit 1
  // draws both columns in the closed field too.
  void SetStyleFlags(std::uint32_t set, std::uint32_t clear);

  const CDriveComboModel& Model() const { return model_; }
  // The height of one entry: the text height + 4.
  int ItemHeight() const;

  // Draws one entry's columns into the rectangle; the list and the closed
  // field both use it.
  void DrawColumns(QPainter& painter, const QRect& rect, int index, bool bothColumns,
                   const QColor& text) const;

  // Opens the list at least as wide as the columns.
  void showPopup() override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  CDriveComboModel model_;
};

// Draws the entries of the open list.
class CDriveComboDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  explicit CDriveComboDelegate(CDriveComboBox* combo);
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  CDriveComboBox* combo_;
};
