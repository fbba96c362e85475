#include "support/reference_images.h"

#include <unistd.h>

#include <cstdio>

#include "support/temp_dir.h"

namespace testsupport {
namespace {
std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}
}  // namespace

bool MakeReferenceCard(const std::string& path, const ReferenceCard& card) {
  const std::string q = Quote(path);
  if (RunCommand("rm -f " + q + " && truncate -s " + std::to_string(card.sizeBytes) + " " + q) !=
      0) {
    return false;
  }
  std::string offset;
  if (card.partitionStart != 0) {
    const char* type = card.fatBits == 32 ? "0c" : card.fatBits == 16 ? "06" : "01";
    const std::string script =
        "start=" + std::to_string(card.partitionStart) + ", type=" + type + "\n";
    if (RunCommand("printf '" + script + "' | sfdisk -q " + q + " >/dev/null 2>&1") != 0) {
      return false;
    }
    offset = " --offset " + std::to_string(card.partitionStart);
    if (card.hiddenSectors) offset += " -h " + std::to_string(card.partitionStart);
  }
  const std::uint64_t sectors = card.sizeBytes / 512 - card.partitionStart;
  return RunCommand("mkfs.fat -F " + std::to_string(card.fatBits) + offset + " -n " +
                    Quote(card.label) + " -i 12345678 " + q + " " +
                    std::to_string(sectors / 2) + " >/dev/null 2>&1") == 0;
}

std::string MtoolsImage(const std::string& path, std::uint64_t partitionStart) {
  return "-i " + Quote(path + "@@" + std::to_string(partitionStart * 512));
}

int Mtools(const std::string& tool, const std::string& image, const std::string& arguments,
           std::string* output) {
  return RunCommand("MTOOLS_SKIP_CHECK=1 " + tool + " " + image + " " + arguments + " 2>&1",
                    output);
}

int FsckVolume(const std::string& path, std::uint64_t partitionStart, std::string* output) {
  if (partitionStart == 0) return RunCommand("fsck.fat -n " + Quote(path) + " 2>&1", output);
  char copy[] = "/tmp/quillfen-fsck-XXXXXX";
  const int fd = mkstemp(copy);
  if (fd < 0) return -1;
  close(fd);
  const std::string c = Quote(copy);
  int rc = RunCommand("dd if=" + Quote(path) + " of=" + c + " bs=512 skip=" +
                      std::to_string(partitionStart) + " status=none");
  if (rc == 0) rc = RunCommand("fsck.fat -n " + c + " 2>&1", output);
  std::remove(copy);
  return rc;
}

}  // namespace testsupport
