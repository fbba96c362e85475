// An up-down control bound to a number field: two arrow halves that step the
// field's number within a range, the Up and Down keys in the field doing the
// same. The position is the field's number, as the control reads it from
// its buddy; stepping shows the new position in the field.
#pragma once

#include <QWidget>

class QLineEdit;
class QTimer;

class CUpDownControl : public QWidget {
  Q_OBJECT

 public:
  explicit CUpDownControl(QWidget* parent = nullptr);

  // The field whose number the control steps (not owned).
  void SetBuddy(QLineEdit* buddy);
  // An empty range (upper below lower) leaves the field as it is.
  void SetRange(int lower, int upper);
  int Lower() const { return lower_; }
  int Upper() const { return upper_; }
  // The buddy's number (its leading digits; 0 when there are none).
  int Pos() const;
  // Shows the position in the buddy.
  void SetPos(int position);
  // One step up (+1) or down (-1), kept within the range.
  void Step(int delta);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QRect Half(int delta) const;

  QLineEdit* buddy_ = nullptr;
  QTimer* repeat_;
  int lower_ = 0;
  int upper_ = 100;
  int pressed_ = 0;  // the half held down: +1, -1, or 0
};
