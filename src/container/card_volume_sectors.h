// The card check's look at the volume's administrative sectors: the boot
// sector's signature and its FAT32 backup, the FSInfo sector, and the marks
// a system leaves while the volume is in use. Only reads.
#pragma once

#include <cstdint>
#include <vector>

#include "container/card_check.h"
#include "fat/volume_core.h"

// `boot` is the boot sector as the medium holds it (512 bytes); `freeClusters`
// the free clusters counted in the FAT, or nullptr when the FAT could not be
// read through. `systemMounted` when the system has the volume mounted: Linux
// then sets the boot sector's dirty flag itself for as long as the mount
// lasts, so that flag says nothing. Appends warnings the way a file-system
// check reports them.
void CheckVolumeSectors(fat::VolumeCore& core, const std::uint8_t* boot,
                        const std::uint32_t* freeClusters, bool systemMounted,
                        std::vector<CheckFinding>& findings);
