#include "driveaccess/dialogs/hex_view.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include "driveaccess/hex_lines.h"

CHexView::CHexView(QWidget* parent) : QAbstractScrollArea(parent) {
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  UpdateScrollBars();
}

void CHexView::SetBytes(const std::uint8_t* bytes, std::size_t size, std::uint64_t baseOffset) {
  data_ = size != 0 ? bytes : nullptr;
  size_ = data_ != nullptr ? size : 0;
  baseOffset_ = baseOffset;
  offsetDigits_ = HexOffsetDigits(size_ != 0 ? baseOffset + size_ - 1 : baseOffset);
  verticalScrollBar()->setValue(0);
  UpdateScrollBars();
  viewport()->update();
}

void CHexView::Clear() {
  SetBytes(nullptr, 0, 0);
}

std::size_t CHexView::LineCount() const {
  return (size_ + kHexBytesPerLine - 1) / kHexBytesPerLine;
}

QString CHexView::LineText(std::size_t line) const {
  if (line >= LineCount()) return QString();
  const std::size_t start = line * kHexBytesPerLine;
  return QString::fromLatin1(FormatHexLine(baseOffset_ + start, data_ + start,
                                           std::min(kHexBytesPerLine, size_ - start),
                                           offsetDigits_));
}

QString CHexView::AllText() const {
  QString text;
  for (std::size_t line = 0; line < LineCount(); ++line) text += LineText(line) + QLatin1Char('\n');
  return text;
}

std::size_t CHexView::TopLine() const {
  return static_cast<std::size_t>(verticalScrollBar()->value());
}

int CHexView::LineHeight() const {
  return fontMetrics().lineSpacing();
}

void CHexView::UpdateScrollBars() {
  const int visible = qMax(1, viewport()->height() / LineHeight());
  const auto lines = static_cast<qint64>(LineCount());
  verticalScrollBar()->setRange(0, static_cast<int>(qMax<qint64>(0, lines - visible)));
  verticalScrollBar()->setPageStep(visible);
  verticalScrollBar()->setSingleStep(1);
  const QString sample = QString::fromLatin1(FormatHexLine(0, nullptr, 0, offsetDigits_)) +
                         QString(static_cast<int>(kHexBytesPerLine), QLatin1Char('W'));
  const int lineWidth = fontMetrics().horizontalAdvance(sample) + 8;
  horizontalScrollBar()->setRange(0, qMax(0, lineWidth - viewport()->width()));
  horizontalScrollBar()->setPageStep(viewport()->width());
}

void CHexView::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  painter.setFont(font());
  painter.setPen(palette().color(QPalette::Text));
  const int height = LineHeight();
  const int ascent = fontMetrics().ascent();
  const int x = 4 - horizontalScrollBar()->value();
  const std::size_t top = TopLine();
  const int firstRow = event->rect().top() / height;
  const int lastRow = event->rect().bottom() / height;
  for (int row = firstRow; row <= lastRow; ++row) {
    const std::size_t line = top + static_cast<std::size_t>(row);
    if (line >= LineCount()) break;
    painter.drawText(x, row * height + ascent + 1, LineText(line));
  }
}

void CHexView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

void CHexView::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    QApplication::clipboard()->setText(AllText());
    return;
  }
  if (event->matches(QKeySequence::MoveToStartOfDocument)) {
    verticalScrollBar()->setValue(0);
    return;
  }
  if (event->matches(QKeySequence::MoveToEndOfDocument)) {
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    return;
  }
  QAbstractScrollArea::keyPressEvent(event);
}
