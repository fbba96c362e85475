// The virtual disk binding's own result codes, which it leaves as the
// thread's last error (virtual_disk.h), and their texts.
#pragma once

#include <string>

#include "virtualdrive/virtual_disk.h"

inline constexpr int VDM_ERR_NO_BINDING = -601;
inline constexpr int VDM_ERR_NO_ENTRY_POINT = -602;
static_assert(static_cast<int>(kVirtualDiskErrorNoBinding) == VDM_ERR_NO_BINDING);
static_assert(static_cast<int>(kVirtualDiskErrorNoEntryPoint) == VDM_ERR_NO_ENTRY_POINT);

// True for -602 and -601.
bool VdmIsError(int code);
// The code's text in the current language.
std::string VdmErrorText(int code);
