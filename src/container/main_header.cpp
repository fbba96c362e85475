#include "container/main_header.h"

#include <algorithm>
#include <cstring>

#include "container/card_names.h"
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
  return ReadCardName(&bytes_[kHeaderNameOffset], kHeaderNameFieldSize);
}

bool MainHeader::SetName(const std::string& name) {
  return WriteCardName(&bytes_[kHeaderNameOffset], kHeaderNameFieldSize, kContainerNameMaxLength,
                       name);
}

bool HasContainerSignature(const std::uint8_t* bytes, std::size_t length) {
  return bytes != nullptr && length >= kContainerSignatureLength &&
         std::memcmp(bytes, kContainerSignature, kContainerSignatureLength) == 0;
}

int BuildMainHeaderBlock(ByteBuffer& block, const std::string& name, bool highDensity,
                         std::uint16_t imageCount) {
  if (block.size() != kContainerBlockSize) return DDA_ERR_WRONG_IMAGE_SIZE;
  MainHeader header;
  if (!header.SetName(name)) return CheckCardName(name);
  std::fill(block.begin(), block.end(), std::uint8_t{0xFF});
  header.SetSignature();
  header.SetMarker1(1);
  header.SetImageCount(imageCount);
  header.SetHighDensity(highDensity ? 1 : 0);
  header.SetFpgaPresent(0);
  header.SetMarker2(1);
  header.SetSavedImageCount(0);
  header.SetFpgaLength(0);
  std::memcpy(block.data(), header.Bytes(), MainHeader::Size());
  return 0;
}
