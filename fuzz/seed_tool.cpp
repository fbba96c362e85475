// quillfen-fuzz-seed: card images to the card targets' input form and back,
// and the pieces of the seed cards that need our own code.
//
//   quillfen-fuzz-seed encode IMAGE OUT [OPS_HEX]   image -> input (ops appended)
//   quillfen-fuzz-seed decode INPUT IMAGE           input -> image (to look at a finding)
//   quillfen-fuzz-seed format IMAGE SIZE_MIB FAT START   our formatter; START 0 = bare
//   quillfen-fuzz-seed container IMAGE COUNT NAME   a container made by our store
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "base/clock.h"
#include "container/card_state.h"
#include "container/container_layout.h"
#include "container/ffa_store.h"
#include "fat/format.h"
#include "fuzz_card.h"
#include "platform/card_image_file.h"
#include "platform/drive.h"
#include "platform/files.h"
#include "platform/image/image_drive.h"

namespace {

bool ReadAll(const std::string& path, ByteBuffer* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool WriteAll(const std::string& path, const ByteBuffer& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

int Encode(const std::string& image, const std::string& out, const std::string& opsHex) {
  ByteBuffer bytes;
  if (!ReadAll(image, &bytes)) return std::fprintf(stderr, "cannot read %s\n", image.c_str()), 1;
  ByteBuffer input = fuzzcard::EncodeCard(bytes);
  for (std::size_t i = 0; i + 1 < opsHex.size(); i += 2) {
    input.push_back(static_cast<std::uint8_t>(std::stoul(opsHex.substr(i, 2), nullptr, 16)));
  }
  return WriteAll(out, input) ? 0 : 1;
}

int Decode(const std::string& input, const std::string& image) {
  ByteBuffer bytes;
  if (!ReadAll(input, &bytes)) return std::fprintf(stderr, "cannot read %s\n", input.c_str()), 1;
  const fuzzcard::CardInput card = fuzzcard::DecodeCard(bytes.data(), bytes.size());
  fuzzcard::SparseDevice device(card);
  ByteBuffer out(card.SizeBytes());
  device.ReadBytes(0, out.data(), out.size());
  std::printf("%llu sectors, %zu pieces, %zu bytes after the card\n",
              static_cast<unsigned long long>(card.sectors), card.pieces.size(), card.restSize);
  return WriteAll(image, out) ? 0 : 1;
}

int Format(const std::string& image, int sizeMib, int fatType, int start) {
  fat::CardImageOptions options;
  options.sizeBytes = static_cast<std::uint64_t>(sizeMib) << 20;
  options.fatType = fatType;
  options.bare = start == 0;
  if (start != 0) options.partitionStart = static_cast<std::uint32_t>(start);
  options.label = "SEED CARD";
  options.serial = 0x5EED0001;
  if (fatType == 32) options.sectorsPerCluster = 1;
  fat::Status status;
  if (!platform::MakeCardImage(image, options, &status)) {
    std::fprintf(stderr, "format: %s\n", status.message.c_str());
    return 1;
  }
  return 0;
}

// A container made by the store and made usable, then thinned: all but its
// main header and slot records is zeroed. Nothing that reads a card looks
// at the images, the filler or the sector identifier tables, and they would
// be most of the seed and of each run's time.
int Container(const std::string& image, int count, const std::string& name) {
  std::uint32_t error = 0;
  const char letter = platform::AttachCardImage(image, platform::ImageDriveOptions{}, 'S', &error);
  if (letter == 0) return std::fprintf(stderr, "attach: %u\n", error), 1;
  int rc = FfaCreate(letter, static_cast<std::uint32_t>(count), name, true, nullptr);
  if (rc == 0) rc = FfaMakeUsable(letter);
  if (rc == 0) {
    const std::string path = FfaGetContainerPath(letter);
    if (FfaSetProtection(path, false) != 0) rc = -1;
    platform::File file =
        platform::OpenFile(path, platform::kGenericWrite, platform::Disposition::kOpenExisting);
    const ByteBuffer zeros(kContainerBlockSize, 0);
    auto zero = [&](std::uint64_t from, std::uint64_t to) {
      return file.Seek(static_cast<std::int64_t>(from), platform::SeekOrigin::kBegin) &&
             file.WriteExact(zeros.data(), static_cast<std::uint32_t>(to - from));
    };
    bool written = file.IsOpen() && zero(kMainHeaderSize, kContainerBlockSize);
    for (int slot = 0; slot < count && written; ++slot) {
      const std::uint64_t start =
          GetSlotPartOffset(static_cast<std::uint32_t>(slot), kSlotPartImage);
      written = zero(start, start + kSlotInfoOffset);
    }
    if (!file.Close() || !written) rc = -1;
    if (FfaSetProtection(path, true) != 0) rc = -1;
  }
  platform::DriveTable::Instance().Detach(letter);
  if (rc != 0) std::fprintf(stderr, "container: %d\n", rc);
  return rc == 0 ? 0 : 1;
}

int Usage() {
  std::fprintf(stderr,
               "usage: quillfen-fuzz-seed encode IMAGE OUT [OPS_HEX]\n"
               "       quillfen-fuzz-seed decode INPUT IMAGE\n"
               "       quillfen-fuzz-seed format IMAGE SIZE_MIB FAT START\n"
               "       quillfen-fuzz-seed container IMAGE COUNT NAME\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const platform::ScopedFixedLocalTime fixed(platform::LocalTime{2024, 5, 17, 12, 0, 0, 0});
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "encode" && (argc == 4 || argc == 5)) {
    return Encode(argv[2], argv[3], argc == 5 ? argv[4] : "");
  }
  if (command == "decode" && argc == 4) return Decode(argv[2], argv[3]);
  if (command == "format" && argc == 6) {
    return Format(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
  }
  if (command == "container" && argc == 5) return Container(argv[2], std::atoi(argv[3]), argv[4]);
  return Usage();
}
