#include "platform/card_image_file.h"

#include "platform/errors.h"
#include "platform/file_sector_device.h"
#include "platform/windows/win32_file.h"

namespace platform {

bool MakeCardImage(const std::string& path, const fat::CardImageOptions& options,
                   fat::Status* status) {
  *status = fat::CheckCardImageOptions(options);
  if (!status->ok()) return false;
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    *status = fat::Fail(error == ERROR_ACCESS_DENIED ? fat::Error::kAccessDenied : fat::Error::kIo,
                        "create " + path + ": " + SystemErrorText(error));
    return false;
  }
  LARGE_INTEGER end{};
  end.QuadPart = static_cast<LONGLONG>(options.sizeBytes);
  if (!SetFilePointerEx(handle, end, nullptr, FILE_BEGIN) || !SetEndOfFile(handle)) {
    *status = fat::Fail(fat::Error::kIo, "size " + path + ": " + SystemErrorText(::GetLastError()));
    CloseHandle(handle);
    return false;
  }
  auto disk = FileSectorDevice::FromHandle(NativeOf(handle), true, status);
  if (!disk) {
    CloseHandle(handle);
    return false;
  }
  *status = fat::FormatCardImage(*disk, options);
  disk.reset();
  CloseHandle(handle);
  return status->ok();
}

}  // namespace platform
