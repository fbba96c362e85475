// The help pages: written from the program's own resources into the user's
// temporary folder (a folder only the user may enter, so that no other user
// can put a page there for us to show) on the first request of each
// language, shown in a help viewer, and removed when the program ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// A help viewer window; 0 is none.
using HelpWindow = std::uintptr_t;

// The window side of the help, implemented by the GUI.
class IHelpViewer {
 public:
  virtual ~IHelpViewer() = default;
  // Opens a viewer on the file; 0 when none opened.
  virtual HelpWindow OpenHelp(const std::string& path) = 0;
  // True while the window is still open (the user may have closed it).
  virtual bool IsOpen(HelpWindow window) = 0;
  virtual void BringToTop(HelpWindow window) = 0;
  // Asks the window to close.
  virtual void Close(HelpWindow window) = 0;
};

// Fetches a resource's bytes (type "BINARY"); false when it is missing.
using HelpResourceLoader =
    std::function<bool(int id, const std::uint8_t** data, std::size_t* size)>;

inline constexpr const char* kHelpFileGerman = "QuillfenDE.html";
inline constexpr const char* kHelpFileEnglish = "QuillfenEN.html";

class HelpFiles {
 public:
  // Builds both paths in the folder (with its trailing separator) and deletes
  // files left there by an earlier run, so this run's pages are written afresh.
  // An empty folder leaves both paths empty: no page is written or shown.
  explicit HelpFiles(const std::string& tempFolder);
  HelpFiles();  // in the user's temporary folder (platform::GetTempPath())
  ~HelpFiles();
  HelpFiles(const HelpFiles&) = delete;
  HelpFiles& operator=(const HelpFiles&) = delete;

  // The GUI installs its viewer at start-up and removes it (null) before the
  // viewer goes away. Without a viewer the page is written but not shown.
  void SetViewer(IHelpViewer* viewer) { viewer_ = viewer; }
  void SetResourceLoader(HelpResourceLoader loader) { loader_ = std::move(loader); }

  // Shows the help in the current language: raises the open viewer when it
  // shows that language already; otherwise closes it, writes the page once per
  // run and opens it.
  void ShowHelp();

  // Closes the viewer if it is open and deletes both files.
  void CloseAndDeleteHelp();

  const std::string& GermanPath() const { return germanPath_; }
  const std::string& EnglishPath() const { return englishPath_; }
  HelpWindow Window() const { return window_; }

 private:
  bool WindowIsOpen() const {
    return window_ != 0 && viewer_ != nullptr && viewer_->IsOpen(window_);
  }
  void WritePageIfMissing(bool german);

  std::string germanPath_;
  std::string englishPath_;
  HelpWindow window_ = 0;
  bool shownGerman_ = false;
  IHelpViewer* viewer_ = nullptr;
  HelpResourceLoader loader_;
};

// The process's one object, created at the first call.
HelpFiles& GetHelpFiles();
