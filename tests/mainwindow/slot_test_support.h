// What the slot command tests share: floppy images made by mkfs.fat and
// mtools, a floppy drive chooser that picks without a dialog, and the bytes
// of a slot or a file.
#pragma once

#include <QDialog>
#include <QTimer>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "container/floppy_choice.h"

namespace mwtest {

// A floppy image of 1,474,560 (HD) or 737,280 (DD) bytes by mkfs.fat, with
// a fixed serial, label and a file NOTE.TXT holding `note`. False when a
// tool failed.
bool MakeFloppyImage(const std::string& path, bool highDensity, const std::string& note);

ByteBuffer ReadBytes(const std::string& path);
// The image part (HD size) of a slot, read straight from the container file.
ByteBuffer SlotImage(char drive, unsigned slot, bool highDensity = true);
// The text of a file on a floppy image (mtype), empty when it is missing.
std::string FileOnFloppy(const ByteBuffer& image, const std::string& name);

// Picks the drive at `letter` from the floppy drives offered, and counts
// how often it was asked.
class PickFloppy : public IFloppyDriveChooser {
 public:
  explicit PickFloppy(char letter) : letter_(letter) {}
  void ShowNoFloppyDrive(const std::string& message) override { noDrive_.push_back(message); }
  bool Choose(const std::vector<CDriveInfo>& drives, std::size_t* chosen) override;

  int asked = 0;
  std::vector<char> offered;
  bool cancel = false;
  const std::vector<std::string>& NoDriveMessages() const { return noDrive_; }

 private:
  char letter_;
  std::vector<std::string> noDrive_;
};

// Runs `step` on every modal dialog of class T that comes up while the
// object lives (once per dialog).
template <class T>
class OnModal : public QObject {
 public:
  explicit OnModal(std::function<void(T&)> step) : step_(std::move(step)) {
    connect(&timer_, &QTimer::timeout, this, &OnModal::Poll);
    timer_.start(10);
  }
  int Count() const { return count_; }

 private:
  void Poll();
  std::function<void(T&)> step_;
  QTimer timer_;
  QObject* last_ = nullptr;
  int count_ = 0;
};

}  // namespace mwtest

#include <QApplication>

template <class T>
void mwtest::OnModal<T>::Poll() {
  auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
  if (dialog == nullptr || dialog == last_ || !dialog->isVisible()) return;
  last_ = dialog;
  ++count_;
  step_(*dialog);
}
