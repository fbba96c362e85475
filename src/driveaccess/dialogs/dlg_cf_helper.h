// The card helper: a read test of every sector of the card and a flash
// format that zeroes its first 16 sectors, after the user agreed. Each
// operation runs on a worker thread of its own. The worker only keeps its
// newest text; the window shows it at most a few dozen times a second, so
// that Cancel and a screen reader are answered at once however fast the
// card reads. The end comes as a queued signal; only the window's thread
// touches the controls.
#pragma once

#include <QString>
#include <QTimer>

#include <atomic>
#include <string>
#include <thread>

#include "base/display_throttle.h"
#include "driveaccess/drive_info.h"
#include "gui/ex_resize_dialog.h"

class QPlainTextEdit;
class QPushButton;

class CDlgCFHelper : public CExResizeDialog {
  Q_OBJECT

 public:
  static constexpr int kTemplateId = 148;
  static constexpr int kIdRead = 1800;
  static constexpr int kIdOutput = 1801;
  static constexpr int kIdCancel = 1802;
  static constexpr int kIdFormat = 1803;
  static constexpr int kIdClose = 2;

  enum Operation { kReadTest = 0, kFormatFlash = 1 };

  CDlgCFHelper(const CDriveInfo& drive, QWidget* parent);
  // Waits for a running operation (a read test is asked to stop first).
  ~CDlgCFHelper() override;

  bool IsRunning() const { return worker_.joinable(); }
  // A flash format ran (the user said Yes): the card's state is to be read again.
  bool FormatRan() const { return formatRan_; }

  // The window does not close while an operation runs: the worker reports to it.
  void reject() override;

 signals:
  // Posted by the worker; delivered on the window's thread.
  void OperationEnded();

 protected:
  void OnInitDialog() override;
  void OnTextsApplied() override;

 private:
  class WorkerDisplay;

  void StartOperation(Operation operation);
  // Asks before the format, naming the card; true for Yes.
  bool AskFormat();
  void RunOperation();
  void ShowLatestText();
  void ShowText(const QString& text);
  void OnOperationEnded();
  void SetRunning(bool running);

  char letter_;
  std::string label_;
  Operation operation_ = kReadTest;
  bool formatRan_ = false;
  std::atomic<bool> started_{false};
  std::atomic<bool> cancelRequested_{false};
  std::thread worker_;
  LatestValue<std::string> latestText_;  // the worker's newest text
  QTimer showTimer_;
  QPlainTextEdit* output_;
  QPushButton* read_;
  QPushButton* format_;
  QPushButton* cancel_;
  QPushButton* close_;
};
