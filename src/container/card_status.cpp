#include "container/card_status.h"

#include <cinttypes>
#include <cstdio>

#include "base/current_language.h"

namespace {
bool Has(std::uint32_t flags, std::uint32_t flag) {
  return (flags & flag) != 0;
}

std::string NoRightsText() {
  return Localized("No ADMIN Rights. Only Compact Flash Image handling.",
                   "Keine Admin Rechte. Nur Compact Flash Abbild Bearbeitung möglich");
}

// The container's part of the view; the card is there.
void DescribeContainer(const CardState& state, CardStatusView& view, std::string& text) {
  const std::uint32_t flags = state.Flags;
  view.containerValid = true;
  view.fpgaLit = state.Header.FpgaPresent() != 0;
  view.fpgaUpdateEnabled = true;
  view.containerNameEnabled = true;
  view.containerName = state.Header.Name();
  view.containerPath = state.ContainerPath;
  view.type = state.Header.IsHighDensity() ? "HD" : "DD";
  view.createEnabled = false;
  if (Has(flags, CARD_NO_RAW_RIGHTS)) {
    text += NoRightsText();
    view.severity = kStatusWarning;
    view.makeUsableEnabled = false;
    view.eraseEnabled = false;
  } else if (Has(flags, CARD_CONTIGUOUS) && Has(flags, CARD_START_SECTOR_SET)) {
    text += Localized("Dornveld Container File: Ok, Not Fragemented, Start Sector Set: Ok",
                      "Dornveld Container Datei: Ok, nicht fragmentiert, Start Sektor setzen: Ok");
    view.severity = kStatusOk;
    view.makeUsableEnabled = true;
    view.eraseEnabled = true;
  } else if (Has(flags, CARD_CONTIGUOUS)) {
    text += Localized("Start-Sector not set", "Start Sektor nicht gesetzt");
    view.severity = kStatusWarning;
    view.makeUsableEnabled = true;
    view.eraseEnabled = true;
  } else {
    text +=
        Localized("Dornveld Container File Fragmented", "Dornveld Container Datei fragmentiert");
    if (!Has(flags, CARD_START_SECTOR_SET)) {
      text += Localized(", Start-Sector not set", ", Start Sektor nicht gesetzt");
    }
    view.severity = kStatusWarning;
    view.makeUsableEnabled = false;
    view.eraseEnabled = false;
  }
}
// A container file on disk: its slots, names and FPGA update, nothing that
// needs a card around it.
CardStatusView DescribeContainerFile(const CardState& state, std::uint64_t totalBytes,
                                     bool writeProtected) {
  CardStatusView view;
  std::string text = "--- ";
  view.size = FormatSize(totalBytes);
  view.containerPath = state.ContainerFile;
  if (!Has(state.Flags, CARD_CONTAINER_VALID)) {
    view.type = "--";
    view.severity = kStatusError;
    view.statusText = text +
                      Localized("Dornveld Container File unreadable (not a card)",
                                "Dornveld Container Datei nicht lesbar (keine Karte)") +
                      " ---";
    return view;
  }
  view.containerValid = true;
  view.fpgaLit = state.Header.FpgaPresent() != 0;
  view.containerName = state.Header.Name();
  view.type = state.Header.IsHighDensity() ? "HD" : "DD";
  view.severity = kStatusOk;
  view.writable = !writeProtected;
  view.containerNameEnabled = view.writable;
  view.fpgaUpdateEnabled = view.writable;
  text += Localized("Dornveld Container File on disk, not a Card",
                    "Dornveld Container Datei auf dem Rechner, keine Karte");
  if (writeProtected) {
    text += Localized(", File is write protected: read only",
                      ", Datei ist schreibgeschützt: nur lesen");
  }
  view.statusText = text + " ---";
  return view;
}
}  // namespace

CardStatusView DescribeCardState(const CardState& state, std::uint64_t totalBytes,
                                 const std::string& fileSystem, bool writeProtected) {
  const std::uint32_t flags = state.Flags;
  if (Has(flags, CARD_CONTAINER_FILE))
    return DescribeContainerFile(state, totalBytes, writeProtected);
  CardStatusView view;
  std::string text = "--- ";
  view.severity = kStatusError;
  view.cardPresent = Has(flags, CARD_RAW_ACCESS) || Has(flags, CARD_NO_RAW_RIGHTS);
  if (view.cardPresent) {
    view.fileSystem = fileSystem;
    // Nothing could be read: whether there is a container is not known, and
    // nothing may run on the card.
    const bool unreadable = Has(flags, CARD_FILES_UNREADABLE);
    if (unreadable) {
      view.type = "--";
      view.severity = kStatusWarning;
      view.writable = false;
      text += NoRightsText();
    } else if (Has(flags, CARD_CONTAINER_VALID)) {
      DescribeContainer(state, view, text);
    } else {
      view.type = "--";
      view.makeUsableEnabled = false;
      view.eraseEnabled = false;
      view.createEnabled = true;
      text += Localized("no Dornveld Container File", "Keine Dornveld Container Datei");
    }
    view.size = FormatSize(totalBytes);
    view.cardToolsEnabled = !unreadable;
  } else {
    text += Has(flags, CARD_NO_FAT_VOLUME)
                ? Localized("No Partition Available (FAT needed)",
                            "Keine Partition verfügbar (FAT wird gebraucht)")
                : Localized("No Compact Flash Card", "Kein Speichermedium vorhanden");
  }
  // Whatever came before: "Make DCF Usable" exactly when the container is in
  // one piece and its start sector is not recorded yet; "Erase DCF" then too.
  if (Has(flags, CARD_CONTIGUOUS) && !Has(flags, CARD_START_SECTOR_SET)) {
    view.makeUsableEnabled = true;
    view.eraseEnabled = true;
  } else {
    view.makeUsableEnabled = false;
  }
  // A card that takes no writes can be looked at, nothing more.
  if (writeProtected && view.cardPresent) {
    text += Localized(", Card is write protected: read only",
                      ", Karte ist schreibgeschützt: nur lesen");
    view.writable = false;
    view.containerNameEnabled = false;
    view.createEnabled = false;
    view.makeUsableEnabled = false;
    view.eraseEnabled = false;
    view.fpgaUpdateEnabled = false;
  }
  view.statusText = text + " ---";
  return view;
}

std::string FormatSize(std::uint64_t bytes) {
  static const char* const kUnits[] = {"Bytes", "KBytes", "MBytes", "GBytes", "TBytes"};
  constexpr std::size_t kLastUnit = sizeof kUnits / sizeof kUnits[0] - 1;
  std::size_t unit = 0;
  // The largest unit ends the walk: no value runs past the table.
  while (((bytes >> 32) != 0 || bytes > 2048) && unit < kLastUnit) {
    bytes >>= 10;
    ++unit;
  }
  char text[48];
  std::snprintf(text, sizeof text, "%" PRIu64 " %s", bytes, kUnits[unit]);
  return text;
}
