#include "container/ffa_template.h"

#include "resources/resources.h"

bool FfaLoadTemplate(bool highDensity, ByteBuffer& bytes) {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  if (!LoadResource(kResourceTypeBinary, highDensity ? kResourceHdTemplate : kResourceDdTemplate,
                    &data, &size)) {
    return false;
  }
  bytes.assign(data, data + size);
  return true;
}
