#include "services/help_files.h"

#include "base/current_language.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/user_files.h"
#include "resources/resources.h"

namespace {

bool LoadHelpResource(int id, const std::uint8_t** data, std::size_t* size) {
  return LoadResource(kResourceTypeBinary, id, data, size);
}

}  // namespace

HelpFiles::HelpFiles(const std::string& tempFolder) : loader_(LoadHelpResource) {
  // Without a temporary folder there is no help, rather than pages in
  // whatever folder the program was started from.
  if (tempFolder.empty()) return;
  germanPath_ = tempFolder + kHelpFileGerman;
  englishPath_ = tempFolder + kHelpFileEnglish;
  platform::RemoveFile(germanPath_);
  platform::RemoveFile(englishPath_);
}

HelpFiles::HelpFiles() : HelpFiles(platform::GetTempPath()) {}

HelpFiles::~HelpFiles() {
  CloseAndDeleteHelp();
}

void HelpFiles::WritePageIfMissing(bool german) {
  const std::string& path = german ? germanPath_ : englishPath_;
  if (path.empty() || platform::PathExists(path)) return;  // written earlier in this run
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  if (!loader_ || !loader_(german ? kResourceHelpGerman : kResourceHelpEnglish, &data, &size)) {
    return;
  }
  // Through a temporary file, so that a failed write leaves no half page that
  // later requests would show.
  platform::WriteFileAtomically(path, std::string(reinterpret_cast<const char*>(data), size));
}

void HelpFiles::ShowHelp() {
  const bool german = IsGermanLanguage();
  while (WindowIsOpen()) {
    if (shownGerman_ == german) {
      viewer_->BringToTop(window_);
      return;
    }
    viewer_->Close(window_);
    window_ = 0;
    platform::SleepMs(200);  // let the viewer go before the other page opens
  }
  shownGerman_ = german;
  WritePageIfMissing(german);
  const std::string& path = german ? germanPath_ : englishPath_;
  window_ = viewer_ != nullptr && !path.empty() ? viewer_->OpenHelp(path) : 0;
}

void HelpFiles::CloseAndDeleteHelp() {
  if (WindowIsOpen()) viewer_->Close(window_);
  window_ = 0;
  if (!germanPath_.empty()) platform::RemoveFile(germanPath_);
  if (!englishPath_.empty()) platform::RemoveFile(englishPath_);
}

HelpFiles& GetHelpFiles() {
  static HelpFiles files;
  return files;
}
