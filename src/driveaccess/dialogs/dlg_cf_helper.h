// The card helper: a read test of every sector of the card and a flash
// format that zeroes its first 16 sectors. Each operation runs on a worker
// thread of its own; the worker posts its texts and its end to the window
// through queued signals, and only the window's thread touches the controls.
#pragma once

#include <QString>

#include <atomic>
#include <thread>

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

  // The window does not close while an operation runs: the worker reports to it.
  void reject() override;

 signals:
  // Posted by the worker; delivered on the window's thread.
  void TextPosted(const QString& text);
  void OperationEnded();

 protected:
  void OnInitDialog() override;
  void OnTextsApplied() override;

 private:
  class WorkerDisplay;

  void StartOperation(Operation operation);
  void RunOperation();
  void ShowText(const QString& text);
  void OnOperationEnded();
  void SetRunning(bool running);

  char letter_;
  Operation operation_ = kReadTest;
  std::atomic<bool> started_{false};
  std::atomic<bool> cancelRequested_{false};
  std::thread worker_;
  QPlainTextEdit* output_;
  QPushButton* read_;
  QPushButton* format_;
  QPushButton* cancel_;
  QPushButton* close_;
};
