#include "mainwindow/slot_test_support.h"

#include <fstream>
#include <iterator>

#include "container/container_layout.h"
#include "container/ffa_store.h"
#include "container/floppy_kind.h"
#include "support/mtools_views.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"

namespace mwtest {

bool MakeFloppyImage(const std::string& path, bool highDensity, const std::string& note) {
  testsupport::TempDir dir;
  const std::string noteFile = dir.File("note.txt");
  std::ofstream(noteFile) << note;
  const std::string q = testsupport::Quote(path);
  return testsupport::RunCommand("rm -f " + q + " && mkfs.fat -C -i 1234ABCD -n FLOPPY " + q +
                                 (highDensity ? " 1440" : " 720") + " >/dev/null 2>&1") == 0 &&
         testsupport::RunCommand("MTOOLS_SKIP_CHECK=1 mcopy -i " + q + " " +
                                 testsupport::Quote(noteFile) + " ::/NOTE.TXT") == 0;
}

ByteBuffer ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return ByteBuffer(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

ByteBuffer SlotImage(char drive, unsigned slot, bool highDensity) {
  ByteBuffer image(FloppyImageSize(highDensity));
  if (FfaReadSlot(drive, slot, image, nullptr) != 0) image.clear();
  return image;
}

std::string FileOnFloppy(const ByteBuffer& image, const std::string& name) {
  testsupport::TempDir dir;
  const std::string path = dir.File("floppy.img");
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(image.data()),
             static_cast<std::streamsize>(image.size()));
  std::string content;
  if (testsupport::RunCommand(
          "MTOOLS_SKIP_CHECK=1 mtype -i " + testsupport::Quote(path) + " ::/" + name, &content) !=
      0) {
    return {};
  }
  return content;
}

bool PickFloppy::Choose(const std::vector<CDriveInfo>& drives, std::size_t* chosen) {
  ++asked;
  offered.clear();
  for (const CDriveInfo& drive : drives) offered.push_back(drive.Letter());
  if (cancel) return false;
  for (std::size_t i = 0; i < drives.size(); ++i) {
    if (drives[i].Letter() == letter_) {
      *chosen = i;
      return true;
    }
  }
  return false;
}

}  // namespace mwtest
