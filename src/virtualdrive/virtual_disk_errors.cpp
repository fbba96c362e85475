#include "virtualdrive/virtual_disk_errors.h"

#include "base/code_texts.h"

namespace {
constexpr CodeText kTexts[] = {
    {VDM_ERR_NO_BINDING, "VDM-Error: No Virtual Disk Driver",
     "VDM-Fehler: Kein virtueller Laufwerkstreiber"},
    {VDM_ERR_NO_ENTRY_POINT, "VDM-Error: Driver Function not found",
     "VDM-Fehler: Treiberfunktion nicht gefunden"},
};
}  // namespace

bool VdmIsError(int code) {
  return code >= VDM_ERR_NO_ENTRY_POINT && code <= VDM_ERR_NO_BINDING;
}

std::string VdmErrorText(int code) {
  return LookupCodeText(kTexts, code, "VDM-Error: Unknown  %d !", "VDM-Fehler: Unbekannt  %d !");
}
