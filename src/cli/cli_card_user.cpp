#include "cli/cli_card_user.h"

#include "cli/cli_output.h"
#include "cli/terminal_progress.h"

bool CliCardUser::ChooseFile(bool, std::string& path, int) {
  if (file_.empty()) return false;
  path = file_;
  return true;
}

bool CliCardUser::AskYesNo(const std::string&) {
  return true;
}

void CliCardUser::ShowMessage(const std::string& text) {
  Failure(text);
}

IProgressOwner* CliCardUser::Progress() {
  return ProgressOwner();
}

void CliCardUser::NoFloppyChoice::ShowNoFloppyDrive(const std::string& message) {
  Failure(message);
}

bool CliCardUser::NoFloppyChoice::Choose(const std::vector<CDriveInfo>&, std::size_t*) {
  return false;
}

SlotTarget CliSlotTarget(char drive, std::uint32_t slot, bool highDensity) {
  SlotTarget target;
  target.drive = drive;
  target.slot = static_cast<int>(slot);
  target.highDensity = highDensity;
  return target;
}
