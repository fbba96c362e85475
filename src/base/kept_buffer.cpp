#include "base/kept_buffer.h"

#include <array>
#include <mutex>
#include <utility>

namespace {
// A verify's buffer and the bounce buffer of an unaligned read under it.
constexpr std::size_t kKeptCount = 2;

struct Kept {
  AlignedBuffer buffer;
  std::size_t bytes = 0;
};

std::mutex keptMutex;
std::array<Kept, kKeptCount> kept;

std::size_t Rounded(std::size_t bytes) {
  return (bytes + kPageAlignment - 1) / kPageAlignment * kPageAlignment;
}
}  // namespace

KeptBuffer::KeptBuffer(std::size_t bytes) {
  const std::size_t want = Rounded(bytes);
  {
    std::lock_guard<std::mutex> lock(keptMutex);
    for (Kept& k : kept) {
      if (k.buffer && k.bytes >= want) {
        buffer_ = std::move(k.buffer);
        bytes_ = k.bytes;
        return;
      }
    }
  }
  buffer_ = AllocateAligned(want);
  bytes_ = buffer_ ? want : 0;
}

KeptBuffer::~KeptBuffer() {
  if (!buffer_ || bytes_ > kMaxKeptBytes) return;
  std::lock_guard<std::mutex> lock(keptMutex);
  // Into a free place, else in place of a smaller one.
  Kept* target = nullptr;
  for (Kept& k : kept) {
    if (!k.buffer) {
      target = &k;
      break;
    }
    if (k.bytes < bytes_ && (!target || k.bytes < target->bytes)) target = &k;
  }
  if (!target) return;
  target->buffer = std::move(buffer_);
  target->bytes = bytes_;
}
