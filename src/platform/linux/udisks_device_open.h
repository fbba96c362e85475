// Block device nodes opened for a user without the right to open them:
// where open(2) says EACCES or EPERM, UDisks2 opens the node and polkit
// decides (asking the user for a password, where a policy says so). The
// grant is kept for the rest of the run, so that polkit asks once; a refusal
// is kept a moment, so that one operation's second try does not ask again.
#pragma once

#include "platform/posix/device_node_open.h"

namespace platform {

// OpenDeviceNode (device_node_open.h) is defined here. A program run on a
// terminal allows it to start `pkttyagent` for this process when polkit has
// no agent to ask the user through (TerminalAuthorization).
void AllowTerminalAgent(bool allow);
void StopTerminalAgent();

}  // namespace platform
