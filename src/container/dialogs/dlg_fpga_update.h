// STAND-IN until the container dialogs are merged: the FPGA update dialog's
// interface as the main window uses it. Replaced by the real header.
#pragma once

#include <string>

#include "container/card_state.h"
#include "gui/ex_resize_dialog.h"

class IFpgaUpdateOwner {
 public:
  virtual ~IFpgaUpdateOwner() = default;
  virtual const CardState& GetCardState() const = 0;
  // Stores the file's bytes as the FPGA update, or clears it (null).
  virtual int StoreFpgaUpdate(const std::string* file) = 0;
};

class CDlgFpgaUpdate : public CExResizeDialog {
 public:
  CDlgFpgaUpdate(IFpgaUpdateOwner& owner, QWidget* parent);

 protected:
  void OnInitDialog() override;
};
