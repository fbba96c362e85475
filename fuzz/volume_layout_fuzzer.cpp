// Finding and mounting a card's volume: the FAT engine's search through the
// partition table and its read-only mount, and the volume layout reader on
// the card attached at a drive letter. Input: a card (fuzz_card.h).
//
// Beyond not crashing: a read-only mount never writes, the layout reader
// takes every volume the engine mounts and puts its data area where the
// engine does, and looking at a card changes none of its bytes.
#include <cstdint>
#include <string>

#include "driveaccess/volume_layout.h"
#include "fat/partition.h"
#include "fat/volume.h"
#include "fuzz_card.h"

namespace {
using fuzzcard::Fail;
constexpr char kLetter = 'F';

struct EngineView {
  bool found = false;
  std::uint64_t start = 0;
  std::uint64_t count = 0;
  bool mounted = false;
  fat::Geometry geometry;
};

EngineView MountWithEngine(const fuzzcard::CardInput& card) {
  EngineView view;
  fuzzcard::SparseDevice disk(card);
  fat::Status status;
  view.found = fat::FindFatVolume(disk, &view.start, &view.count, &status);
  if (!view.found) return view;
  if (view.start + view.count > disk.SectorCount()) Fail("the volume found reaches past the card");
  fat::SubRangeDevice range(disk, view.start, view.count);
  fuzzcard::GuardDevice guard(range, false);
  std::unique_ptr<fat::Volume> volume = fat::Volume::Mount(guard, false, &status);
  if (!volume) return view;
  view.mounted = true;
  view.geometry = volume->geometry();
  std::string label;
  volume->GetLabel(&label);
  if (volume->FreeClusters() > view.geometry.clusterCount) Fail("more free clusters than clusters");
  return view;
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzcard::FixTheClock();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzzcard::CardInput card = fuzzcard::DecodeCard(data, size);
  const EngineView engine = MountWithEngine(card);

  fuzzcard::AttachedCard attached(card, kLetter);
  VolumeLayout layout;
  const bool haveLayout = ReadVolumeLayout(kLetter, layout);
  VolumeNames names;
  (void)GetVolumeNames(kLetter, names);  // either answer will do; no crash, no write
  std::string label;
  std::string fileSystem;
  attached.drive().VolumeInformation(&label, &fileSystem);

  if (engine.mounted && engine.geometry.bytesPerSector == fuzzcard::kSectorSize) {
    if (!haveLayout) Fail("the layout reader refuses a volume the engine mounts");
    if (layout.firstDataSector != engine.start + engine.geometry.dataStart) {
      Fail("the layout reader puts the data area at sector " +
           std::to_string(layout.firstDataSector) + ", the engine at " +
           std::to_string(engine.start + engine.geometry.dataStart));
    }
    if (layout.clusterCount != engine.geometry.clusterCount) {
      Fail("the layout reader counts other clusters than the engine");
    }
  }
  attached.Detach();
  // Only a stale FSInfo may be brought up to date.
  const fuzzcard::ByteRange fsInfo = fuzzcard::FsInfoFields(card);
  const std::string change = attached.FirstChange(0, card.SizeBytes(), fsInfo.first, fsInfo.end);
  if (!change.empty()) Fail("looking at the card changed it: " + change);
  return 0;
}
