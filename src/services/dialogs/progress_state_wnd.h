// The progress display as a small borderless popup over its owner: one or two
// lines of text and, unless asked not to, a bar under them. The owner is
// disabled while the popup lives. Reports repaint the popup and, with an
// owner, let pending events run so that the windows stay painted and answer;
// both at most once per display interval, however often the work reports (a
// report in between is painted with the next pass of the event loop). Screen
// readers find the popup as a window named by its text.
#pragma once

#include <QFrame>
#include <QPointer>

#include <string>

#include "base/display_throttle.h"
#include "services/progress_state.h"

class QProgressBar;

class CProgressStateWnd : public QFrame, public CProgressState {
  Q_OBJECT

 public:
  // options: kProgressVisible, kProgressTwoLines, kProgressNoBar.
  CProgressStateWnd(const std::string& text, std::uint32_t options, QWidget* owner);
  ~CProgressStateWnd() override;
  CProgressStateWnd(const CProgressStateWnd&) = delete;
  CProgressStateWnd& operator=(const CProgressStateWnd&) = delete;

  void Show() override;
  void Hide() override;
  // Replaces the text and fits the width to it.
  void SetText(const std::string& text) override;

  QWidget* Owner() const { return owner_; }
  // The bar, or null without one.
  QProgressBar* Bar() const { return bar_; }

 protected:
  void Redraw() override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QRect ClientRect() const;
  void FitWidth();
  void PlaceBar();
  void CentreOverOwner();
  // The text assistive tools read: what the popup shows.
  void UpdateAccessibleName();

  QPointer<QWidget> owner_;
  DisplayThrottle throttle_;
  bool ownerWasDisabled_ = false;
  QProgressBar* bar_ = nullptr;
};
