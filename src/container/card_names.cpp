#include "container/card_names.h"

#include <algorithm>
#include <cstring>

#include "base/windows1252.h"
#include "platform/errors.h"

int CheckCardName(const std::string& name) {
  std::string bytes;
  return Utf8ToWindows1252(name, &bytes) ? 0
                                         : static_cast<int>(platform::kErrorNoUnicodeTranslation);
}

bool WriteCardName(std::uint8_t* field, std::size_t fieldSize, std::size_t maxCharacters,
                   const std::string& name) {
  std::string bytes;
  if (!Utf8ToWindows1252(name, &bytes)) return false;
  std::memset(field, 0, fieldSize);
  std::memcpy(field, bytes.data(), std::min({bytes.size(), maxCharacters, fieldSize}));
  return true;
}

std::string ReadCardName(const std::uint8_t* field, std::size_t fieldSize) {
  const auto* text = reinterpret_cast<const char*>(field);
  return Windows1252ToUtf8(std::string_view(text, strnlen(text, fieldSize)));
}
