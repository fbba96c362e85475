#include "platform/drive_letter_query.h"

#include <mutex>
#include <utility>

#include "platform/drive.h"

namespace platform {
namespace {
std::mutex g_mutex;
DriveLetterQuery g_query;
}  // namespace

bool IsDriveLetterInUse(char letter) {
  DriveLetterQuery query;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    query = g_query;
  }
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  return query ? query(letter) : FindDrive(letter) != nullptr;
}

DriveLetterQuery SetDriveLetterQuery(DriveLetterQuery query) {
  std::lock_guard<std::mutex> lock(g_mutex);
  return std::exchange(g_query, std::move(query));
}

}  // namespace platform
