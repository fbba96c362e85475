// Exporting every slot of a container to a folder, and importing a folder of
// image files into the slots.
#include "container/card_image_sets.h"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>

#include "base/current_language.h"
#include "base/progress_display.h"
#include "container/container_layout.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "container/file_choice_kind.h"
#include "container/floppy_kind.h"
#include "container/image_set_files.h"
#include "container/main_header.h"
#include "container/slot_info.h"
#include "container/slot_records.h"
#include "driveaccess/dda_error_codes.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/path_resolver.h"

namespace {
// An index longer than this was not written by an export.
constexpr std::uint64_t kMaxIndexBytes = 1u << 20;

// The user of the single steps: the set has its own progress display, so
// the steps open none.
class SetStepUser : public ICardUser {
 public:
  explicit SetStepUser(ICardUser& outer) : outer_(outer) {}
  bool ChooseFile(bool openDialog, std::string& path, int kind) override {
    return outer_.ChooseFile(openDialog, path, kind);
  }
  bool AskYesNo(const std::string& question) override { return outer_.AskYesNo(question); }
  void ShowMessage(const std::string& text) override { outer_.ShowMessage(text); }
  IFloppyDriveChooser& FloppyChooser() override { return outer_.FloppyChooser(); }
  IProgressOwner* Progress() override { return nullptr; }

 private:
  ICardUser& outer_;
};

// The set's one display: a step a slot.
class SetProgress {
 public:
  SetProgress(ICardUser& user, const std::string& text, int steps)
      : display_(OpenProgress(user.Progress(), text, kProgressVisible)) {
    if (display_) display_->SetProgressState(0, std::max(steps, 1));
  }
  void Step() {
    if (display_) display_->SetProgressState(1, ++done_);
  }

 private:
  std::unique_ptr<IProgressDisplay> display_;
  int done_ = 0;
};

std::string InFolder(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  const char last = folder.back();
  if (last == '/' || last == '\\') return folder + name;
  return folder + (platform::IsDrivePath(folder) ? "\\" : "/") + name;
}

int ReadHeader(char drive, MainHeader& header) {
  if (FfaContainerExists(drive) != FFA_OK) return FFA_ERR_NOT_FOUND;
  return FfaCheckMainHeader(FfaGetContainerPath(drive), header.Bytes());
}

int LastSystemError() {
  const std::uint32_t code = platform::GetLastError();
  return code != 0 ? static_cast<int>(code) : static_cast<int>(platform::kErrorPathNotFound);
}

// The folder of an export, made when it is not there.
int PrepareExportFolder(const std::string& folder) {
  const std::uint32_t attributes = platform::GetAttributes(folder);
  if (attributes == platform::kInvalidFileAttributes) {
    return platform::MakeFolder(folder) ? 0 : LastSystemError();
  }
  if ((attributes & platform::kAttributeDirectory) == 0) {
    return static_cast<int>(platform::kErrorDirectory);
  }
  return 0;
}

// The index of a folder, by file name; empty without one.
std::map<std::string, ImageSetIndexEntry> ReadIndex(const std::string& folder) {
  std::map<std::string, ImageSetIndexEntry> byFile;
  ByteBuffer bytes;
  if (!FfaReadFile(InFolder(folder, kImageSetIndexName), bytes, kMaxIndexBytes)) return byFile;
  const std::string text(bytes.begin(), bytes.end());
  for (ImageSetIndexEntry& entry : ParseImageSetIndex(text)) {
    const std::string file = entry.file;
    byFile.emplace(file, std::move(entry));
  }
  return byFile;
}

// Which slot each acceptable file of the folder goes to; refused files and
// the count of files without a slot are recorded in the result.
std::vector<ImageSetItem> PlanImport(const std::string& folder,
                                     const std::vector<std::string>& files, std::size_t imageSize,
                                     ImageSetResult& result) {
  const std::map<std::string, ImageSetIndexEntry> index = ReadIndex(folder);
  std::vector<ImageSetItem> numbered;
  std::vector<ImageSetItem> unnumbered;
  for (const std::string& file : files) {
    if (!IsImageSetFile(file)) continue;
    std::uint64_t size = 0;
    ImageSetItem item;
    item.file = file;
    if (!platform::GetFileSize(InFolder(folder, file), &size)) {
      item.code = DDA_ERR_OPEN_FILE;
    } else if (size != imageSize) {
      item.code = DDA_ERR_WRONG_FLOPPY_SIZE;
    }
    if (item.code != 0) {
      result.refused.push_back(item);
      continue;
    }
    const ImageSetFileParts parts = ParseImageSetFileName(file);
    unsigned number = parts.slotNumber;
    item.name = parts.slotName;
    if (const auto listed = index.find(file); listed != index.end()) {
      number = listed->second.slotNumber;
      item.name = StorableSlotName(listed->second.name);
    }
    item.slot = static_cast<int>(number) - 1;
    (number != 0 ? numbered : unnumbered).push_back(item);
  }

  std::vector<ImageSetItem> plan;
  std::vector<bool> taken(result.slotCount, false);
  for (ImageSetItem& item : numbered) {
    if (static_cast<unsigned>(item.slot) >= result.slotCount) {
      ++result.notFitting;
      continue;
    }
    if (taken[static_cast<std::size_t>(item.slot)]) {
      item.reason =
          Localized("slot ", "Platz ") + std::to_string(item.slot + 1) +
          Localized(" has an image of the set already", " hat schon ein Abbild des Satzes");
      item.slot = -1;
      result.refused.push_back(item);
      continue;
    }
    taken[static_cast<std::size_t>(item.slot)] = true;
    plan.push_back(item);
  }
  std::size_t free = 0;
  for (ImageSetItem& item : unnumbered) {
    while (free < taken.size() && taken[free]) ++free;
    if (free == taken.size()) {
      ++result.notFitting;
      continue;
    }
    taken[free] = true;
    item.slot = static_cast<int>(free);
    plan.push_back(item);
  }
  std::sort(plan.begin(), plan.end(),
            [](const ImageSetItem& a, const ImageSetItem& b) { return a.slot < b.slot; });
  return plan;
}
// The container's header read and the folder chosen: 0, or why the set
// cannot begin.
int BeginSet(char drive, bool openDialog, ICardUser& user, MainHeader& header,
             ImageSetResult& result) {
  if (drive == '\0') return DDA_ERR_NO_DRIVE;
  if (const int rc = ReadHeader(drive, header)) return rc;
  result.slotCount = header.ImageCount();
  return user.ChooseFile(openDialog, result.folder, kFileKindFolder) ? 0 : kCardCancelled;
}
}  // namespace

ImageSetResult CardExportImages(char drive, ICardUser& user) {
  ImageSetResult result;
  MainHeader header;
  if ((result.code = BeginSet(drive, false, user, header, result)) != 0) return result;
  std::vector<std::uint8_t> records;
  if ((result.code =
           FfaReadSlotRecords(FfaGetContainerPath(drive), 0, result.slotCount, records)) != 0 ||
      (result.code = PrepareExportFolder(result.folder)) != 0) {
    return result;
  }

  std::vector<ImageSetIndexEntry> index;
  unsigned replaced = 0;
  for (unsigned slot = 0; slot < result.slotCount; ++slot) {
    const std::string name = SlotInfoName(records.data() + std::size_t{slot} * kSlotInfoSize);
    index.push_back({slot + 1, name, ImageSetFileName(slot + 1, name)});
    if (platform::PathExists(InFolder(result.folder, index.back().file))) ++replaced;
  }
  if (platform::PathExists(InFolder(result.folder, kImageSetIndexName))) ++replaced;
  if (replaced != 0 &&
      !user.AskYesNo(Localized("The folder holds files of the same names already (",
                               "Der Ordner enthält schon Dateien gleichen Namens (") +
                     std::to_string(replaced) +
                     Localized("). Replace them ?", "). Sollen sie ersetzt werden ?"))) {
    result.code = kCardCancelled;
    return result;
  }

  SetStepUser steps(user);
  SetProgress progress(user, Localized("Export Images [PERCENT]", "Exportiere Abbilder [PERCENT]"),
                       static_cast<int>(result.slotCount));
  for (const ImageSetIndexEntry& entry : index) {
    SlotTarget target;
    target.drive = drive;
    target.slot = static_cast<int>(entry.slotNumber - 1);
    target.highDensity = header.IsHighDensity();
    ImageSetItem item{entry.file, target.slot, entry.name, 0, {}};
    if ((result.code =
             CardSaveSlotAsImageFile(target, InFolder(result.folder, entry.file), steps)) != 0) {
      item.code = result.code;
      result.refused.push_back(item);
      return result;
    }
    result.done.push_back(item);
    progress.Step();
  }
  result.imageCount = result.slotCount;
  const std::string text = FormatImageSetIndex(index);
  if (!FfaWriteFile(InFolder(result.folder, kImageSetIndexName),
                    ByteBuffer(text.begin(), text.end()))) {
    result.code = DDA_ERR_OPEN_FILE;
    result.refused.push_back({kImageSetIndexName, -1, {}, result.code, {}});
  }
  return result;
}

ImageSetResult CardImportImages(char drive, ICardUser& user) {
  ImageSetResult result;
  MainHeader header;
  if ((result.code = BeginSet(drive, true, user, header, result)) != 0) return result;
  std::vector<std::string> files;
  if (!platform::ListFolderFiles(result.folder, &files)) {
    result.code = LastSystemError();
    return result;
  }
  const std::size_t imageSize = FloppyImageSize(header.IsHighDensity());
  const std::vector<ImageSetItem> plan = PlanImport(result.folder, files, imageSize, result);
  result.imageCount = static_cast<unsigned>(plan.size()) + result.notFitting;
  // Said before anything is written: the user sorts the folder out first.
  if (result.notFitting != 0) return result;
  if (platform::IsWriteProtected(drive)) {
    result.code = static_cast<int>(platform::kErrorWriteProtect);
    return result;
  }

  SetStepUser steps(user);
  SetProgress progress(user, Localized("Import Images [PERCENT]", "Importiere Abbilder [PERCENT]"),
                       static_cast<int>(plan.size()));
  for (ImageSetItem item : plan) {
    SlotTarget target;
    target.drive = drive;
    target.slot = item.slot;
    target.highDensity = header.IsHighDensity();
    // An empty name keeps the slot's own.
    if (!item.name.empty()) target.name = item.name;
    ByteBuffer image;
    image.reserve(kContainerBlockSize);
    if ((item.code =
             CardLoadImageFile(InFolder(result.folder, item.file), image, imageSize, steps)) != 0) {
      // The file changed or went since the plan; its slot stays as it was.
      item.slot = -1;
      result.refused.push_back(item);
      progress.Step();
      continue;
    }
    if ((result.code = CardWriteSlot(target, image, steps)) != 0) {
      item.code = result.code;
      result.refused.push_back(item);
      return result;
    }
    result.done.push_back(item);
    progress.Step();
  }
  return result;
}

std::string ImageSetSummary(const ImageSetResult& result, bool imported,
                            const std::function<std::string(int)>& codeText) {
  // Stopped before any file: the code says it all (nothing for a cancel).
  if (result.code != 0 && result.done.empty() && result.refused.empty()) {
    return codeText(result.code);
  }
  if (result.notFitting != 0) {
    return Localized("The folder holds ", "Der Ordner enthält ") +
           std::to_string(result.imageCount) +
           Localized(" images for a container of ", " Abbilder für einen Container mit ") +
           std::to_string(result.slotCount) + Localized(" slots: ", " Plätzen: ") +
           std::to_string(result.notFitting) +
           Localized(" would not fit. Nothing was written.",
                     " hätten keinen Platz. Es wurde nichts geschrieben.");
  }
  std::string text = std::to_string(result.done.size()) +
                     (imported ? Localized(" images written into the slots from ",
                                           " Abbilder in die Plätze geschrieben aus ")
                               : Localized(" images exported to ", " Abbilder exportiert nach ")) +
                     result.folder + ".";
  if (!result.refused.empty()) {
    text += "\n" + (imported ? Localized("Refused:", "Abgelehnt:")
                             : Localized("Not exported:", "Nicht exportiert:"));
    for (const ImageSetItem& item : result.refused) {
      std::string why = item.reason.empty() ? codeText(item.code) : item.reason;
      while (!why.empty() && (why.back() == '\n' || why.back() == ' ')) why.pop_back();
      text += "\n" + item.file + ": " + why;
    }
  }
  if (result.code != 0 && !result.refused.empty() &&
      result.refused.back().file != kImageSetIndexName) {
    text += "\n" + Localized("The rest of the set was left alone.",
                             "Der Rest des Satzes blieb unberührt.");
  }
  return text;
}
