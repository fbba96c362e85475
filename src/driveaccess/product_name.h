// Whether a storage product name says that the device is a CompactFlash
// card reader.
#pragma once

#include <string_view>

// True when `word` occurs in `text`, ignoring case, with no ASCII letter or
// digit right before or right after it. Occurrences inside a longer word are
// passed over and the search goes on.
bool ContainsWholeWord(std::string_view text, std::string_view word);

// True when the name holds "CFC", "CF" or "CompactFlash" as a whole word.
bool IsCompactFlashProductName(std::string_view productName);
