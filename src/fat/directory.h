// A folder's entries held in memory with the sectors they came from: parsing
// of long names, lookups, room for new entries, and write-back of the
// changed sectors.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "fat/dir_entry.h"
#include "fat/volume_core.h"

namespace fat {

// Which folder: the fixed root of FAT12/16, or a cluster chain (the FAT32
// root included).
struct DirRef {
  bool fixedRoot = false;
  std::uint32_t cluster = 0;
  // The value that names this folder in a ".." entry and in open-file keys.
  std::uint32_t Key() const { return fixedRoot ? 0 : cluster; }
  bool operator==(const DirRef&) const = default;
};

// One visible entry: a short entry and the long name before it, if any.
struct DirItem {
  std::uint32_t shortIndex = 0;
  std::uint32_t firstIndex = 0;  // first long-name entry, or shortIndex
  std::u16string longName;       // empty when there is none
  RawEntry raw{};

  ShortName shortName() const { return EntryShortName(raw.data()); }
  std::uint8_t attributes() const { return raw[entry::kAttributes]; }
  bool isDirectory() const { return (attributes() & attr::kDirectory) != 0; }
  bool isDotEntry() const { return raw[0] == '.'; }
  std::uint32_t size() const { return EntrySize(raw.data()); }
  // The long name, else the short name with its case bits.
  std::u16string DisplayName() const;
};

class Directory {
 public:
  // Loads a whole folder, from memory when it was read before on this mount
  // and its chain is unchanged. A chain folder longer than 65536 entries, or
  // with a broken chain, is corrupt.
  static Status Load(VolumeCore& core, const DirRef& ref, Directory* out);

  const DirRef& ref() const { return ref_; }
  std::uint32_t entryCount() const { return entries_; }
  std::uint8_t* Entry(std::uint32_t index) { return data_.data() + index * kEntrySize; }
  void Touch(std::uint32_t index);

  std::vector<DirItem> Items() const;
  // Case-insensitive lookup by long or short name; "." and ".." are not found.
  bool Find(const std::u16string& name, DirItem* item) const;
  bool HasShortName(const ShortName& name) const;
  // True when an entry other than "." and ".." is in use, whatever it is.
  bool HoldsEntries() const;
  // Index of the volume label entry, -1 without one.
  int LabelIndex() const;

  // Copies `entries` into the first run of free entries that holds them all,
  // growing a chain folder by a zeroed cluster when none does (the FAT change
  // is left for the caller to flush before Store()). Gives the index of the
  // last entry.
  Status Insert(VolumeCore& core, const std::vector<RawEntry>& entries, std::uint32_t* lastIndex);
  // True when Insert() of `count` entries can succeed: a free run exists or
  // the folder can grow.
  bool CanInsert(VolumeCore& core, std::uint32_t count) const;
  // Marks an item's entries deleted.
  void Erase(const DirItem& item);

  // Writes the changed sectors, and keeps the folder's copy in memory the
  // same as the medium.
  Status Store(VolumeCore& core);

 private:
  Status ReadFromMedium(VolumeCore& core);
  std::uint64_t SectorOf(const VolumeCore& core, std::uint32_t dirSector) const;
  Status Grow(VolumeCore& core);

  DirRef ref_;
  ByteBuffer data_;
  std::vector<std::uint32_t> clusters_;   // chain folders
  std::set<std::uint32_t> dirtySectors_;  // sector numbers inside the folder
  std::uint32_t end_ = 0;                 // entries from here on are unused (0x00 marker)
  std::uint32_t entries_ = 0;
  std::uint32_t sectorBytes_ = 512;
  bool isRoot_ = false;
};

}  // namespace fat
