#include "driveaccess/drive_combo_model.h"

#include <algorithm>

int CDriveComboModel::AddItem(const std::string& first, const std::string& second) {
  if (edges_.size() != 2) {
    items_.clear();
    edges_.assign(2, 0);
  }
  items_.push_back(Item{0, first, second});
  return static_cast<int>(items_.size()) - 1;
}

int CDriveComboModel::SetItemValue(int index, int value) {
  if (index < 0 || static_cast<std::size_t>(index) >= items_.size()) return -1;
  items_[static_cast<std::size_t>(index)].value = value;
  return index;
}

void CDriveComboModel::ResetContent() {
  items_.clear();
  edges_.clear();
}

void CDriveComboModel::SetStyleFlags(std::uint32_t set, std::uint32_t clear) {
  styleFlags_ = set | (styleFlags_ & ~clear);
}

void CDriveComboModel::MeasureItem(const std::vector<int>& textWidths) {
  if (edges_.size() < textWidths.size()) edges_.resize(textWidths.size(), 0);
  int oldLeft = 0;
  int newLeft = 0;
  for (std::size_t i = 0; i < edges_.size(); ++i) {
    int width = edges_[i] - oldLeft;
    oldLeft = edges_[i];
    if (i < textWidths.size()) width = std::max(width, textWidths[i] + (i == 0 ? gap_ + 11 : 5));
    // Every edge moves with the columns before it.
    edges_[i] = newLeft + width;
    newLeft = edges_[i];
  }
}

int CDriveComboModel::DropDownWidth(int currentWidth, int scrollBarWidth) const {
  if (edges_.empty() || currentWidth >= edges_.back()) return currentWidth;
  return edges_.back() + scrollBarWidth + 4;
}
