// A user of the card operations that answers from lists given in advance, so
// that a test runs a command the way the window or the command-line tool
// runs it: the files it names in turn (an empty name, or none left, cancels),
// its answers to questions in turn (No once they run out), and the floppy
// drive it picks by letter. It records what it was asked and shown.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "container/card_operations.h"

namespace testsupport {

class ScriptedUser : public ICardUser {
 public:
  std::vector<std::string> files;
  std::vector<bool> answers;
  char floppy = '\0';  // the floppy drive picked; '\0' cancels the choice

  std::vector<std::string> questions;
  std::vector<std::string> messages;  // shown by the command, "no floppy drive" included

  bool ChooseFile(bool openDialog, std::string& path, int kind) override;
  bool AskYesNo(const std::string& question) override;
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  IFloppyDriveChooser& FloppyChooser() override { return chooser_; }
  IProgressOwner* Progress() override { return nullptr; }

 private:
  class Chooser : public IFloppyDriveChooser {
   public:
    explicit Chooser(ScriptedUser& user) : user_(user) {}
    void ShowNoFloppyDrive(const std::string& message) override;
    bool Choose(const std::vector<CDriveInfo>& drives, std::size_t* chosen) override;

   private:
    ScriptedUser& user_;
  };

  std::size_t nextFile_ = 0;
  std::size_t nextAnswer_ = 0;
  Chooser chooser_{*this};
};

}  // namespace testsupport
