// Building slot blocks: a new container of 99 slots and every image written
// into a slot go through these. Target: one HD slot block's sector
// identifier table and slot record in under 2 ms.
#include <benchmark/benchmark.h>

#include "container/container_layout.h"
#include "container/ffa_template.h"
#include "container/floppy_kind.h"
#include "container/sector_crc.h"
#include "container/sector_id_table.h"
#include "container/slot_block.h"
#include "container/slot_info.h"

namespace {

const platform::LocalTime kTime{2024, 3, 9, 17, 45, 30, 0};

ByteBuffer Blank(bool hd) {
  ByteBuffer image;
  // Without the template the blocks below cannot be built, and say so.
  if (!FfaLoadTemplate(hd, image)) image.clear();
  return image;
}

// The table and the slot record over an image already in place.
void BM_SectorIdTableAndSlotInfo(benchmark::State& state) {
  const bool hd = state.range(0) != 0;
  ByteBuffer block;
  if (BuildEmptySlotBlock(block, 1, hd, Blank(hd), kTime) != 0) {
    state.SkipWithError("no blank template");
    return;
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(BuildSectorIdTable(block.data() + kSlotSectorIdTableOffset,
                                                kSectorIdTableSize, block.data(),
                                                FloppyImageSize(hd), hd));
    benchmark::DoNotOptimize(BuildSlotInfo(block.data() + kSlotInfoOffset, "Empty 1", kTime));
    benchmark::DoNotOptimize(block.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * FloppyImageSize(hd)));
}
BENCHMARK(BM_SectorIdTableAndSlotInfo)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

// The whole block as the slot write builds it: fill, copy, table, record.
void BM_BuildImageSlotBlock(benchmark::State& state) {
  const bool hd = state.range(0) != 0;
  const ByteBuffer image = Blank(hd);
  ByteBuffer block;
  for (auto _ : state) {
    benchmark::DoNotOptimize(BuildImageSlotBlock(block, image, "Image", hd));
    benchmark::DoNotOptimize(block.data());
  }
}
BENCHMARK(BM_BuildImageSlotBlock)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

// What creation pays per slot after the first.
void BM_SetSlotNumberInEmptyBlock(benchmark::State& state) {
  ByteBuffer block;
  if (BuildEmptySlotBlock(block, 1, true, Blank(true), kTime) != 0) {
    state.SkipWithError("no blank template");
    return;
  }
  unsigned slot = 1;
  for (auto _ : state) {
    benchmark::DoNotOptimize(SetSlotNumberInEmptyBlock(block, slot++ % 99 + 1, kTime));
    benchmark::DoNotOptimize(block.data());
  }
}
BENCHMARK(BM_SetSlotNumberInEmptyBlock);

void BM_ComputeSectorCrc(benchmark::State& state) {
  const ByteBuffer data(512, 0xF6);
  for (auto _ : state) {
    benchmark::DoNotOptimize(ComputeSectorCrc(kSectorCrcInitial, data.data(), data.size()));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}
BENCHMARK(BM_ComputeSectorCrc);

}  // namespace
