#include "platform/linux/block_device_info.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace platform {
namespace {
bool StartsWith(const std::string& text, const char* prefix) {
  return text.rfind(prefix, 0) == 0;
}

bool IsDigits(const std::string& text, std::size_t from) {
  if (from >= text.size()) return false;
  for (std::size_t i = from; i < text.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
  }
  return true;
}

std::string Trim(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t\n");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\n") - first + 1);
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The product name as the storage device descriptor gives it: the model of
// the SCSI inquiry (what sysfs shows), else udev's.
std::string ProductOf(const BlockDeviceSnapshot& disk) {
  std::string product = Trim(disk.model);
  if (product.empty()) product = Trim(DecodeUdevString(disk.Udev("ID_MODEL_ENC")));
  if (product.empty()) {
    product = disk.Udev("ID_MODEL");
    for (char& c : product) {
      if (c == '_') c = ' ';
    }
    product = Trim(product);
  }
  return product;
}
}  // namespace

std::string ReaderNameOf(const BlockDeviceSnapshot& disk) {
  std::string vendor = Trim(disk.vendor);
  if (vendor.empty()) vendor = Trim(DecodeUdevString(disk.Udev("ID_VENDOR_ENC")));
  const std::string model = ProductOf(disk);
  if (vendor.empty() || model.empty()) return vendor + model;
  return vendor + " " + model;
}

bool PathRunsThroughUsb(const std::string& sysfsPath) {
  std::istringstream parts(sysfsPath);
  std::string part;
  while (std::getline(parts, part, '/')) {
    if (StartsWith(part, "usb") && IsDigits(part, 3)) return true;
  }
  return false;
}

DeviceClass ClassifyBlockDevice(const BlockDeviceSnapshot& disk) {
  DeviceClass c;
  const std::string bus = disk.Udev("ID_BUS");
  const bool usb = PathRunsThroughUsb(disk.sysfsPath) || bus == "usb";
  // A USB floppy drive is a small removable SCSI disk: udev marks the ones
  // it knows; any other shows itself by a disk of exactly a floppy's size
  // (2880 or 1440 sectors of 512 bytes).
  const bool floppySized = disk.sizeSectors == 2880 || disk.sizeSectors == 1440;
  c.floppy = (StartsWith(disk.name, "fd") && IsDigits(disk.name, 2)) ||
             disk.Udev("ID_DRIVE_FLOPPY") == "1" || (usb && disk.removable && floppySized);
  c.cdrom = !c.floppy && ((StartsWith(disk.name, "sr") && IsDigits(disk.name, 2)) ||
                          disk.Udev("ID_CDROM") == "1");
  c.hasMedium = disk.sizeSectors != 0;
  if (c.cdrom) {
    c.type = DriveType::kCdrom;
  } else if ((StartsWith(disk.name, "ram") && IsDigits(disk.name, 3)) ||
             (StartsWith(disk.name, "zram") && IsDigits(disk.name, 4))) {
    c.type = DriveType::kRamdisk;
  } else if (c.floppy || disk.removable || disk.desktopRemovable) {
    c.type = DriveType::kRemovable;
  } else {
    c.type = DriveType::kFixed;
  }
  // A device on USB or FireWire, or on a port that says so, may go away
  // at any time.
  c.storage.hotplug = usb || bus == "ieee1394" || disk.portConnectType == "hotplug";
  c.storage.busType = usb ? kBusTypeUsb : 0;
  c.storage.productId = ProductOf(disk);
  return c;
}

std::map<std::string, std::string> ParseUdevData(const std::string& text) {
  std::map<std::string, std::string> properties;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (!StartsWith(line, "E:")) continue;
    const std::size_t equals = line.find('=', 2);
    if (equals == std::string::npos || equals == 2) continue;
    properties[line.substr(2, equals - 2)] = line.substr(equals + 1);
  }
  return properties;
}

std::string DecodeUdevString(const std::string& encoded) {
  std::string out;
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    if (encoded[i] == '\\' && i + 3 < encoded.size() && encoded[i + 1] == 'x') {
      const int high = HexValue(encoded[i + 2]);
      const int low = HexValue(encoded[i + 3]);
      if (high >= 0 && low >= 0) {
        out.push_back(static_cast<char>(high * 16 + low));
        i += 3;
        continue;
      }
    }
    out.push_back(encoded[i]);
  }
  return out;
}

bool DeviceNameLess(const std::string& a, const std::string& b) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    const bool da = std::isdigit(static_cast<unsigned char>(a[i])) != 0;
    const bool db = std::isdigit(static_cast<unsigned char>(b[j])) != 0;
    if (da && db) {
      std::size_t ei = i;
      std::size_t ej = j;
      while (ei < a.size() && std::isdigit(static_cast<unsigned char>(a[ei]))) ++ei;
      while (ej < b.size() && std::isdigit(static_cast<unsigned char>(b[ej]))) ++ej;
      // Leading zeros aside, the longer run of digits is the larger number.
      std::string na = a.substr(i, ei - i);
      std::string nb = b.substr(j, ej - j);
      na.erase(0, std::min(na.find_first_not_of('0'), na.size() - 1));
      nb.erase(0, std::min(nb.find_first_not_of('0'), nb.size() - 1));
      if (na.size() != nb.size()) return na.size() < nb.size();
      if (na != nb) return na < nb;
      i = ei;
      j = ej;
    } else {
      if (a[i] != b[j]) return a[i] < b[j];
      ++i;
      ++j;
    }
  }
  if (a.size() - i != b.size() - j) return a.size() - i < b.size() - j;
  return a < b;  // equal by value ("loop2", "loop02"): a fixed order all the same
}

}  // namespace platform
