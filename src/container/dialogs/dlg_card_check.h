// The "Check Card" window: the card check's findings one a row, with their
// severity and what the repair does about each, and the repair after a
// question that names the card. The window that opens it runs the check and
// the repair, shows their failures and reads the card again after a repair.
#pragma once

#include <string>
#include <vector>

#include "container/card_check.h"
#include "gui/ex_resize_dialog.h"

class QPushButton;
class QTreeWidget;
namespace Dornveld::GUI {
class CExStatic;
}

class ICardCheckOwner {
 public:
  virtual ~ICardCheckOwner() = default;
  // The card in words for the repair's question: its letter and label.
  virtual std::string CheckedCardName() const = 0;
  // False for a card that takes no writes: the repair is not offered.
  virtual bool CheckedCardWritable() const = 0;
  // Repairs the card; `left` receives the check after the repair. 0 or the
  // error code (already shown to the user).
  virtual int RepairCheckedCard(std::vector<CheckFinding>& left) = 0;
};

class CDlgCardCheck : public CExResizeDialog {
  Q_OBJECT

 public:
  static constexpr int kTemplateId = 155;
  static constexpr int kIdFindings = 1950;
  static constexpr int kIdStatus = 1951;
  static constexpr int kIdRepair = 1952;
  static constexpr int kIdClose = 2;

  CDlgCardCheck(ICardCheckOwner& owner, std::vector<CheckFinding> findings, QWidget* parent);

  const std::vector<CheckFinding>& Findings() const { return findings_; }
  // The status line's text: what the check (or the repair) came to.
  QString StatusText() const;

 protected:
  void OnInitDialog() override;
  void OnTextsApplied() override;

 private:
  void ShowFindings();
  void OnRepair();

  ICardCheckOwner& owner_;
  std::vector<CheckFinding> findings_;
  // The repair ran: the status says what is left; it stopped with an error.
  bool repaired_ = false;
  bool repairFailed_ = false;
  QTreeWidget* list_;
  Dornveld::GUI::CExStatic* status_;
  QPushButton* repair_;
  QPushButton* close_;
};
