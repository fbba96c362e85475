// The small window that is open for as long as a floppy image is bound to
// the virtual drive: it mounts the image, may open the file manager on the
// drive, watches the drive, and releases it when its one button is pressed.
// The caller then reads whether the drive was found after mounting and
// whether it has been released.
#pragma once

#include <QTimer>

#include <functional>
#include <string>

#include "gui/ex_resize_dialog.h"
#include "virtualdrive/virtual_disk.h"

class CStaticLanguage;
class QPushButton;

class CDlgUnmount : public CExResizeDialog {
  Q_OBJECT

 public:
  static constexpr int kTemplateId = 159;
  static constexpr int kIdUnmount = 1145;
  static constexpr int kIdStatus = 2010;
  static constexpr int kIdDriverStatus = 2011;
  static constexpr int kWatchMs = 300;

  // Hands the mounted drive's folder to the desktop's file manager.
  using OpenFolderFunction = std::function<void(const std::string& folder)>;

  // openFileManager: the setting that opens the file manager on the drive.
  CDlgUnmount(IVirtualDiskManager& manager, bool openFileManager, QWidget* parent);
  ~CDlgUnmount() override;

  void SetImageFile(const std::string& path) { imageFile_ = path; }
  void SetOpenFolderFunction(OpenFolderFunction open) { openFolder_ = std::move(open); }

  bool DeviceFound() const { return deviceFound_; }
  bool Released() const { return released_; }
  bool Closable() const { return closable_; }
  int DeviceNumber() const { return deviceNumber_; }
  // The icon on the button: kIconUnmount or kIconCloseOnly.
  int ButtonIcon() const { return buttonIcon_; }
  bool Watching() const { return watch_.isActive(); }

  // The button: closes when closable, else releases the drive.
  void OnUnmount();
  // The system menu's minimise: the main window goes instead.
  void OnMinimize();
  // One step of the watch: asks the driver for the device.
  void OnWatch();

 public slots:
  // Escape and the close box end the dialog only when it is closable.
  void reject() override;

 protected:
  void OnInitDialog() override;
  void changeEvent(QEvent* event) override;

 private:
  void SetButtonIcon(int icon);
  void SetStatus(const char* english, const char* german);
  void OpenFileManager();

  IVirtualDiskManager& manager_;
  bool openFileManager_;
  OpenFolderFunction openFolder_;
  std::string imageFile_;
  int deviceNumber_ = -1;
  bool deviceFound_ = false;
  bool released_ = false;
  bool closable_ = false;
  int buttonIcon_ = 0;
  QTimer watch_;
  QPushButton* button_ = nullptr;
  CStaticLanguage* status_ = nullptr;
  CStaticLanguage* driverStatus_ = nullptr;
};
