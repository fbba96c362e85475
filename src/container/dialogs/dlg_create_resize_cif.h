// The "Create / Resize" dialog: a new container on the chosen card, with the
// image kind, the number of images, the container name, and whether the
// program itself and an autorun file go onto the card too. A valid old
// container is by default made anew with its images kept (to the new count,
// through a copy on the host); without "Keep the images" it is deleted after
// a question, and no image is carried over.
#pragma once

#include <string>

#include "container/card_program.h"
#include "container/card_state.h"
#include "container/container_creation.h"
#include "container/container_rebuild.h"
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
  static constexpr int kIdKeepImages = 1210;
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
  // The folder under which a rebuild puts its copy (tests); by default the
  // user's private temporary folder.
  void SetCopyParent(const std::string& folder) { copyParent_ = folder; }
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
  void OnKeepToggled();
  // Resizes the container on the card keeping its images; false when the
  // dialog stays open with the outcome in its status line.
  bool RebuildKeepingImages(const ContainerCreationRequest& request);
  void FillKindList();
  void ShowStatus();
  char Drive() const { return owner_.GetCardState().DriveLetter; }

  IContainerCreationOwner& owner_;
  OwnProgramFile program_;
  int maxCount_ = -1;
  bool resetting_ = false;
  CreationOutcome status_;
  // A rebuild that failed: its text stands in the status line.
  RebuildOutcome rebuild_;
  // The card holds a container whose header reads valid (its kind).
  bool holdsContainer_ = false;
  MainHeader held_;
  std::string copyParent_;
  QComboBox* kind_;
  QLineEdit* count_;
  CUpDownControl* spinner_;
  QLineEdit* name_;
  QCheckBox* copyProgram_;
  QCheckBox* autorun_;
  QCheckBox* keepImages_;
  QPushButton* create_;
  QLabel* statusLine_;
};
