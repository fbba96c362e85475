// Where a file of the machine's volumes lies: FSCTL_GET_RETRIEVAL_POINTERS
// through NtFsControlFile, which is looked up in ntdll at run time (it is
// not in the import libraries every toolchain has), and the volume's cluster
// size.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/volume.h"

namespace platform {

// The runs of the file in file order, logical clusters counted from the
// volume's first data cluster. A file without clusters has no runs.
// kErrorProcNotFound when ntdll has no NtFsControlFile; kErrorInvalidData
// for an answer whose extents do not follow each other.
std::uint32_t QueryRetrievalPointers(const std::string& hostPath,
                                     std::vector<IVolumeFiles::ClusterRun>* runs);

// GetDiskFreeSpaceA on the root ("X:\").
std::uint32_t QueryClusterSize(const std::string& root, std::uint32_t* sectorsPerCluster,
                               std::uint32_t* bytesPerSector);

}  // namespace platform
