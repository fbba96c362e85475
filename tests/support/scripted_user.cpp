#include "support/scripted_user.h"

namespace testsupport {

bool ScriptedUser::ChooseFile(bool, std::string& path, int) {
  if (nextFile_ >= files.size() || files[nextFile_].empty()) {
    ++nextFile_;
    return false;
  }
  path = files[nextFile_++];
  return true;
}

bool ScriptedUser::AskYesNo(const std::string& question) {
  questions.push_back(question);
  return nextAnswer_ < answers.size() && answers[nextAnswer_++];
}

void ScriptedUser::Chooser::ShowNoFloppyDrive(const std::string& message) {
  user_.messages.push_back(message);
}

bool ScriptedUser::Chooser::Choose(const std::vector<CDriveInfo>& drives, std::size_t* chosen) {
  for (std::size_t i = 0; i < drives.size(); ++i) {
    if (user_.floppy != '\0' && drives[i].Letter() == user_.floppy) {
      *chosen = i;
      return true;
    }
  }
  return false;
}

}  // namespace testsupport
