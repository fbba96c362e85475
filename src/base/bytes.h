// Byte buffers and little-endian field access, shared by the file formats.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

// A growable byte array that owns its storage; images, slot blocks and file
// contents travel in it.
using ByteBuffer = std::vector<std::uint8_t>;

// A fixed block at a page boundary and not zeroed: the buffer of a bulk
// transfer, which each read fills before it is used. Copies between the
// kernel and page-aligned memory are faster, and unbuffered device transfers
// need the alignment; zeroing megabytes first would cost a pass the copy does
// not need.
struct AlignedFree {
  void operator()(std::uint8_t* p) const { ::operator delete (p, std::align_val_t{4096}); }
};
using AlignedBuffer = std::unique_ptr<std::uint8_t, AlignedFree>;
inline constexpr std::size_t kPageAlignment = 4096;

// Null when the memory is not there.
inline AlignedBuffer AllocateAligned(std::size_t bytes) {
  const std::size_t rounded = (bytes + kPageAlignment - 1) / kPageAlignment * kPageAlignment;
  // The aligned operator new: std::aligned_alloc is missing from some C
  // runtimes (Windows').
  return AlignedBuffer(static_cast<std::uint8_t*>(::operator new (
      rounded == 0 ? kPageAlignment : rounded, std::align_val_t{kPageAlignment}, std::nothrow)));
}

namespace le {

inline std::uint16_t Read16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t Read32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint64_t Read64(const std::uint8_t* p) {
  return static_cast<std::uint64_t>(Read32(p)) | (static_cast<std::uint64_t>(Read32(p + 4)) << 32);
}
inline void Write16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void Write32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void Write64(std::uint8_t* p, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace le
