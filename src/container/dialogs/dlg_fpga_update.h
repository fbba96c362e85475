// The "FPGA Update" dialog: the user names an FPGA update file and stores it
// in the card's container, or clears the stored one. The window that opens
// the dialog does the storing, shows its failures and reads the card again.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "container/card_state.h"
#include "gui/ex_resize_dialog.h"

class QLineEdit;
class QPushButton;

class IFpgaUpdateOwner {
 public:
  virtual ~IFpgaUpdateOwner() = default;
  virtual const CardState& GetCardState() const = 0;
  // Stores the file as the container's FPGA update, or clears the update
  // when file is null; 0 or the error code (already shown to the user).
  virtual int StoreFpgaUpdate(const std::string* file) = 0;
};

class CDlgFpgaUpdate : public CExResizeDialog {
  Q_OBJECT

 public:
  static constexpr int kTemplateId = 146;
  static constexpr int kIdPath = 1501;
  static constexpr int kIdBrowse = 1502;
  static constexpr int kIdWrite = 1503;
  static constexpr int kIdClear = 1504;
  static constexpr int kIdPathLabel = 1505;
  static constexpr int kIdClose = 2;

  // Asks the user for an FPGA update file: the field's text in, the chosen
  // path or none out.
  using BrowseFunction = std::function<std::optional<std::string>(const std::string& current)>;

  CDlgFpgaUpdate(IFpgaUpdateOwner& owner, QWidget* parent);

  // Replaces the file dialog of the browse button (tests).
  void SetBrowseFunction(BrowseFunction browse) { browse_ = std::move(browse); }

 protected:
  void OnInitDialog() override;
  void OnTextsApplied() override;

 private:
  void UpdateButtons();
  void OnBrowse();
  void OnWrite();
  void OnClear();

  IFpgaUpdateOwner& owner_;
  BrowseFunction browse_;
  QLineEdit* path_;
  QPushButton* write_;
  QPushButton* clear_;
};
