#include "container/slot_records.h"

#include <algorithm>

#include "container/container_layout.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "container/write_verify.h"
#include "driveaccess/dda_error_codes.h"
#include "platform/errors.h"
#include "platform/files.h"

int FfaReadSlotRecords(const std::string& path, std::uint32_t first, std::uint32_t count,
                       std::vector<std::uint8_t>& records, std::uint32_t* read) {
  if (read != nullptr) *read = 0;
  records.assign(static_cast<std::size_t>(count) * kSlotInfoSize, 0);
  platform::File file =
      platform::OpenFile(path, platform::kGenericRead, platform::Disposition::kOpenExisting);
  if (!file.IsOpen()) return DDA_ERR_FILE_NOT_FOUND;
  for (std::uint32_t i = 0; i < count; ++i) {
    const auto offset = static_cast<std::int64_t>(GetSlotPartOffset(first + i, kSlotPartSlotInfo));
    std::uint64_t position = 0;
    if (!file.Seek(offset, platform::SeekOrigin::kBegin, &position) ||
        position != static_cast<std::uint64_t>(offset)) {
      return DDA_ERR_SET_POSITION;
    }
    if (!file.ReadExact(records.data() + static_cast<std::size_t>(i) * kSlotInfoSize,
                        kSlotInfoSize)) {
      return static_cast<int>(platform::GetLastError());
    }
    if (read != nullptr) *read = i + 1;
  }
  return 0;
}

int FfaPeekSlotImage(const std::string& path, std::uint32_t slot,
                     std::vector<std::uint8_t>& buffer) {
  platform::File file =
      platform::OpenFile(path, platform::kGenericRead, platform::Disposition::kOpenExisting);
  if (!file.IsOpen()) return DDA_ERR_FILE_NOT_FOUND;
  const auto offset = static_cast<std::int64_t>(GetSlotPartOffset(slot, kSlotPartImage));
  std::uint64_t position = 0;
  if (!file.Seek(offset, platform::SeekOrigin::kBegin, &position) ||
      position != static_cast<std::uint64_t>(offset)) {
    return DDA_ERR_SET_POSITION;
  }
  if (!file.ReadExact(buffer.data(), static_cast<std::uint32_t>(buffer.size()))) {
    return static_cast<int>(platform::GetLastError());
  }
  return 0;
}

int FfaReadSlotInfo(const std::string& path, std::uint32_t slot, std::uint8_t* record) {
  std::vector<std::uint8_t> records;
  const int rc = FfaReadSlotRecords(path, slot, 1, records);
  if (rc == DDA_ERR_FILE_NOT_FOUND || rc == DDA_ERR_SET_POSITION) return rc;
  std::copy(records.begin(), records.end(), record);
  return 0;
}

int FfaWriteSlotRecord(const std::string& path, std::uint32_t slot, const std::uint8_t* record) {
  if (const int rc = FfaSetProtection(path, false)) return rc;
  int result = 0;
  {
    platform::File file = platform::OpenFile(path, platform::kGenericRead | platform::kGenericWrite,
                                             platform::Disposition::kOpenExisting);
    const auto offset = static_cast<std::int64_t>(GetSlotPartOffset(slot, kSlotPartSlotInfo));
    std::uint64_t position = 0;
    std::uint64_t end = 0;
    if (!file.IsOpen()) {
      result = DDA_ERR_FILE_NOT_FOUND;
    } else if (!file.Seek(0, platform::SeekOrigin::kEnd, &end) ||
               end < static_cast<std::uint64_t>(offset) + kSlotInfoSize) {
      // A container shorter than its header says is never grown by a record.
      result = DDA_ERR_SET_POSITION;
    } else if (!file.Seek(offset, platform::SeekOrigin::kBegin, &position) ||
               position != static_cast<std::uint64_t>(offset)) {
      result = DDA_ERR_SET_POSITION;
    } else if (!file.WriteExact(record, kSlotInfoSize)) {
      result = FFA_ERR_WRITE;
    }
    if (file.IsOpen() && !file.Close() && result == 0) result = FFA_ERR_WRITE;
  }
  const int protectedAgain = FfaSetProtection(path, true);
  const int flushed = FfaFlushCard(path);
  if (result != 0) return result;
  if (protectedAgain != 0) return protectedAgain;
  if (flushed != 0) return flushed;
  return FfaVerifyWritten(path, GetSlotPartOffset(slot, kSlotPartSlotInfo), record, kSlotInfoSize);
}
