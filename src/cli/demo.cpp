#include "cli/demo.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "container/container_layout.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "container/ffa_template.h"
#include "container/main_header.h"
#include "container/slot_block.h"
#include "container/slot_info.h"
#include "platform/drive.h"
#include "platform/host/host_folder_drive.h"
#include "platform/process.h"

namespace {
int Fail(const char* step, int code) {
  std::fprintf(stderr, "demo: %s failed: %s\n", step, FfaErrorText(code).c_str());
  return 1;
}
}  // namespace

int RunDemo() {
  // A fresh folder stands in for the card until card images exist.
  std::string folder = platform::GetTempPath() + "quillfen-demo-XXXXXX";
  if (mkdtemp(folder.data()) == nullptr) {
    std::perror("demo: mkdtemp");
    return 1;
  }
  auto drive = std::make_shared<platform::HostFolderDrive>(folder);
  const char letter = platform::DriveTable::Instance().AttachFirstFree(drive);
  std::printf("Drive %c: is the folder %s\n", letter, folder.c_str());

  int rc = FfaCreate(letter, 5, "Demo", true, nullptr);
  if (rc != FFA_OK) return Fail("create", rc);

  // A blank 1.44 MB floppy with a volume label of its own goes into slot 2.
  ByteBuffer image;
  FfaLoadTemplate(true, image);
  const char label[] = "DEMO FLOPPY";
  std::copy(label, label + 11, image.begin() + 43);
  ByteBuffer block;
  if ((rc = BuildImageSlotBlock(block, image, "Demo Floppy", true)) != 0 ||
      (rc = FfaWriteSlot(letter, 1, block, nullptr)) != FFA_OK) {
    return Fail("write slot 2", rc);
  }

  MainHeader header;
  FfaReadMainHeader(FfaGetContainerPath(letter), header.Bytes());
  std::printf("Container %s: \"%s\", %u %s images\n", FfaGetContainerPath(letter).c_str(),
              header.Name().c_str(), header.ImageCount(), header.IsHighDensity() ? "HD" : "DD");
  ByteBuffer slot(kContainerBlockSize);
  for (unsigned s = 0; s < header.ImageCount(); ++s) {
    if ((rc = FfaReadSlot(letter, s, slot, nullptr)) != FFA_OK) return Fail("read slot", rc);
    const std::uint8_t* info = slot.data() + kSlotInfoOffset;
    const platform::LocalTime t = SlotInfoTime(info);
    std::printf("%u\t%s\t%04u-%02u-%02u %02u:%02u:%02u\n", s + 1, SlotInfoName(info).c_str(),
                t.year, t.month, t.day, t.hour, t.minute, t.second);
  }
  FfaDeleteOnDrive(letter);
  FfaErase(letter);
  std::filesystem::remove_all(folder);
  return 0;
}
