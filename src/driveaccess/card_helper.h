// The card helper's two raw operations on a whole card: a read test of every
// sector and the flash format that zeroes the master boot record and the 15
// sectors after it. Both report through a display and run on whatever thread
// calls them; they touch nothing but the card and the display.
#pragma once

#include <cstdint>
#include <string>

class ICardHelperDisplay {
 public:
  virtual ~ICardHelperDisplay() = default;
  // The whole text of the output (lines end in CR LF).
  virtual void ShowText(const std::string& text) = 0;
  // Asked between two reads of the read test.
  virtual bool CancelRequested() = 0;
};

// Sectors per read of the read test, and how often it shows where it is.
inline constexpr std::uint32_t kCardHelperSectorsPerRead = 4;
inline constexpr std::uint64_t kCardHelperShowEvery = 200;
// The flash format's zeroed bytes: sectors 0 to 15.
inline constexpr std::uint32_t kCardHelperFormatBytes = 8192;

// Reads the whole card in groups of four sectors. A card that cannot be
// opened, or that does not use 512-byte sectors, shows nothing. The display
// is told where the test is every 200 sectors; showing is its business, so
// it should only keep the text (the test runs on at the card's pace).
void CardHelperReadTest(char letter, ICardHelperDisplay& display);

// Overwrites sectors 0 to 15 of the card with zeros; no cancel. A card that
// cannot be opened, or that does not use 512-byte sectors, shows nothing.
void CardHelperFormatFlash(char letter, ICardHelperDisplay& display);

// The card's size in bytes as both operations see it; false when the card
// cannot be opened or does not use 512-byte sectors (they then show nothing).
bool CardHelperCardBytes(char letter, std::uint64_t* bytes);
