// Volumes and files made through the FAT engine, for the engine's tests.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "fat/format.h"
#include "fat/sector_device.h"
#include "fat/volume.h"

namespace fat {
// Readable failures: EXPECT_TRUE(s.ok()) << s prints the rule that failed.
std::ostream& operator<<(std::ostream& out, const Status& status);
}  // namespace fat

namespace fattest {

// A memory device of `bytes` formatted by the engine.
std::unique_ptr<fat::MemorySectorDevice> MakeMemoryVolume(std::uint64_t bytes, int fatType,
                                                          std::uint32_t sectorsPerCluster = 0);

// Writes `content` into a new file through the engine.
fat::Status PutFile(fat::Volume& volume, const std::string& path, const std::string& content,
                    std::uint8_t attributes = 0);
// Reads a whole file through the engine.
fat::Status GetFile(fat::Volume& volume, const std::string& path, std::string* content);

// Runs of ClusterRuns() as FAT cluster pairs, for comparison with mshowfat.
std::vector<std::pair<std::uint64_t, std::uint64_t>> AsFatPairs(
    const std::vector<fat::ClusterRun>& runs);

}  // namespace fattest
