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

class CExResizeDialog;
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

 private:
  void Add(const std::string& name, QWidget* widget, CExResizeDialog* dialog);

  testsupport::TempDir dir_;
  AttachedCard card_;
  std::vector<CDriveInfo> floppies_;
  ByteBuffer block_;
  AppSettings settings_;
  CHelpViewer viewer_;
  std::unique_ptr<HelpFiles> help_;
  std::unique_ptr<GalleryCardOwner> cardOwner_;
  std::vector<Window> windows_;
  std::vector<std::unique_ptr<QWidget>> owned_;
};

}  // namespace uitest
