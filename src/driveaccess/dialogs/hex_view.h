// The hex display: offset, 16 bytes in hexadecimal and the same bytes as
// characters on each line, in a fixed-width font. Lines are formatted only
// when painted, so a block of megabytes shows as fast as a sector.
#pragma once

#include <QAbstractScrollArea>
#include <QString>

#include <cstddef>
#include <cstdint>

class CHexView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit CHexView(QWidget* parent = nullptr);

  // Shows the bytes (not copied: they must stay until the next SetBytes or
  // Clear); the first stands at `baseOffset`.
  void SetBytes(const std::uint8_t* bytes, std::size_t size, std::uint64_t baseOffset);
  void Clear();

  std::size_t LineCount() const;
  QString LineText(std::size_t line) const;
  // The lines of the whole display, each ended by a line break.
  QString AllText() const;
  // The first line in view.
  std::size_t TopLine() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void UpdateScrollBars();
  int LineHeight() const;

  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  std::uint64_t baseOffset_ = 0;
  int offsetDigits_ = 8;
};
