// A button drawn as a light: lit, unlit, or a third state, each in a colour
// of its own (the main dialog's FPGA update light).
#pragma once

#include <QAbstractButton>

#include <cstdint>

class CButtonLed : public QAbstractButton {
  Q_OBJECT

 public:
  enum class State { kUnlit = 0, kLit = 1, kThird = 2 };

  explicit CButtonLed(QWidget* parent = nullptr);

  // Colours as COLORREF (0x00BBGGRR).
  void SetColors(std::uint32_t lit, std::uint32_t unlit, std::uint32_t third);
  void SetState(State state);
  void SetLit(bool lit) { SetState(lit ? State::kLit : State::kUnlit); }
  State GetState() const { return state_; }
  // The colour the light shows now.
  QColor CurrentColor() const;

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  State state_ = State::kUnlit;
  std::uint32_t lit_ = 0x00C000;
  std::uint32_t unlit_ = 0xC8C8C8;
  std::uint32_t third_ = 0xC8C8C8;
};
