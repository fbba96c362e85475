#include "platform/linux/virtual_drive_record.h"

#include <cstdlib>
#include <map>
#include <sstream>

namespace platform {
namespace {
std::string Escape(const std::string& value) {
  std::string out;
  for (const char c : value) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

std::string Unescape(const std::string& value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) {
      ++i;
      out += value[i] == 'n' ? '\n' : value[i];
    } else {
      out += value[i];
    }
  }
  return out;
}

bool ParseCount(const std::string& text, unsigned long limit, unsigned long* value) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
  if (text.size() > 10) return false;
  *value = std::strtoul(text.c_str(), nullptr, 10);
  return *value <= limit;
}

const char* MethodName(VirtualMountMethod method) {
  return method == VirtualMountMethod::kUdisks ? "udisks" : "fatfs";
}
}  // namespace

std::string FormatVirtualDriveRecord(const VirtualDriveRecord& record) {
  std::ostringstream out;
  out << "number=" << record.number << '\n'
      << "letter=" << record.letter << '\n'
      << "image=" << Escape(record.image) << '\n'
      << "folder=" << Escape(record.folder) << '\n'
      << "method=" << MethodName(record.method) << '\n'
      << "process=" << record.process << '\n'
      << "device=" << Escape(record.device) << '\n'
      << "object=" << Escape(record.object) << '\n'
      << "readonly=" << (record.readOnly ? 1 : 0) << '\n';
  return out.str();
}

std::optional<VirtualDriveRecord> ParseVirtualDriveRecord(const std::string& text) {
  std::map<std::string, std::string> fields;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    fields[line.substr(0, equals)] = Unescape(line.substr(equals + 1));
  }
  VirtualDriveRecord record;
  unsigned long number = 0;
  unsigned long process = 0;
  const std::string& letter = fields["letter"];
  const std::string& method = fields["method"];
  if (!ParseCount(fields["number"], 31, &number) || letter.size() != 1 || letter[0] < 'A' ||
      letter[0] > 'Z' || !ParseCount(fields["process"], 0x7FFFFFFF, &process) ||
      fields["image"].empty() || fields["folder"].empty() ||
      (method != "fatfs" && method != "udisks")) {
    return std::nullopt;
  }
  record.number = static_cast<std::uint32_t>(number);
  record.letter = letter[0];
  record.image = fields["image"];
  record.folder = fields["folder"];
  record.method = method == "udisks" ? VirtualMountMethod::kUdisks : VirtualMountMethod::kFatfs;
  record.process = static_cast<long>(process);
  record.device = fields["device"];
  record.object = fields["object"];
  record.readOnly = fields["readonly"] == "1";
  return record;
}

const MountEntry* TopMountAt(const std::vector<MountEntry>& mounts, const std::string& folder) {
  const MountEntry* top = nullptr;
  for (const MountEntry& m : mounts) {
    if (m.mountPoint == folder) top = &m;  // mountinfo lists mounts in the order they were made
  }
  return top;
}

bool IsVirtualDriveMounted(const VirtualDriveRecord& record,
                           const std::vector<MountEntry>& mounts) {
  const MountEntry* mount = TopMountAt(mounts, record.folder);
  if (mount == nullptr) return false;
  if (record.method == VirtualMountMethod::kFatfs) {
    return mount->fsType == kFatfsFileSystemType && mount->source == record.image;
  }
  return !record.device.empty() && mount->source == record.device;
}

}  // namespace platform
