#include "container/ffa_template.h"

#include "container/floppy_kind.h"
#include "resources/resources.h"

static_assert(kFloppyHd.templateResourceId == kResourceHdTemplate);
static_assert(kFloppyDd.templateResourceId == kResourceDdTemplate);

bool FfaLoadTemplate(bool highDensity, ByteBuffer& bytes) {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  if (!LoadResource(kResourceTypeBinary, GetFloppyKind(highDensity).templateResourceId, &data,
                    &size)) {
    return false;
  }
  bytes.assign(data, data + size);
  return true;
}
