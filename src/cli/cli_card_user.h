// What the card operations ask of the user, answered by the command line:
// every file choice gets the command's FILE argument, a question is answered
// Yes (the command itself is the user's consent), messages go to standard
// error and progress to the terminal.
#pragma once

#include <string>

#include "container/card_operations.h"

class CliCardUser : public ICardUser {
 public:
  // `file`: the command's FILE argument; empty for a command without one.
  explicit CliCardUser(std::string file = {}) : file_(std::move(file)) {}

  bool ChooseFile(bool openDialog, std::string& path, int kind) override;
  bool AskYesNo(const std::string& question) override;
  void ShowMessage(const std::string& text) override;
  IFloppyDriveChooser& FloppyChooser() override { return floppies_; }
  IProgressOwner* Progress() override;

 private:
  // The tool names no floppy drive: none is ever chosen.
  class NoFloppyChoice : public IFloppyDriveChooser {
   public:
    void ShowNoFloppyDrive(const std::string& message) override;
    bool Choose(const std::vector<CDriveInfo>& drives, std::size_t* chosen) override;
  };

  std::string file_;
  NoFloppyChoice floppies_;
};

// The slot of a command: the card's letter, the 0-based slot and the
// container's kind from its header; no name, so that a written slot keeps its
// own unless the command gives one.
SlotTarget CliSlotTarget(char drive, std::uint32_t slot, bool highDensity);
