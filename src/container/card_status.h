// What the main window shows for the state of the selected card: the status
// line and its severity, the container fields, the FPGA light, and which
// container commands may run. Decided here from the card state alone, so that
// every card state reads the same wherever it is shown.
#pragma once

#include <cstdint>
#include <string>

#include "container/card_state.h"

// The status line's severities: 0 white on green, 1 black on yellow, 2 white on red.
inline constexpr int kStatusOk = 0;
inline constexpr int kStatusWarning = 1;
inline constexpr int kStatusError = 2;

struct CardStatusView {
  std::string statusText;  // "--- ... ---"
  int severity = kStatusError;
  // The card answers raw access, or refused it for want of rights; false for
  // a container file, which is no card.
  bool cardPresent = false;
  bool containerValid = false;
  bool fpgaLit = false;

  // The fields.
  std::string size;
  std::string fileSystem;
  std::string containerPath;  // a container file's path on disk
  std::string containerName;
  std::string type;  // "HD", "DD", "--", or empty without a card

  // Which container commands and fields are enabled.
  bool containerNameEnabled = false;  // the name field and its save button (1134, 1105)
  bool createEnabled = false;         // 1122
  bool makeUsableEnabled = false;     // 1123
  bool eraseEnabled = false;          // 1124
  bool fpgaUpdateEnabled = false;     // 1121
  bool cardToolsEnabled = false;      // hex view of the card and the whole-card copy (1118, 1143)
  // False on a write-protected card: nothing that writes to the card may run
  // (the container commands above, and writing into a slot or its name).
  bool writable = true;
};

// The view of a card state; `totalBytes` is the size FfaGetCardState gave,
// `fileSystem` the drive's file system name, `writeProtected` whether the
// card takes no writes (a card image the user may only read). Texts in the
// current language.
CardStatusView DescribeCardState(const CardState& state, std::uint64_t totalBytes,
                                 const std::string& fileSystem, bool writeProtected = false);

// "%u %s": the value shifted down by 10 bits while it is above 2048 (or needs
// more than 32 bits), with the unit it reached: Bytes, KBytes, MBytes, GBytes,
// TBytes. 2048 stays "2048 Bytes", 2049 is "2 KBytes".
std::string FormatSize(std::uint64_t bytes);
