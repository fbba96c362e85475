#include "container/file_choice_kind.h"

#include "base/current_language.h"

FileChoiceKind FfaFileChoiceKind(int kind) {
  if (kind == kFileKindFpga) {
    return {"bin", Localized("Binary Files (*.bin)|*.bin|All Files (*.*)|*.*||",
                             "Binäre Dateien (*.bin)|*.bin|Alle Dateien (*.*)|*.*||")};
  }
  return {"img",
          Localized("Image Files (*.img)|*.img|Binary Files (*.bin)|*.bin|All Files (*.*)|*.*||",
                    "Abbilddateien (*.img)|*.img|Binäre Dateien (*.bin)|*.bin|Alle Dateien "
                    "(*.*)|*.*||")};
}
