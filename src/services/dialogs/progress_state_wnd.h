// The progress display as a small borderless popup over its owner: one or two
// lines of text and, unless asked not to, a bar under them. The owner is
// disabled while the popup lives; every report repaints the popup and, with
// an owner, lets pending events run so that the windows stay painted.
#pragma once

#include <QFrame>
#include <QPointer>

#include <string>

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

  QPointer<QWidget> owner_;
  bool ownerWasDisabled_ = false;
  QProgressBar* bar_ = nullptr;
};
