#include "gui/up_down_control.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>
#include <QTimer>

#include <algorithm>

namespace {
// Holding a half down steps again after a pause, then quickly.
constexpr int kFirstRepeatMs = 400;
constexpr int kRepeatMs = 60;
}  // namespace

CUpDownControl::CUpDownControl(QWidget* parent) : QWidget(parent), repeat_(new QTimer(this)) {
  setFocusPolicy(Qt::NoFocus);  // the keys work in the field
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
  connect(repeat_, &QTimer::timeout, this, [this] {
    repeat_->setInterval(kRepeatMs);
    Step(pressed_);
  });
}

void CUpDownControl::SetBuddy(QLineEdit* buddy) {
  if (buddy_ != nullptr) buddy_->removeEventFilter(this);
  buddy_ = buddy;
  if (buddy_ != nullptr) buddy_->installEventFilter(this);
}

void CUpDownControl::SetRange(int lower, int upper) {
  lower_ = lower;
  upper_ = upper;
}

int CUpDownControl::Pos() const {
  if (buddy_ == nullptr) return 0;
  const QString text = buddy_->text().trimmed();
  int value = 0;
  for (QChar c : text) {
    if (!c.isDigit()) break;
    value = std::min(value * 10 + c.digitValue(), 1000000);
  }
  return value;
}

void CUpDownControl::SetPos(int position) {
  if (buddy_ != nullptr) buddy_->setText(QString::number(position));
}

void CUpDownControl::Step(int delta) {
  if (buddy_ == nullptr || upper_ < lower_ || delta == 0) return;
  SetPos(std::clamp(Pos() + delta, lower_, upper_));
}

QSize CUpDownControl::sizeHint() const {
  const int width = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
  return QSize(width, buddy_ != nullptr ? buddy_->sizeHint().height() : 2 * width);
}

QSize CUpDownControl::minimumSizeHint() const {
  return sizeHint();
}

QRect CUpDownControl::Half(int delta) const {
  const int half = height() / 2;
  return delta > 0 ? QRect(0, 0, width(), half) : QRect(0, half, width(), height() - half);
}

void CUpDownControl::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  for (int delta : {+1, -1}) {
    QStyleOptionButton button;
    button.initFrom(this);
    button.rect = Half(delta);
    button.state |= pressed_ == delta ? QStyle::State_Sunken : QStyle::State_Raised;
    if (upper_ < lower_) button.state &= ~QStyle::State_Enabled;
    style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &button, &painter, this);
    QStyleOption arrow = button;
    const int inset = std::max(2, button.rect.height() / 5);
    arrow.rect = button.rect.adjusted(inset, inset, -inset, -inset);
    style()->drawPrimitive(delta > 0 ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown,
                           &arrow, &painter, this);
  }
}

void CUpDownControl::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  pressed_ = Half(+1).contains(event->position().toPoint()) ? +1 : -1;
  Step(pressed_);
  repeat_->start(kFirstRepeatMs);
  update();
}

void CUpDownControl::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
  pressed_ = 0;
  repeat_->stop();
  update();
}

bool CUpDownControl::eventFilter(QObject* watched, QEvent* event) {
  if (watched == buddy_ && event->type() == QEvent::KeyPress && isEnabled()) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
      Step(key == Qt::Key_Up ? +1 : -1);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}
