// The "Create / Resize" dialog: a new container on the chosen card, with the
// image kind, the number of images, the container name, and whether the
// program itself and an autorun file go onto the card too. Any old container
// is deleted first; no image is carried over.
#pragma once

#include <string>

#include "container/card_program.h"
#include "container/card_state.h"
#include "container/container_creation.h"
#include "gui/ex_resize_dialog.h"

class CUpDownControl;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// What the dialog reads from the window that opens it: the card's state
// (drive letter, whether a valid container was found and its kind) and the
// text of its container name field.
class IContainerCreationOwner {
 public:
  virtual ~IContainerCreationOwner() = default;
  virtual const CardState& GetCardState() const = 0;
  virtual std::string GetContainerNameText() const = 0;
};

class CDlgCreateResizeCIF : public CExResizeDialog {
  Q_OBJECT

 public:
  static constexpr int kTemplateId = 150;
  static constexpr int kIdName = 1200;
  static constexpr int kIdCount = 1201;
  static constexpr int kIdKind = 1202;
  static constexpr int kIdSpinner = 1203;
  static constexpr int kIdCreate = 1204;
  static constexpr int kIdCopyProgram = 1205;
  static constexpr int kIdAutorun = 1206;
  static constexpr int kIdStatus = 1207;
  static constexpr int kIdCountLabel = 1208;
  static constexpr int kIdNameLabel = 1209;
  static constexpr int kIdClose = 2;
  // Entries of the kind list.
  static constexpr int kKindDd = 0;
  static constexpr int kKindHd = 1;

  CDlgCreateResizeCIF(IContainerCreationOwner& owner, QWidget* parent);

  // The program file put on the card (tests); by default the running one.
  // Once the dialog runs, the largest count follows the new file's size.
  void SetOwnProgramFile(const OwnProgramFile& program) {
    program_ = program;
    if (maxCount_ >= 0) ComputeMaxCount();
  }
  // The largest image count at the moment; -1 before the first computation.
  int MaxImageCount() const { return maxCount_; }

 protected:
  void OnInitDialog() override;
  void OnTextsApplied() override;

 private:
  void Reset();
  void ComputeMaxCount();
  void ClampCount();
  void OnCreate();
  void FillKindList();
  void ShowStatus();
  char Drive() const { return owner_.GetCardState().DriveLetter; }

  IContainerCreationOwner& owner_;
  OwnProgramFile program_;
  int maxCount_ = -1;
  bool resetting_ = false;
  CreationOutcome status_;
  QComboBox* kind_;
  QLineEdit* count_;
  CUpDownControl* spinner_;
  QLineEdit* name_;
  QCheckBox* copyProgram_;
  QCheckBox* autorun_;
  QPushButton* create_;
  QLabel* statusLine_;
};
