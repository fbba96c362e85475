// Whether another directory entry claims clusters of a chain: a chain that
// runs into another file's clusters must be neither freed nor written, or
// that file is lost.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fat/directory.h"
#include "fat/volume_core.h"

namespace fat {

// The entry that is not another owner: entry `index` of folder `folder`.
struct EntryRef {
  DirRef folder;
  std::uint32_t index = 0;
};

// Walks every folder from `root` and every chain of their entries (files,
// folders, and entries with the label bit that carry clusters). kCorrupt
// naming the other entry when one of them holds a cluster of `spans`; a
// chain that breaks is followed as far as it goes.
Status CheckSoleOwner(VolumeCore& core, const DirRef& root, const EntryRef& self,
                      const std::vector<ClusterSpan>& spans);

}  // namespace fat
