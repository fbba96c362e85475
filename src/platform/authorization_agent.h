// A program run on a terminal lets the system ask the user there for the
// right to open a card raw (on Linux: polkit through `pkttyagent`, started
// only when no other agent answers, and stopped when the scope ends).
#pragma once

namespace platform {

class TerminalAuthorization {
 public:
  TerminalAuthorization();
  ~TerminalAuthorization();
  TerminalAuthorization(const TerminalAuthorization&) = delete;
  TerminalAuthorization& operator=(const TerminalAuthorization&) = delete;
};

}  // namespace platform
