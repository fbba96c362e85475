#include "mainwindow/main_window_fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QTest>

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

#include "container/dialogs/dlg_create_resize_cif.h"
#include "gui/ex_static.h"

namespace mwtest {

struct DeviceEventFeed::Queue {
  int fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  std::vector<platform::DeviceEvent> events;
  ~Queue() {
    if (fd >= 0) close(fd);
  }
};

namespace {
class FedEvents : public platform::IDeviceEvents {
 public:
  explicit FedEvents(std::shared_ptr<void> keep, int fd, std::vector<platform::DeviceEvent>* queue)
      : keep_(std::move(keep)), fd_(fd), queue_(queue) {}
  std::vector<platform::EventDescriptor> Descriptors() const override { return {{fd_, false}}; }
  void Read(std::vector<platform::DeviceEvent>* events) override {
    std::uint64_t count = 0;
    while (read(fd_, &count, sizeof count) > 0) {
    }
    events->insert(events->end(), queue_->begin(), queue_->end());
    queue_->clear();
  }
  bool Wait(int) override { return !queue_->empty(); }
  platform::DiskEventFeed Feed() const override { return platform::DiskEventFeed::kUdev; }

 private:
  std::shared_ptr<void> keep_;
  int fd_;
  std::vector<platform::DeviceEvent>* queue_;
};
}  // namespace

DeviceEventFeed::DeviceEventFeed() : queue_(std::make_shared<Queue>()) {}

DeviceEventFeed::~DeviceEventFeed() = default;

std::unique_ptr<platform::IDeviceEvents> DeviceEventFeed::Source() {
  return std::make_unique<FedEvents>(queue_, queue_->fd, &queue_->events);
}

void DeviceEventFeed::Feed(const std::vector<platform::DeviceEvent>& events) {
  queue_->events.insert(queue_->events.end(), events.begin(), events.end());
  const std::uint64_t one = 1;
  EXPECT_EQ(write(queue_->fd, &one, sizeof one), static_cast<ssize_t>(sizeof one));
}

platform::DeviceEvent DeviceEventFeed::Letters(platform::DeviceEventKind kind,
                                               std::uint32_t unitMask) {
  platform::DeviceEvent event;
  event.kind = kind;
  event.unitMask = unitMask;
  return event;
}

platform::DeviceEvent DeviceEventFeed::Disk(platform::DeviceEventKind kind,
                                            const std::string& disk) {
  platform::DeviceEvent event;
  event.kind = kind;
  event.devicePath = disk;
  event.diskPath = disk;
  return event;
}

ModalWatcher::ModalWatcher(std::vector<int> answers) : answers_(std::move(answers)) {
  connect(&timer_, &QTimer::timeout, this, &ModalWatcher::Poll);
  timer_.start(5);
}

ModalWatcher::~ModalWatcher() = default;

void ModalWatcher::Poll() {
  QWidget* modal = QApplication::activeModalWidget();
  if (modal == nullptr || modal == handled_.data() || !modal->isVisible()) return;
  handled_ = modal;
  if (auto* box = qobject_cast<QMessageBox*>(modal)) {
    seen_ << box->text();
    captions_ << box->windowTitle();
    if (next_ < answers_.size()) {
      box->done(answers_[next_++]);
    } else if (QAbstractButton* escape = box->escapeButton()) {
      escape->click();
    } else {
      box->done(QMessageBox::Ok);
    }
    return;
  }
  seen_ << modal->windowTitle();
  if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
}

void RunCreateDialog(CTarnwickDlg& window, const std::function<void(CDlgCreateResizeCIF&)>& drive) {
  bool driven = false;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<CDlgCreateResizeCIF*>(top);
      if (driven || dialog == nullptr || !dialog->isVisible()) continue;
      driven = true;
      drive(*dialog);
      if (dialog->isVisible()) dialog->reject();
    }
  });
  timer.start(10);
  window.OnCreateContainer();
  QApplication::processEvents();
  timer.stop();
  EXPECT_TRUE(driven);
}

MainWindowTest::MainWindowTest() {
  settings_.Load();
  help_ = std::make_unique<HelpFiles>(dir_.path() + "/");
}

MainWindowTest::~MainWindowTest() {
  window_.reset();
  help_->CloseAndDeleteHelp();
}

bool MainWindowTest::MakeCard(CardKind kind, unsigned images) {
  std::string reason;
  if (card_.Make(kLetter, kind, &reason, images)) return true;
  if (!testsupport::HaveFatTools()) {
    [&] { GTEST_SKIP() << reason; }();
  } else {
    ADD_FAILURE() << CardKindName(kind) << ": " << reason;
  }
  return false;
}

void MainWindowTest::Open() {
  Open(events_.Source());
}

void MainWindowTest::Open(std::unique_ptr<platform::IDeviceEvents> source) {
  window_ = std::make_unique<CTarnwickDlg>(nullptr, settings_, virtualDisks_, *help_);
  window_->DeviceChanges().Start(std::move(source));
  window_->InitDialog();
  window_->show();
  QApplication::processEvents();
}

QString MainWindowTest::StatusText() const {
  return Get<QLabel>(CTarnwickDlg::kIdStatus)->text();
}

int MainWindowTest::Severity() const {
  return Get<Dornveld::GUI::CExStatic>(CTarnwickDlg::kIdStatus)->Severity();
}

QString MainWindowTest::Text(int id) const {
  if (auto* field = Get<QLineEdit>(id)) return field->text();
  if (auto* label = Get<QLabel>(id)) return label->text();
  return QString();
}

QStringList MainWindowTest::DriveEntries() const {
  QStringList entries;
  auto* combo = Get<QComboBox>(CTarnwickDlg::kIdDriveList);
  for (int i = 0; i < combo->count(); ++i) entries << combo->itemText(i);
  return entries;
}

QStringList MainWindowTest::SlotNames() const {
  QStringList names;
  auto* list = Get<QListWidget>(CTarnwickDlg::kIdSlotList);
  for (int i = 0; i < list->count(); ++i) names << list->item(i)->text();
  return names;
}

void MainWindowTest::SelectSlot(int slot) {
  Get<QListWidget>(CTarnwickDlg::kIdSlotList)->setCurrentRow(slot);
}

void MainWindowTest::WaitForDriveSearch() {
  // The events reach the window in its event loop.
  QApplication::processEvents();
  QTRY_VERIFY_WITH_TIMEOUT(!window_->DriveSearchPending(), 5000);
  QApplication::processEvents();
}

}  // namespace mwtest
