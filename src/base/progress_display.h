// What a long operation sees of its progress display, and the window that
// can open one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/direct_disk_access_callback.h"
#include "base/drive_info_callback.h"
#include "base/progress_state_callback.h"

// Creation options of a progress display, combined with OR.
inline constexpr std::uint32_t kProgressVisible = 0x10000000;  // show at once
inline constexpr std::uint32_t kProgressTwoLines = 0x2;        // room for two text lines
inline constexpr std::uint32_t kProgressNoBar = 0x1;           // text shown as it is
// A busy notice: text only, shown at once.
inline constexpr std::uint32_t kProgressBusy = kProgressVisible | kProgressNoBar;

class IProgressDisplay : public IDirectDiskAccessCallback,
                         public IDriveInfoCallback,
                         public IProgressStateCallback {
 public:
  ~IProgressDisplay() override = default;
  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual void SetText(const std::string& text) = 0;
  virtual void SetBarRange(int maximum) = 0;
  virtual void Refresh() = 0;
  void SetPhaseText(const std::string& text) override { SetText(text); }
};

// The owner window that core operations receive so that they can open a
// progress display; a null owner means no display.
class IProgressOwner {
 public:
  virtual ~IProgressOwner() = default;
  // `options` combines kProgressVisible, kProgressTwoLines, kProgressNoBar.
  virtual std::unique_ptr<IProgressDisplay> CreateProgress(const std::string& text,
                                                           std::uint32_t options) = 0;
};

// A display of the owner's; none for a null owner.
inline std::unique_ptr<IProgressDisplay> OpenProgress(IProgressOwner* owner,
                                                      const std::string& text,
                                                      std::uint32_t options) {
  return owner != nullptr ? owner->CreateProgress(text, options) : nullptr;
}
