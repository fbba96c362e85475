// STAND-IN until the container dialogs are merged: the creation dialog's
// interface as the main window uses it. Replaced by the real header.
#pragma once

#include <string>

#include "container/card_state.h"
#include "gui/ex_resize_dialog.h"

class IContainerCreationOwner {
 public:
  virtual ~IContainerCreationOwner() = default;
  virtual const CardState& GetCardState() const = 0;
  virtual std::string GetContainerNameText() const = 0;
};

class CDlgCreateResizeCIF : public CExResizeDialog {
 public:
  CDlgCreateResizeCIF(IContainerCreationOwner& owner, QWidget* parent);

 protected:
  void OnInitDialog() override;
};
