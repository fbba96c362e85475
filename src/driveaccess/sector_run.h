// Reading a run of 512-byte sectors from a drive for the sector viewer.
#pragma once

#include <cstdint>

#include "base/bytes.h"
#include "base/direct_disk_access_callback.h"

inline constexpr std::uint32_t kSectorRunUnit = 512;
// The longest run the viewer holds in memory (1 GiB): a longer one is refused
// before anything is allocated, as a read error (system error 8, not enough
// memory), instead of exhausting the machine's memory.
inline constexpr std::uint32_t kSectorRunMaxSectors = 2u << 20;

// Opens the drive for reading and reads `count` sectors from `start`, one
// progress step per sector to the callback. Returns the DDA code: 0 with the
// bytes in `out`, or a failure with `out` empty. A start at or beyond the end
// of the drive is DDA_ERR_SET_POSITION. A run that starts inside the drive but
// reaches past its end goes to the device up to one sector past the end,
// which the device refuses as it would refuse the rest (a read error).
[[nodiscard]] int DdaReadSectorRun(char driveLetter, std::uint32_t start, std::uint32_t count,
                                   ByteBuffer& out, IDirectDiskAccessCallback* callback);
