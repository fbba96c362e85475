// What the slots of one container hold, kept between card state refreshes:
// a slot is read again only when its record (name and time of writing)
// changed, so a refresh of an unchanged card reads no image at all.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "container/container_layout.h"
#include "container/slot_contents.h"

class SlotContentsCache {
 public:
  // Forgets everything when `path` is not the container known so far.
  void UseContainer(const std::string& path);
  // The slot's contents when they were read under this record (kSlotInfoSize
  // bytes); else null.
  const SlotContents* Find(std::uint32_t slot, const std::uint8_t* record) const;
  // Reads the slot's image from the card and identifies it; 0, or the read's
  // code, and then nothing is kept.
  [[nodiscard]] int Read(char drive, std::uint32_t slot, bool highDensity,
                         const std::uint8_t* record);
  // After a write into the slot: its record may look as before.
  void Forget(std::uint32_t slot) { entries_.erase(slot); }
  void Clear() { entries_.clear(); }

 private:
  struct Entry {
    std::vector<std::uint8_t> record;
    SlotContents contents;
  };
  std::string path_;
  std::map<std::uint32_t, Entry> entries_;
};
