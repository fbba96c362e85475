#include "gui/button_led.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

#include "gui/colors.h"
#include "gui/icons.h"

namespace {
// The light's picture is drawn green (#00c000); each paint puts its colour there.
QByteArray LedPicture(const QColor& color) {
  static const QByteArray picture = gui::IconSource(gui::kIconLed);
  QByteArray filled = picture;
  filled.replace("#00c000", color.name().toLatin1());
  return filled;
}
}  // namespace

CButtonLed::CButtonLed(QWidget* parent) : QAbstractButton(parent) {
  setFocusPolicy(Qt::NoFocus);
}

void CButtonLed::SetColors(std::uint32_t lit, std::uint32_t unlit, std::uint32_t third) {
  lit_ = lit;
  unlit_ = unlit;
  third_ = third;
  update();
}

void CButtonLed::SetState(State state) {
  state_ = state;
  update();
}

QColor CButtonLed::CurrentColor() const {
  switch (state_) {
    case State::kLit:
      return gui::ColorFromColorRef(lit_);
    case State::kThird:
      return gui::ColorFromColorRef(third_);
    default:
      return gui::ColorFromColorRef(unlit_);
  }
}

QSize CButtonLed::sizeHint() const {
  return QSize(22, 22);
}

void CButtonLed::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const int side = qMin(width(), height());
  const QRectF square((width() - side) / 2.0, (height() - side) / 2.0, side, side);
  QSvgRenderer renderer(LedPicture(CurrentColor()));
  renderer.render(&painter, square);
}
