// What the window shows for each card state, decided from the state alone:
// the status line, its severity, the fields and the enabled commands.
#include <gtest/gtest.h>

#include "base/current_language.h"
#include "container/card_state.h"
#include "container/card_status.h"
#include "support/scoped_language.h"

namespace {

TEST(FormatSize, ShiftsWhileAboveTwoKilo) {
  EXPECT_EQ(FormatSize(0), "0 Bytes");
  EXPECT_EQ(FormatSize(2048), "2048 Bytes");
  EXPECT_EQ(FormatSize(2049), "2 KBytes");
  EXPECT_EQ(FormatSize(512000000), "488 MBytes");
  EXPECT_EQ(FormatSize(1ull << 30), "1024 MBytes");
  EXPECT_EQ(FormatSize(2ull << 30), "2048 MBytes");
  EXPECT_EQ(FormatSize(4ull << 30), "4 GBytes");  // beyond 32 bits
  EXPECT_EQ(FormatSize(64ull << 30), "64 GBytes");
  // The largest unit ends the walk.
  EXPECT_EQ(FormatSize(~0ull), "16777215 TBytes");
}

TEST(DescribeCardState, AFragmentedContainerWhoseRecordMatchesItsFirstPiece) {
  testsupport::ScopedLanguage english(kLanguageEnglish);
  CardState state;
  state.Flags = CARD_RAW_ACCESS | CARD_CONTAINER_VALID | CARD_START_SECTOR_SET;
  const CardStatusView view = DescribeCardState(state, 1ull << 30, "FAT32");
  EXPECT_EQ(view.statusText, "--- Dornveld Container File Fragmented ---");
  EXPECT_EQ(view.severity, kStatusWarning);
  EXPECT_FALSE(view.makeUsableEnabled);
  EXPECT_FALSE(view.eraseEnabled);
  EXPECT_EQ(view.size, "1024 MBytes");
  EXPECT_EQ(view.type, "DD");
}

// The last rule wins over the rights: a container in one piece whose start
// sector is not recorded can be made usable, also without the rights (the
// command then says nothing, and the status line says why).
TEST(DescribeCardState, WithoutRightsAContainerInOnePieceCanStillBeMadeUsable) {
  testsupport::ScopedLanguage english(kLanguageEnglish);
  CardState state;
  state.Flags = CARD_NO_RAW_RIGHTS | CARD_CONTAINER_VALID | CARD_CONTIGUOUS;
  const CardStatusView view = DescribeCardState(state, 64ull << 20, "FAT");
  EXPECT_EQ(view.statusText, "--- No ADMIN Rights. Only Compact Flash Image handling. ---");
  EXPECT_EQ(view.severity, kStatusWarning);
  EXPECT_TRUE(view.makeUsableEnabled);
  EXPECT_TRUE(view.eraseEnabled);
  EXPECT_FALSE(view.createEnabled);
}

// Refused the files as well as raw access: no container is claimed, and
// nothing may run on the card.
TEST(DescribeCardState, WithoutRightsToTheFilesNothingIsKnownNorOffered) {
  testsupport::ScopedLanguage german(kLanguageGerman);
  CardState state;
  state.Flags = CARD_NO_RAW_RIGHTS | CARD_FILES_UNREADABLE;
  const CardStatusView view = DescribeCardState(state, 64ull << 20, "FAT");
  EXPECT_EQ(view.statusText,
            "--- Keine Admin Rechte. Nur Compact Flash Abbild Bearbeitung möglich ---");
  EXPECT_EQ(view.severity, kStatusWarning);
  EXPECT_TRUE(view.cardPresent);
  EXPECT_FALSE(view.containerValid);
  EXPECT_FALSE(view.createEnabled || view.makeUsableEnabled || view.eraseEnabled ||
               view.fpgaUpdateEnabled || view.containerNameEnabled || view.cardToolsEnabled ||
               view.writable);
}

TEST(DescribeCardState, NoCardAndNoFatVolume) {
  testsupport::ScopedLanguage german(kLanguageGerman);
  CardState state;
  EXPECT_EQ(DescribeCardState(state, 0, "").statusText, "--- Kein Speichermedium vorhanden ---");
  state.Flags = CARD_NO_FAT_VOLUME;
  const CardStatusView view = DescribeCardState(state, 0, "");
  EXPECT_EQ(view.statusText, "--- Keine Partition verfügbar (FAT wird gebraucht) ---");
  EXPECT_EQ(view.severity, kStatusError);
  EXPECT_FALSE(view.cardPresent);
  EXPECT_FALSE(view.cardToolsEnabled);
}

}  // namespace
