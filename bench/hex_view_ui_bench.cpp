// The sector viewer on a container slot's 2 MiB block: opening the dialog
// and painting it, and paging through the display. Runs offscreen.
#include <QImage>
#include <QPainter>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include "driveaccess/dialogs/dlg_show_hex_data.h"
#include "driveaccess/dialogs/hex_view.h"

namespace {

ByteBuffer SlotBlock() {
  ByteBuffer block(2u << 20);
  for (std::size_t i = 0; i < block.size(); ++i)
    block[i] = static_cast<std::uint8_t>(i * 131 + i / 512);
  return block;
}

// Opening the viewer on a slot: copy the block, lay out, paint the first page.
void BM_OpenSlotBlock(benchmark::State& state) {
  const ByteBuffer block = SlotBlock();
  QImage canvas(800, 700, QImage::Format_ARGB32);
  for (auto _ : state) {
    CDlgShowHexData dialog(block, 12288, 4096, nullptr);
    dialog.InitDialog();
    dialog.resize(800, 700);
    dialog.render(&canvas);
    benchmark::DoNotOptimize(canvas.constBits());
  }
}
BENCHMARK(BM_OpenSlotBlock)->Unit(benchmark::kMillisecond);

// One page down and its paint, anywhere in the block.
void BM_PageThroughSlotBlock(benchmark::State& state) {
  const ByteBuffer block = SlotBlock();
  CHexView view;
  view.SetBytes(block.data(), block.size(), 0);
  view.resize(800, 700);
  QImage canvas(800, 700, QImage::Format_ARGB32);
  QScrollBar* bar = view.verticalScrollBar();
  for (auto _ : state) {
    bar->setValue(bar->value() + bar->pageStep() > bar->maximum() ? 0
                                                                  : bar->value() + bar->pageStep());
    view.viewport()->render(&canvas);
    benchmark::DoNotOptimize(canvas.constBits());
  }
}
BENCHMARK(BM_PageThroughSlotBlock)->Unit(benchmark::kMicrosecond);

}  // namespace
