// Windows asks for elevation when a program starts, not per device: a
// command run without it gets the access-denied outcome, and nothing runs
// beside the command to ask.
#include "platform/authorization_agent.h"

namespace platform {

TerminalAuthorization::TerminalAuthorization() = default;
TerminalAuthorization::~TerminalAuthorization() = default;

}  // namespace platform
