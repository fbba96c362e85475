// A slot's floppy image told apart as the slot list and `slots --contents`
// do it. Input: a kind byte (bit 0 set: HD, else DD), then bytes laid over
// the kind's blank image from its start (boot sector, FATs, root folder and
// the first clusters), so that most inputs stay close to a FAT12 volume.
//
// Beyond not crashing: every answer has a description, a broken volume says
// why, and counts stay within what an image of the kind can hold.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "base/bytes.h"
#include "container/ffa_template.h"
#include "container/slot_contents.h"
#include "fuzz_card.h"

namespace {
using fuzzcard::Fail;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const bool highDensity = (data[0] & 1) != 0;
  static ByteBuffer blank[2];
  ByteBuffer& base = blank[highDensity ? 1 : 0];
  if (base.empty() && !FfaLoadTemplate(highDensity, base)) Fail("no blank template");
  ByteBuffer image = base;
  std::memcpy(image.data(), data + 1, std::min(size - 1, image.size()));

  const SlotContents c = IdentifySlotImage(image.data(), image.size(), highDensity);
  if (SlotContentsSummary(c).empty()) Fail("an image without a description");
  if (c.kind == SlotContentKind::kUnreadable && c.reason.empty()) Fail("unreadable without why");
  if (c.usedBytes + c.freeBytes > image.size()) Fail("more bytes than the image holds");
  if (c.rootNames.size() > kSlotRootNamesKept || c.rootNames.size() > c.rootEntries) {
    Fail("root names beyond the root's entries");
  }
  (void)SlotRootNamesText(c);
  return 0;
}
