#include "services/error_report.h"

#include <string>

#include "base/current_language.h"
#include "container/ffa_errors.h"
#include "driveaccess/dav_errors.h"
#include "driveaccess/dda_errors.h"
#include "platform/errors.h"
#include "virtualdrive/virtual_disk_errors.h"

namespace {
constexpr int kCancelledByUser = 1223;
}  // namespace

std::string ResultCodeText(int code) {
  if (code == 0 || code == kCancelledByUser) return {};
  if (code > 0) return platform::SystemErrorText(static_cast<std::uint32_t>(code));
  if (DdaIsError(code)) return DdaErrorText(code);
  if (FfaIsError(code)) return FfaErrorText(code);
  if (DavIsError(code)) return DavErrorText(code);
  if (VdmIsError(code)) return VdmErrorText(code);
  return Localized("Error Unknown: ", "Fehler unbekannt: ") + std::to_string(code);
}
