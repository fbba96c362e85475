#include "container/main_header.h"

#include <algorithm>
#include <cstring>

#include "driveaccess/dda_error_codes.h"

MainHeader::MainHeader(const std::uint8_t* bytes) {
  std::memcpy(bytes_.data(), bytes, kMainHeaderSize);
}

std::string MainHeader::Signature() const {
  return std::string(reinterpret_cast<const char*>(&bytes_[kHeaderSignatureOffset]),
                     kContainerSignatureLength);
}

bool MainHeader::HasSignature() const {
  return HasContainerSignature(Bytes(), Size());
}

void MainHeader::SetSignature() {
  std::memcpy(&bytes_[kHeaderSignatureOffset], kContainerSignature, kContainerSignatureLength);
}

std::string MainHeader::Name() const {
  const auto* field = reinterpret_cast<const char*>(&bytes_[kHeaderNameOffset]);
  return std::string(field, strnlen(field, kHeaderNameFieldSize));
}

void MainHeader::SetName(const std::string& name) {
  std::uint8_t* field = &bytes_[kHeaderNameOffset];
  std::memset(field, 0, kHeaderNameFieldSize);
  std::memcpy(field, name.data(), std::min(name.size(), kContainerNameMaxLength));
}

bool HasContainerSignature(const std::uint8_t* bytes, std::size_t length) {
  return bytes != nullptr && length >= kContainerSignatureLength &&
         std::memcmp(bytes, kContainerSignature, kContainerSignatureLength) == 0;
}

int BuildMainHeaderBlock(ByteBuffer& block, const std::string& name, bool highDensity,
                         std::uint16_t imageCount) {
  if (block.size() != kContainerBlockSize) return DDA_ERR_WRONG_IMAGE_SIZE;
  std::fill(block.begin(), block.end(), std::uint8_t{0xFF});
  MainHeader header;
  header.SetSignature();
  header.SetMarker1(1);
  header.SetName(name);
  header.SetImageCount(imageCount);
  header.SetHighDensity(highDensity ? 1 : 0);
  header.SetFpgaPresent(0);
  header.SetMarker2(1);
  header.SetSavedImageCount(0);
  header.SetFpgaLength(0);
  std::memcpy(block.data(), header.Bytes(), MainHeader::Size());
  return 0;
}
