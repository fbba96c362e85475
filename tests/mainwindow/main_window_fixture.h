// The main window's tests: a watcher that answers the message boxes a
// command opens, and the window over a fresh profile on a card.
#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/ui_test_support.h"
#include "mainwindow/device_changes.h"
#include "mainwindow/tarnwick_dlg.h"
#include "mainwindow/test_cards.h"
#include "platform/device_events.h"
#include "services/app_settings.h"
#include "services/help_files.h"
#include "services/user_folders_fixture.h"
#include "virtualdrive/virtual_disk_manager.h"

class CDlgCreateResizeCIF;

namespace mwtest {

// Answers every modal window a command opens while the object lives: a
// message box with the next answer given (else its escape button), any other
// dialog by closing it. Records what each one said.
class ModalWatcher : public QObject {
 public:
  explicit ModalWatcher(std::vector<int> answers = {});
  ~ModalWatcher() override;

  // Message box texts; other windows by their caption.
  const QStringList& Seen() const { return seen_; }
  // The captions of the message boxes.
  const QStringList& Captions() const { return captions_; }

 private:
  void Poll();

  QTimer timer_;
  std::vector<int> answers_;
  std::size_t next_ = 0;
  QStringList seen_;
  QStringList captions_;
  QPointer<QWidget> handled_;  // null again once that window is gone
};

// Runs the window's Create command and hands the creation dialog, once it
// shows, to `drive`; a dialog still open afterwards is closed.
void RunCreateDialog(CTarnwickDlg& window, const std::function<void(CDlgCreateResizeCIF&)>& drive);

// Device events a test hands to the window: they wait in a queue, and an
// eventfd that the window's event loop watches says so, as the machine's
// sources do.
class DeviceEventFeed {
 public:
  DeviceEventFeed();
  ~DeviceEventFeed();
  // A source for the window; every source shares this feed's queue.
  std::unique_ptr<platform::IDeviceEvents> Source();
  void Feed(const std::vector<platform::DeviceEvent>& events);

  static platform::DeviceEvent Letters(platform::DeviceEventKind kind, std::uint32_t unitMask);
  static platform::DeviceEvent Disk(platform::DeviceEventKind kind, const std::string& disk);

 private:
  struct Queue;
  std::shared_ptr<Queue> queue_;
};

// The main window over a fresh profile, with no virtual disk driver and the
// help in a temporary folder.
class MainWindowTest : public UserFoldersTest {
 protected:
  static constexpr char kLetter = 'R';

  MainWindowTest();
  ~MainWindowTest() override;

  // A card in the state at kLetter. False when it cannot be made: the test
  // is then skipped (the tools are missing) or failed, and should return.
  bool MakeCard(CardKind kind, unsigned images = 4);
  // Opens the window hearing the events fed to events_, or those of the
  // source given.
  void Open();
  void Open(std::unique_ptr<platform::IDeviceEvents> source);

  template <class T = QWidget>
  T* Get(int id) const {
    return qobject_cast<T*>(window_->Control(id));
  }
  QString StatusText() const;
  int Severity() const;
  QString Text(int id) const;  // a field's or a label's text
  bool Enabled(int id) const { return window_->Control(id)->isEnabled(); }
  QStringList DriveEntries() const;
  QStringList SlotNames() const;
  void SelectSlot(int slot);
  // Waits for the search a device change asked for.
  void WaitForDriveSearch();

  uitest::ScopedLanguage english_{kLanguageEnglish};
  AppSettings settings_;
  CVirtualDiskManager virtualDisks_{std::vector<std::string>{"/nonexistent/ImDisk.cpl"}};
  std::unique_ptr<HelpFiles> help_;
  TestCard card_;
  DeviceEventFeed events_;
  std::unique_ptr<CTarnwickDlg> window_;
};

}  // namespace mwtest
