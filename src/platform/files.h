// Files on drives (`X:\...`) and on the host, with the Windows rules the
// container store relies on: exclusive opens, read-only files refused for
// writing and deleting, attributes read-only/hidden/system/archive/normal.
//
// Every call that fails leaves a Windows-numbered code in GetLastError().
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// Desired access.
inline constexpr std::uint32_t kGenericRead = 0x80000000;
inline constexpr std::uint32_t kGenericWrite = 0x40000000;

// Creation disposition, numbered as on Windows.
enum class Disposition : std::uint32_t {
  kCreateNew = 1,         // fails when the file exists
  kCreateAlways = 2,      // creates, or truncates an existing file
  kOpenExisting = 3,      // fails when the file does not exist
  kOpenAlways = 4,        // opens, or creates a missing file
  kTruncateExisting = 5,  // opens and truncates; fails when missing
};

// Flags.
inline constexpr std::uint32_t kFlagNoBuffering = 0x20000000;  // bypass the cache where offered

// File attributes, valued as on Windows.
inline constexpr std::uint32_t kAttributeReadOnly = 0x01;
inline constexpr std::uint32_t kAttributeHidden = 0x02;
inline constexpr std::uint32_t kAttributeSystem = 0x04;
inline constexpr std::uint32_t kAttributeDirectory = 0x10;
inline constexpr std::uint32_t kAttributeArchive = 0x20;
inline constexpr std::uint32_t kAttributeNormal = 0x80;
inline constexpr std::uint32_t kInvalidFileAttributes = 0xFFFFFFFF;

enum class SeekOrigin { kBegin = 0, kCurrent = 1, kEnd = 2 };

// One open file of a volume backend. Calls return 0 or an error code.
class IFile {
 public:
  virtual ~IFile() = default;
  virtual std::uint32_t Read(void* buffer, std::uint32_t count, std::uint32_t* done) = 0;
  virtual std::uint32_t Write(const void* buffer, std::uint32_t count, std::uint32_t* done) = 0;
  virtual std::uint32_t Seek(std::int64_t distance, SeekOrigin origin, std::uint64_t* position) = 0;
  // Sets the length; the position stays where it is.
  virtual std::uint32_t SetLength(std::uint64_t length) = 0;
  virtual std::uint32_t Flush() = 0;
  // Writes out what is buffered and releases the file.
  virtual std::uint32_t Close() = 0;
};

// An open file handle. Closing happens at the latest in the destructor.
class File {
 public:
  File() = default;
  explicit File(std::unique_ptr<IFile> file) : file_(std::move(file)) {}
  File(File&&) noexcept = default;
  File& operator=(File&& other) noexcept;
  ~File();

  bool IsOpen() const { return file_ != nullptr; }
  bool Read(void* buffer, std::uint32_t count, std::uint32_t* done = nullptr);
  bool Write(const void* buffer, std::uint32_t count, std::uint32_t* done = nullptr);
  // Reads or writes exactly count bytes; a short transfer is a failure
  // (kErrorHandleEof on reading, kErrorDiskFull on writing).
  bool ReadExact(void* buffer, std::uint32_t count);
  bool WriteExact(const void* buffer, std::uint32_t count);
  bool Seek(std::int64_t distance, SeekOrigin origin, std::uint64_t* position = nullptr);
  bool SetLength(std::uint64_t length);
  bool Flush();
  bool Close();

 private:
  bool Done(std::uint32_t code);
  std::unique_ptr<IFile> file_;
};

// Opens a file. Files are always opened exclusively: a second open of the
// same file, in this process or another, fails with kErrorSharingViolation.
File OpenFile(const std::string& path, std::uint32_t access, Disposition disposition,
              std::uint32_t flags = 0);

// kInvalidFileAttributes when the path does not exist.
std::uint32_t GetAttributes(const std::string& path);
bool SetAttributes(const std::string& path, std::uint32_t attributes);
bool PathExists(const std::string& path);
bool RemoveFile(const std::string& path);
bool MakeFolder(const std::string& path);
bool RemoveFolder(const std::string& path);
// The names of the plain files in a folder, sorted by their bytes; false
// (kErrorPathNotFound, kErrorDirectory, ...) when the folder cannot be read.
bool ListFolderFiles(const std::string& path, std::vector<std::string>* names);
// The length of a file (GetFileAttributesExA); false when it cannot be read.
bool GetFileSize(const std::string& path, std::uint64_t* size);
// True when both paths reach one existing file: where the volumes can tell,
// by the file's identity (so a card's mount reached through its drive letter
// and as a host path is one file); elsewhere by the paths compared without
// regard to case, as Windows compares them.
bool IsSameFile(const std::string& first, const std::string& second);
// Bytes [offset, offset + count) of a file as the card holds them, read past
// the host's caches (the read-back of a verify); kErrorHandleEof when the
// file ends before the range does.
bool ReadFileFromMedium(const std::string& path, std::uint64_t offset, void* buffer,
                        std::uint32_t count);
// Copies a file, replacing the target unless failIfExists.
bool CopyFileTo(const std::string& source, const std::string& target, bool failIfExists);
// Waits until the medium of the volume that holds root ("X:\") holds
// everything written to it so far.
bool FlushVolume(const std::string& root);
// Free bytes for the calling user and total bytes of the volume that holds
// root ("X:\" or a host folder).
bool GetDiskFreeSpace(const std::string& root, std::uint64_t* freeToCaller,
                      std::uint64_t* totalBytes);

}  // namespace platform
