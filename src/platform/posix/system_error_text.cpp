#include "platform/errors.h"

namespace platform {

// A POSIX system has no message table of Windows codes: the one kept here.
std::string SystemErrorText(std::uint32_t code) {
  return StandardErrorText(code);
}

}  // namespace platform
