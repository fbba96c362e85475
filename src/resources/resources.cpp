#include "resources/resources.h"

#include <cstring>

#include "resources/floppy_templates.h"

namespace quillfen_embedded {
extern const std::uint8_t QuillfenDE_html[];
extern const std::size_t QuillfenDE_html_size;
extern const std::uint8_t QuillfenEN_html[];
extern const std::size_t QuillfenEN_html_size;
}  // namespace quillfen_embedded

namespace {

// Built on first use and kept for the life of the process, like a resource
// mapped from the program file.
const ByteBuffer& Template(bool highDensity) {
  if (highDensity) {
    static const ByteBuffer hd = MakeBlankFloppyImage(true);
    return hd;
  }
  static const ByteBuffer dd = MakeBlankFloppyImage(false);
  return dd;
}

}  // namespace

bool LoadResource(const char* type, int id, const std::uint8_t** data, std::size_t* size) {
  if (type == nullptr || data == nullptr || size == nullptr) return false;
  if (std::strcmp(type, kResourceTypeBinary) != 0) return false;
  switch (id) {
    case kResourceHdTemplate:
    case kResourceDdTemplate: {
      const ByteBuffer& image = Template(id == kResourceHdTemplate);
      *data = image.data();
      *size = image.size();
      return true;
    }
    case kResourceHelpGerman:
      *data = quillfen_embedded::QuillfenDE_html;
      *size = quillfen_embedded::QuillfenDE_html_size;
      return true;
    case kResourceHelpEnglish:
      *data = quillfen_embedded::QuillfenEN_html;
      *size = quillfen_embedded::QuillfenEN_html_size;
      return true;
    default:
      return false;
  }
}
