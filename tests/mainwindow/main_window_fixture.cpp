#include "mainwindow/main_window_fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QTest>

#include "gui/ex_static.h"

namespace mwtest {

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
  window_ = std::make_unique<CTarnwickDlg>(nullptr, settings_, virtualDisks_, *help_);
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
  QTRY_VERIFY_WITH_TIMEOUT(!window_->DriveSearchPending(), 5000);
  QApplication::processEvents();
}

}  // namespace mwtest
