// The two-column drive list control of the main dialog, without drawing:
// its entries with their user values, the column edges grown to the widest
// text seen, the column gap and the style flags. The desktop control measures
// the texts in its font and draws from the positions computed here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Style flags of the control.
inline constexpr std::uint32_t DRIVE_COMBO_CENTER_FIRST = 1;  // centre the first column
inline constexpr std::uint32_t DRIVE_COMBO_COLUMNS_IN_FIELD =
    2;  // both columns in the closed field

class CDriveComboModel {
 public:
  struct Item {
    int value = 0;
    std::string first;
    std::string second;
  };

  // Appends an entry with user value 0 and returns its index. Without exactly
  // two column edges the control starts over: all entries go, both edges 0.
  int AddItem(const std::string& first, const std::string& second);
  // The index, or -1 (nothing changed) when the index is out of range.
  int SetItemValue(int index, int value);
  // The index must be valid.
  int GetItemValue(int index) const { return items_[static_cast<std::size_t>(index)].value; }
  // Removes all entries and column edges.
  void ResetContent();
  // flags := set | (flags & ~clear)
  void SetStyleFlags(std::uint32_t set, std::uint32_t clear);

  // Grows the columns to an entry's texts, given their widths in pixels: the
  // first needs its width + gap + 11, the others their width + 5.
  void MeasureItem(const std::vector<int>& textWidths);
  // The drop-down width needed for the columns: the current width when it is
  // wide enough, else the last edge + the scroll bar + 4.
  int DropDownWidth(int currentWidth, int scrollBarWidth) const;

  // Drawing positions, x from the item's left (a left of 0 counts as 3).
  static int ItemLeft(int left) { return left == 0 ? 3 : left; }
  int FirstTextRight() const { return Edge(0) - 4 - gap_; }
  int SeparatorX() const { return Edge(0) - 1 - gap_; }
  int Edge(std::size_t column) const { return column < edges_.size() ? edges_[column] : 0; }

  std::size_t Count() const { return items_.size(); }
  const Item& At(int index) const { return items_[static_cast<std::size_t>(index)]; }
  const std::vector<int>& Edges() const { return edges_; }
  int Gap() const { return gap_; }
  std::uint32_t StyleFlags() const { return styleFlags_; }

 private:
  std::vector<Item> items_;
  std::vector<int> edges_;  // right edge of each column
  int gap_ = 4;
  std::uint32_t styleFlags_ = DRIVE_COMBO_CENTER_FIRST;
};
