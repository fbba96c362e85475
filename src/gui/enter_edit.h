// Edit fields that act on Enter: the base reports Enter to its callback; the
// number field reads and shows numbers in the number syntax (decimal, "0x",
// "x" or "16#" hexadecimal, "b" or "2#" binary, with an optional sign).
#pragma once

#include <QLineEdit>

#include <cstdint>
#include <optional>

class CEnterEditBase;

class IEnterEditCallback {
 public:
  virtual ~IEnterEditCallback() = default;
  // Enter was pressed in the field.
  virtual void OnEnterEditEnter(CEnterEditBase& edit) = 0;
};

class CEnterEditBase : public QLineEdit {
  Q_OBJECT

 public:
  explicit CEnterEditBase(QWidget* parent = nullptr);

  void SetCallback(IEnterEditCallback* callback) { callback_ = callback; }

 protected:
  // The field takes Enter itself, so that it never presses the dialog's
  // default button; the callback hears of it unless the text can never be
  // acceptable (a number not begun yet still reads, as 0).
  void keyPressEvent(QKeyEvent* event) override;

 private:
  IEnterEditCallback* callback_ = nullptr;  // not owned
};

class CEnterEdit : public CEnterEditBase {
  Q_OBJECT

 public:
  explicit CEnterEdit(QWidget* parent = nullptr);

  // The number in the field; none when the text is not a whole number.
  std::optional<std::int64_t> Value() const;
  // The value Enter reads, as an unsigned 32-bit number (negative values
  // wrap, as strtoul reads them): 0 for a number not begun yet ("", "-",
  // "0x"); false when the text can never be a number.
  bool GetValue(std::uint32_t& out) const;
  // Shows the value with a printf format of one unsigned argument ("%u",
  // "0x%08X").
  void SetValue(std::uint32_t value, const char* format);
};
