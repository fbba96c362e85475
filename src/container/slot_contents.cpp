#include "container/slot_contents.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>

#include "base/bytes.h"
#include "base/current_language.h"
#include "base/windows1252.h"
#include "container/ffa_template.h"
#include "container/floppy_kind.h"
#include "fat/boot_sector.h"
#include "fat/volume.h"

namespace {

// The image as a read-only device, without a copy of its 1.4 MB.
class ImageView : public fat::ISectorDevice {
 public:
  ImageView(const std::uint8_t* bytes, std::size_t size) : bytes_(bytes), size_(size) {}
  std::uint32_t SectorSize() const override { return kFloppySectorSize; }
  std::uint64_t SectorCount() const override { return size_ / kFloppySectorSize; }
  fat::Status ReadSectors(std::uint64_t first, std::uint32_t count, void* buffer) override {
    fat::Status s = fat::CheckRange(first, count, SectorCount());
    if (s.ok()) std::memcpy(buffer, bytes_ + first * kFloppySectorSize, count * kFloppySectorSize);
    return s;
  }
  fat::Status WriteSectors(std::uint64_t, std::uint32_t, const void*) override {
    return fat::Fail(fat::Error::kReadOnly, "the slot image is read only");
  }
  fat::Status Sync() override { return fat::Status::Ok(); }

 private:
  const std::uint8_t* bytes_;
  std::size_t size_;
};

// Bounds of the walk, so that a folder tree made to loop or to be huge ends.
constexpr int kMaxDepth = 32;
constexpr std::uint32_t kMaxEntries = 20000;

const ByteBuffer& BlankTemplate(bool highDensity) {
  static const ByteBuffer hd = [] {
    ByteBuffer b;
    return FfaLoadTemplate(true, b) ? b : ByteBuffer();
  }();
  static const ByteBuffer dd = [] {
    ByteBuffer b;
    return FfaLoadTemplate(false, b) ? b : ByteBuffer();
  }();
  return highDensity ? hd : dd;
}

// Control characters never reach a list or a terminal.
std::string Printable(std::string text) {
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  }
  return text;
}

std::string TrimmedField(const std::uint8_t* field, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(field), size);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
  return Printable(Windows1252ToUtf8(text));
}

std::string HexBytes(const std::uint8_t* bytes, std::size_t count) {
  std::string out;
  char cell[4];
  for (std::size_t i = 0; i < count; ++i) {
    std::snprintf(cell, sizeof cell, i == 0 ? "%02X" : " %02X", bytes[i]);
    out += cell;
  }
  return out;
}

SlotContents Unreadable(std::string reason) {
  SlotContents c;
  c.kind = SlotContentKind::kUnreadable;
  c.reason = std::move(reason);
  return c;
}

class Walker {
 public:
  explicit Walker(fat::Volume& volume) : volume_(volume) {}

  // Counts files and folders below `path`; checks that each file's clusters
  // hold its size, so that a FAT cut short shows.
  fat::Status Walk(const std::string& path, int depth, SlotContents& out) {
    if (depth > kMaxDepth) return fat::Fail(fat::Error::kCorrupt, "folders nested too deep");
    std::vector<fat::DirEntryInfo> entries;
    fat::Status s = volume_.ListDirectory(path, &entries);
    if (!s.ok()) return s;
    for (const fat::DirEntryInfo& e : entries) {
      if (++seen_ > kMaxEntries) return fat::Fail(fat::Error::kCorrupt, "too many entries");
      const std::string child = path.empty() ? e.longName : path + "/" + e.longName;
      if (depth == 0) {
        ++out.rootEntries;
        if (out.rootNames.size() < kSlotRootNamesKept) {
          out.rootNames.push_back(Printable(e.longName) + (e.isDirectory() ? "/" : ""));
        }
      }
      if (e.isDirectory()) {
        if (!folders_.insert(e.firstCluster).second) {
          return fat::Fail(fat::Error::kCorrupt, "folder '" + child + "' is linked twice");
        }
        ++out.folders;
        s = Walk(child, depth + 1, out);
      } else {
        ++out.files;
        s = CheckChain(child, e);
      }
      if (!s.ok()) return s;
    }
    return fat::Status::Ok();
  }

 private:
  fat::Status CheckChain(const std::string& path, const fat::DirEntryInfo& e) {
    std::vector<fat::ClusterRun> runs;
    fat::Status s = volume_.ClusterRuns(path, &runs);
    if (!s.ok()) return s;
    std::uint64_t clusters = 0;
    for (const fat::ClusterRun& r : runs) clusters += r.length;
    if (clusters * volume_.ClusterBytes() < e.size) {
      return fat::Fail(fat::Error::kCorrupt, "the FAT ends the chain of '" + path + "' early");
    }
    return fat::Status::Ok();
  }

  fat::Volume& volume_;
  std::set<std::uint32_t> folders_;
  std::uint32_t seen_ = 0;
};

std::string SizeText(std::uint64_t bytes) {
  char text[32];
  if (bytes >= 1024 * 1024) {
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
  } else {
    std::snprintf(text, sizeof text, "%u KB", static_cast<unsigned>((bytes + 512) / 1024));
  }
  std::string out = text;
  if (IsGermanLanguage()) std::replace(out.begin(), out.end(), '.', ',');
  return out;
}

std::string Count(std::uint32_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

SlotContents IdentifySlotImage(const std::uint8_t* image, std::size_t size, bool highDensity) {
  const FloppyKind& kind = GetFloppyKind(highDensity);
  if (size != kind.imageSize) {
    return Unreadable(Localized("the image holds ", "das Image hat ") + std::to_string(size) +
                      Localized(" bytes, not ", " Bytes, nicht ") + std::to_string(kind.imageSize));
  }
  const ByteBuffer& blank = BlankTemplate(highDensity);
  if (blank.size() == size && std::memcmp(blank.data(), image, size) == 0) {
    SlotContents c;
    c.kind = SlotContentKind::kBlank;
    return c;
  }
  if (std::all_of(image, image + size, [&](std::uint8_t b) { return b == image[0]; })) {
    SlotContents c;
    c.kind = SlotContentKind::kUnformatted;
    c.fillByte = image[0];
    return c;
  }

  ImageView device(image, size);
  fat::Geometry geometry;
  fat::Status status;
  if (!fat::ParseBootSector(image, device.SectorCount(), &geometry, &status)) {
    if (status.error != fat::Error::kNotFat) return Unreadable(status.message);
    SlotContents c;
    c.kind = SlotContentKind::kForeign;
    c.bootBytes = HexBytes(image, 8);
    return c;
  }
  std::unique_ptr<fat::Volume> volume = fat::Volume::Mount(device, false, &status);
  if (!volume) return Unreadable(status.message);

  SlotContents c;
  c.fatType = geometry.fatType;
  c.oemName = TrimmedField(image + 3, 8);
  c.totalSectors = geometry.totalSectors;
  c.sectorsPerTrack = le::Read16(image + 0x18);
  const std::uint32_t heads = le::Read16(image + 0x1A);
  const bool fits = geometry.fatType == 12 && geometry.totalSectors == size / kFloppySectorSize &&
                    c.sectorsPerTrack == static_cast<std::uint32_t>(kind.sectorsPerTrack) &&
                    heads == static_cast<std::uint32_t>(kind.heads);
  c.kind = fits ? SlotContentKind::kFat12 : SlotContentKind::kWrongGeometry;

  std::string label;
  status = volume->GetLabel(&label);
  if (!status.ok()) return Unreadable(status.message);
  label = TrimmedField(reinterpret_cast<const std::uint8_t*>(label.data()), label.size());
  c.label = label == "NO NAME" ? "" : label;
  status = Walker(*volume).Walk("", 0, c);
  if (!status.ok()) return Unreadable(status.message);
  c.freeBytes = volume->FreeBytes();
  c.usedBytes = volume->TotalBytes() - std::min(c.freeBytes, volume->TotalBytes());
  return c;
}

std::string SlotContentsSummary(const SlotContents& c) {
  switch (c.kind) {
    case SlotContentKind::kBlank:
      return Localized("blank", "leer");
    case SlotContentKind::kUnformatted:
      return Localized("unformatted", "unformatiert");
    case SlotContentKind::kForeign:
      return Localized("not FAT: ", "kein FAT: ") + c.bootBytes;
    case SlotContentKind::kUnreadable:
      return Localized("unreadable: ", "unlesbar: ") + c.reason;
    case SlotContentKind::kFat12:
    case SlotContentKind::kWrongGeometry:
      break;
  }
  std::string text = "FAT" + std::to_string(c.fatType);
  if (!c.label.empty()) text += " '" + c.label + "'";
  text += " \xC2\xB7 " + (IsGermanLanguage() ? Count(c.files, "Datei", "Dateien")
                                             : Count(c.files, "file", "files"));
  if (c.folders != 0) {
    text += " \xC2\xB7 " + (IsGermanLanguage() ? Count(c.folders, "Ordner", "Ordner")
                                               : Count(c.folders, "folder", "folders"));
  }
  text += " \xC2\xB7 " + SizeText(c.usedBytes) + Localized(" used", " belegt");
  if (c.kind == SlotContentKind::kWrongGeometry) {
    text +=
        Localized(" \xC2\xB7 not this slot's kind: ", " \xC2\xB7 nicht die Art dieses Platzes: ") +
        std::to_string(c.totalSectors) + Localized(" sectors, ", " Sektoren, ") +
        std::to_string(c.sectorsPerTrack) + Localized(" per track", " pro Spur");
  }
  return text;
}

std::string SlotRootNamesText(const SlotContents& c) {
  std::string text;
  for (const std::string& name : c.rootNames) {
    if (!text.empty()) text += '\n';
    text += name;
  }
  if (c.rootEntries > c.rootNames.size()) text += "\n...";
  return text;
}

const char* SlotContentKindWord(SlotContentKind kind) {
  switch (kind) {
    case SlotContentKind::kBlank:
      return "blank";
    case SlotContentKind::kUnformatted:
      return "unformatted";
    case SlotContentKind::kFat12:
      return "fat12";
    case SlotContentKind::kWrongGeometry:
      return "geometry";
    case SlotContentKind::kForeign:
      return "foreign";
    case SlotContentKind::kUnreadable:
      return "unreadable";
  }
  return "unreadable";
}
