#include "gui/ui_texts.h"

#include "base/current_language.h"

namespace gui {

QString UiText::Get() const {
  return QString::fromUtf8(IsGermanLanguage() ? german : english);
}

const std::vector<UiText>& AllUiTexts() {
  static const std::vector<UiText> texts = {
      kTextDriveColumn,
      kTextLabelColumn,
      kTextDriveListName,
      kTextReadProgress,
      kTextHexStatusName,
      kTextHexDataName,
      kTextBrowseImageSoftware,
      kTextBrowseProgram,
      kTextApplicationIcon,
      kTextAboutLine,
      kTextHelpTitle,
      kTextProductName,
      kTextWindowMenu,
      kTextToolBarName,
      kTextSlotListName,
      kTextStatusLineName,
      kTextUnreadableSlot,
      kTextSaveCardMenu,
      kTextAttachCardImageTitle,
      kTextCardImageFilter,
      kTextAttachFloppyImageTitle,
      kTextFloppyImageFilter,
      kTextCheckFindingsName,
      kTextCheckSeverityColumn,
      kTextCheckFindingColumn,
      kTextCheckStatusName,
      kTextCheckClean,
      kTextCheckFindings,
      kTextCheckRepaired,
      kTextCheckRepairFailed,
      kTextCheckRepairQuestion,
      kTextCheckingCard,
      kTextRepairingCard,
      kTextMountStatusName,
      kTextDriverStatusName,
      kTextCapsIndicator,
      kTextNumIndicator,
      kTextScrollIndicator,
      kTextYes,
      kTextNo,
      kTextError,
      kTextOpenFile,
      kTextSaveFile,
      kTextChooseFolder,
      kTextDdDisk,
      kTextHdDisk,
      kTextDiskKindName,
      kTextImageCountSpinner,
      kTextBrowseFpgaFile,
      kTextCardHelperOutput,
  };
  return texts;
}

}  // namespace gui
