// Page-aligned buffers of the read-backs, kept for the next one rather than
// returned to the system after each.
//
// A large allocation comes back as fresh pages, each faulted in on its first
// touch; on a virtual machine (shadow page tables) the first pass over 2 MiB
// of them costs more than reading those 2 MiB from the disk. A verify runs
// after every write, so each would pay it again.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/bytes.h"

// One buffer of at least `bytes`, for as long as the object lives: a kept one
// when one is free and large enough, else a new one that is kept afterwards
// (up to kMaxKeptBytes; larger ones are freed). Not zeroed; null when the
// memory is not there. Safe to use from several threads at once.
class KeptBuffer {
 public:
  static constexpr std::size_t kMaxKeptBytes = 8u << 20;

  explicit KeptBuffer(std::size_t bytes);
  ~KeptBuffer();
  KeptBuffer(const KeptBuffer&) = delete;
  KeptBuffer& operator=(const KeptBuffer&) = delete;

  std::uint8_t* get() const { return buffer_.get(); }
  explicit operator bool() const { return buffer_ != nullptr; }

 private:
  AlignedBuffer buffer_;
  std::size_t bytes_ = 0;
};
