#include "services/dialogs/progress_state_wnd.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QPainter>
#include <QProgressBar>
#include <QScreen>

#include "gui/colors.h"
#include "services/progress_popup_layout.h"

namespace {
// The popup is a window of its own for assistive tools, not a frame.
QAccessibleInterface* ProgressPopupAccessible(const QString&, QObject* object) {
  auto* popup = qobject_cast<CProgressStateWnd*>(object);
  return popup != nullptr ? new QAccessibleWidget(popup, QAccessible::Window) : nullptr;
}
}  // namespace

CProgressStateWnd::CProgressStateWnd(const std::string& text, std::uint32_t options, QWidget* owner)
    : QFrame(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      CProgressState(text, options),
      owner_(owner) {
  static const bool accessible = [] {
    QAccessible::installFactory(&ProgressPopupAccessible);
    return true;
  }();
  (void)accessible;
  UpdateAccessibleName();
  if (owner_ != nullptr) {
    // Exactly as it was: an owner disabled by its own parent is not
    // disabled itself and must not be enabled explicitly afterwards.
    ownerWasDisabled_ = owner_->testAttribute(Qt::WA_ForceDisabled);
    owner_->setEnabled(false);
  }
  // The popup is a child window of the owner; it stays usable while its
  // owner is disabled.
  setEnabled(true);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setLineWidth(kPopupClientEdge);
  setCursor(Qt::ArrowCursor);
  setFixedSize(kPopupMinWidth, ProgressPopupHeight(options));
  if (BarShown()) {
    bar_ = new QProgressBar(this);
    bar_->setTextVisible(false);
    bar_->setRange(0, 1);
    bar_->setValue(0);
    PlaceBar();
  }
  CentreOverOwner();
  if (IsVisible()) {
    show();
    repaint();
  }
}

CProgressStateWnd::~CProgressStateWnd() {
  if (owner_ != nullptr) owner_->setEnabled(!ownerWasDisabled_);
}

void CProgressStateWnd::Show() {
  show();
  throttle_.Reset();  // painted at once
  CProgressState::Show();
}

void CProgressStateWnd::Hide() {
  CProgressState::Hide();
  hide();
}

void CProgressStateWnd::SetText(const std::string& text) {
  throttle_.Reset();  // a new text is shown at once
  CProgressState::SetText(text);
  FitWidth();
  UpdateAccessibleName();
}

void CProgressStateWnd::Redraw() {
  if (bar_ != nullptr) {
    // The bar takes every report but is painted with the popup (below): a
    // repaint of its own at once would repaint the popup behind it each time.
    bar_->setUpdatesEnabled(false);
    bar_->setRange(BarMinimum(), BarMaximum());
    // Outside its range the bar stands at the nearer end.
    bar_->setValue(qBound(bar_->minimum(), BarPosition(), bar_->maximum()));
    bar_->setUpdatesEnabled(true);
  }
  // Painted with the next pass of the event loop: the one below when the
  // report is due, else a later one.
  if (isVisible()) update();
  if (!throttle_.Due()) return;
  if (owner_ != nullptr) {
    QApplication::processEvents();
  } else if (isVisible()) {
    repaint();  // without an owner there is no window to keep painted and nothing is run
  }
}

void CProgressStateWnd::UpdateAccessibleName() {
  const QString text = QString::fromStdString(FormattedText()).replace('\n', ' ');
  if (accessibleName() != text) setAccessibleName(text);
}

QRect CProgressStateWnd::ClientRect() const {
  return contentsRect();
}

void CProgressStateWnd::FitWidth() {
  const QFontMetrics metrics(font());
  int widest = 0;
  for (const std::string& line : SplitProgressLines(FormattedText())) {
    widest = qMax(widest, metrics.horizontalAdvance(QString::fromStdString(line)));
  }
  const int wanted = ProgressPopupWidth(widest);
  if (wanted == width()) return;
  setFixedSize(wanted, height());
  CentreOverOwner();
  PlaceBar();
  if (isVisible()) repaint();
}

void CProgressStateWnd::PlaceBar() {
  if (bar_ == nullptr) return;
  const QRect client = ClientRect();
  const PopupRect bar = ProgressBarRect(
      PopupRect{client.left(), client.top(), client.right() + 1, client.bottom() + 1});
  bar_->setGeometry(bar.left, bar.top, bar.Width(), bar.Height());
}

void CProgressStateWnd::CentreOverOwner() {
  QRect area;
  // A window that is not shown yet (a dialog still setting itself up) has
  // no place on the screen; its own owner has.
  QWidget* over = owner_ != nullptr ? owner_->window() : nullptr;
  while (over != nullptr && !over->isVisible()) {
    over = over->parentWidget() != nullptr ? over->parentWidget()->window() : nullptr;
  }
  if (over != nullptr) {
    area = over->frameGeometry();
  } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    area = screen->availableGeometry();
  }
  move(area.center() - QPoint(width() / 2, height() / 2));
}

void CProgressStateWnd::paintEvent(QPaintEvent* event) {
  UpdateAccessibleName();     // what is painted is what is heard
  QFrame::paintEvent(event);  // the sunken edge
  QPainter painter(this);
  const QRect client = ClientRect();
  painter.fillRect(client, gui::ColorFromColorRef(kPopupBackground));
  painter.setPen(Qt::black);
  const PopupRect text = ProgressTextRect(
      PopupRect{client.left(), client.top(), client.right() + 1, client.bottom() + 1});
  const std::vector<std::string> lines = SplitProgressLines(FormattedText());
  const std::vector<PopupRect> bands = ProgressLineBands(text, lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const QRect band(bands[i].left, bands[i].top, bands[i].Width(), bands[i].Height());
    // Centred, one line, '&' shown as it is.
    painter.drawText(band, Qt::AlignCenter | Qt::TextSingleLine, QString::fromStdString(lines[i]));
  }
}
