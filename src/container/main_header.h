// The 286-byte record at the start of the container file, and the main
// header block (block 0) that carries it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/bytes.h"
#include "container/container_layout.h"

inline constexpr std::size_t kHeaderSignatureOffset = 0;
inline constexpr std::size_t kHeaderMarker1Offset = 16;  // u16, always 1
inline constexpr std::size_t kHeaderNameOffset = 18;
inline constexpr std::size_t kHeaderNameFieldSize = 256;
inline constexpr std::size_t kContainerNameMaxLength = 255;  // plus the terminator
inline constexpr std::size_t kHeaderImageCountOffset = 274;  // u16
inline constexpr std::size_t kHeaderHighDensityOffset = 276;
inline constexpr std::size_t kHeaderFpgaPresentOffset = 277;
inline constexpr std::size_t kHeaderMarker2Offset = 278;          // u16, always 1
inline constexpr std::size_t kHeaderSavedImageCountOffset = 280;  // u16
inline constexpr std::size_t kHeaderFpgaLengthOffset = 282;       // u32

// A copy of the record's raw bytes with typed access to its fields. Fields
// are read and written at their byte offsets, little-endian, so the layout
// does not depend on the compiler. A default-constructed header is all zero.
class MainHeader {
 public:
  MainHeader() = default;
  // Copies kMainHeaderSize bytes.
  explicit MainHeader(const std::uint8_t* bytes);

  std::uint8_t* Bytes() { return bytes_.data(); }
  const std::uint8_t* Bytes() const { return bytes_.data(); }
  static constexpr std::size_t Size() { return kMainHeaderSize; }

  // The 16 signature bytes as they are, and whether they are ours.
  std::string Signature() const;
  bool HasSignature() const;
  void SetSignature();

  std::uint16_t Marker1() const { return Get16(kHeaderMarker1Offset); }
  void SetMarker1(std::uint16_t v) { Set16(kHeaderMarker1Offset, v); }
  // The name up to its terminator (at most the 256 bytes of the field), as
  // UTF-8; the field holds one Windows-1252 byte a character.
  std::string Name() const;
  // Writes the name cut to 255 characters and zero-fills the rest of the
  // field. False, field unchanged, for a name with a character that has no
  // Windows-1252 byte.
  [[nodiscard]] bool SetName(const std::string& name);
  std::uint16_t ImageCount() const { return Get16(kHeaderImageCountOffset); }
  void SetImageCount(std::uint16_t v) { Set16(kHeaderImageCountOffset, v); }
  std::uint8_t HighDensity() const { return bytes_[kHeaderHighDensityOffset]; }
  void SetHighDensity(std::uint8_t v) { bytes_[kHeaderHighDensityOffset] = v; }
  // Readers look at bit 0 only.
  bool IsHighDensity() const { return (HighDensity() & 1) != 0; }
  std::uint8_t FpgaPresent() const { return bytes_[kHeaderFpgaPresentOffset]; }
  void SetFpgaPresent(std::uint8_t v) { bytes_[kHeaderFpgaPresentOffset] = v; }
  std::uint16_t Marker2() const { return Get16(kHeaderMarker2Offset); }
  void SetMarker2(std::uint16_t v) { Set16(kHeaderMarker2Offset, v); }
  std::uint16_t SavedImageCount() const { return Get16(kHeaderSavedImageCountOffset); }
  void SetSavedImageCount(std::uint16_t v) { Set16(kHeaderSavedImageCountOffset, v); }
  std::uint32_t FpgaLength() const { return le::Read32(&bytes_[kHeaderFpgaLengthOffset]); }
  void SetFpgaLength(std::uint32_t v) { le::Write32(&bytes_[kHeaderFpgaLengthOffset], v); }

  bool operator==(const MainHeader&) const = default;

 private:
  std::uint16_t Get16(std::size_t offset) const { return le::Read16(&bytes_[offset]); }
  void Set16(std::size_t offset, std::uint16_t v) { le::Write16(&bytes_[offset], v); }

  std::array<std::uint8_t, kMainHeaderSize> bytes_{};
};

// True when `length` bytes at `bytes` start with the 16 signature bytes;
// whatever follows, anything else is no container.
bool HasContainerSignature(const std::uint8_t* bytes, std::size_t length);

// Fills a block of exactly kContainerBlockSize bytes with 0xFF and writes a
// new header into it: signature, markers 1, the name (cut to 255; an empty
// name leaves the field zero), the image count and kind, no FPGA update.
// Other block sizes fail with DDA_ERR_WRONG_IMAGE_SIZE, a name the card
// cannot store with platform::kErrorNoUnicodeTranslation; the block is then
// left alone.
[[nodiscard]] int BuildMainHeaderBlock(ByteBuffer& block, const std::string& name, bool highDensity,
                                       std::uint16_t imageCount);
