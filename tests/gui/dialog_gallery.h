// Every window of the program's frame, opened with sample contents: for the
// screenshots and for the tests that look at all windows at once.
#pragma once

#include <QWidget>

#include <memory>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "driveaccess/drive_info.h"
#include "gui/ui_test_support.h"
#include "services/app_settings.h"
#include "services/dialogs/help_viewer.h"
#include "services/help_files.h"
#include "services/user_folders_fixture.h"
#include "virtualdrive/virtual_disk_manager.h"

class CExResizeDialog;
class CTarnwickDlg;

namespace mwtest {
class TestCard;
}
namespace platform {
class ScopedDrive;
}
class GalleryCardOwner;

namespace uitest {

class DialogGallery {
 public:
  struct Window {
    std::string name;
    QWidget* widget;          // owned by the gallery
    CExResizeDialog* dialog;  // the same as a dialog that follows the language, or null
  };

  // Opens and shows every window. With a card image (when the tools are
  // there) the hex viewer reads a real card; otherwise it shows data.
  DialogGallery();
  ~DialogGallery();
  DialogGallery(const DialogGallery&) = delete;
  DialogGallery& operator=(const DialogGallery&) = delete;

  const std::vector<Window>& Windows() const { return windows_; }
  // The help window in the current language (opened again after a switch,
  // as the next F1 would).
  QWidget* HelpWindow();

  // Switches every window's language the way the user does: through the main
  // windows, which also rebuild the texts they make.
  void SwitchLanguage(int language);

 private:
  void Add(const std::string& name, QWidget* widget, CExResizeDialog* dialog);

  void AddMainWindows();
  void AddUnmountStates();

  testsupport::TempDir dir_;
  // The main windows store the language choice: in a profile of our own.
  ScopedVariable config_{"XDG_CONFIG_HOME", dir_.File("config")};
  AttachedCard card_;
  std::vector<CDriveInfo> floppies_;
  ByteBuffer block_;
  AppSettings settings_;
  CHelpViewer viewer_;
  std::unique_ptr<HelpFiles> help_;
  CVirtualDiskManager virtualDisks_{std::vector<std::string>{}};
  std::vector<std::unique_ptr<mwtest::TestCard>> cards_;
  std::unique_ptr<platform::ScopedDrive> reader_;
  std::vector<CTarnwickDlg*> mainWindows_;
  std::unique_ptr<GalleryCardOwner> cardOwner_;
  std::vector<Window> windows_;
  // The virtual drive's window over drivers that answer as each state needs.
  std::vector<std::unique_ptr<IVirtualDiskManager>> drivers_;
  std::vector<std::unique_ptr<QWidget>> owned_;
};

}  // namespace uitest
