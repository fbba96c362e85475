#include "container/slot_contents_cache.h"

#include <algorithm>

#include "base/bytes.h"
#include "container/ffa_store.h"
#include "container/floppy_kind.h"
#include "container/slot_records.h"

void SlotContentsCache::UseContainer(const std::string& path) {
  if (path == path_) return;
  path_ = path;
  entries_.clear();
}

const SlotContents* SlotContentsCache::Find(std::uint32_t slot, const std::uint8_t* record) const {
  const auto it = entries_.find(slot);
  if (it == entries_.end() ||
      !std::equal(record, record + kSlotInfoSize, it->second.record.begin()))
    return nullptr;
  return &it->second.contents;
}

int SlotContentsCache::Read(char drive, std::uint32_t slot, bool highDensity,
                            const std::uint8_t* record) {
  ByteBuffer image(FloppyImageSize(highDensity));
  if (const int rc = FfaPeekSlotImage(FfaGetContainerPath(drive), slot, image)) return rc;
  Entry& entry = entries_[slot];
  entry.record.assign(record, record + kSlotInfoSize);
  entry.contents = IdentifySlotImage(image.data(), image.size(), highDensity);
  return 0;
}
