#include "platform/windows/retrieval_pointers.h"

#include <cstring>

#include "platform/errors.h"
#include "platform/windows/win32.h"

namespace platform {
namespace {
// The kernel's own status codes and request block; winternl.h is not in
// every toolchain's headers in the same shape.
using NtStatus = LONG;
constexpr NtStatus kStatusSuccess = 0;
constexpr NtStatus kStatusPending = 0x103;
constexpr NtStatus kStatusBufferOverflow = static_cast<NtStatus>(0x80000005);
constexpr NtStatus kStatusEndOfFile = static_cast<NtStatus>(0xC0000011);

struct IoStatusBlock {
  union {
    NtStatus status;
    void* pointer;
  };
  ULONG_PTR information;
};

using NtFsControlFileFn = NtStatus(NTAPI*)(HANDLE file, HANDLE event, void* apcRoutine,
                                           void* apcContext, IoStatusBlock* ioStatus, ULONG code,
                                           void* in, ULONG inSize, void* out, ULONG outSize);
using RtlNtStatusToDosErrorFn = ULONG(NTAPI*)(NtStatus status);

// The lookups happen once; a failed one is not repeated.
template <typename Fn>
Fn NtdllFunction(const char* name) {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  if (ntdll == nullptr) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(ntdll, name)));
}

NtFsControlFileFn FsControl() {
  static const NtFsControlFileFn function = NtdllFunction<NtFsControlFileFn>("NtFsControlFile");
  return function;
}

std::uint32_t ErrorFromStatus(NtStatus status) {
  static const RtlNtStatusToDosErrorFn toDos =
      NtdllFunction<RtlNtStatusToDosErrorFn>("RtlNtStatusToDosError");
  const ULONG code = toDos != nullptr ? toDos(status) : 0;
  return code != 0 ? static_cast<std::uint32_t>(code) : kErrorGenFailure;
}

// One answer holds at most 256 extents: a count, the starting virtual
// cluster, then 16 bytes an extent.
constexpr ULONG kAnswerBytes = 4112;
constexpr std::size_t kHeaderBytes = 16;
constexpr std::size_t kExtentBytes = 16;

// Appends the runs of one answer; `vcn` moves past its last extent. False
// for an answer that does not go on from `vcn` or has an extent that ends
// before it begins: where such a file lies is not known.
bool TakeAnswer(const std::uint8_t* answer, std::size_t size, std::uint64_t* vcn,
                std::vector<IVolumeFiles::ClusterRun>* runs) {
  if (size < kHeaderBytes) return false;
  std::uint32_t count = 0;
  std::uint64_t start = 0;
  std::memcpy(&count, answer, sizeof count);
  std::memcpy(&start, answer + 8, sizeof start);
  const std::size_t fits = (size - kHeaderBytes) / kExtentBytes;
  if (count > fits) count = static_cast<std::uint32_t>(fits);
  if (start != *vcn) return false;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint64_t next = 0;
    std::uint64_t lcn = 0;
    std::memcpy(&next, answer + kHeaderBytes + i * kExtentBytes, sizeof next);
    std::memcpy(&lcn, answer + kHeaderBytes + i * kExtentBytes + 8, sizeof lcn);
    if (next <= start) return false;
    runs->push_back({start, lcn, next - start});
    start = next;
  }
  *vcn = start;
  return true;
}
}  // namespace

std::uint32_t QueryRetrievalPointers(const std::string& hostPath,
                                     std::vector<IVolumeFiles::ClusterRun>* runs) {
  runs->clear();
  const NtFsControlFileFn control = FsControl();
  if (control == nullptr) return kErrorProcNotFound;
  const HANDLE file =
      CreateFileA(hostPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_NO_BUFFERING, nullptr);
  if (file == INVALID_HANDLE_VALUE) return static_cast<std::uint32_t>(::GetLastError());
  std::uint64_t vcn = 0;
  std::uint32_t code = kErrorSuccess;
  alignas(8) std::uint8_t answer[kAnswerBytes];
  for (;;) {
    IoStatusBlock io{};
    std::int64_t starting = static_cast<std::int64_t>(vcn);
    NtStatus status = control(file, nullptr, nullptr, nullptr, &io, FSCTL_GET_RETRIEVAL_POINTERS,
                              &starting, sizeof starting, answer, kAnswerBytes);
    if (status == kStatusPending) {
      WaitForSingleObject(file, INFINITE);
      status = io.status;
    }
    if (status == kStatusEndOfFile) break;  // no clusters from vcn on
    if (status != kStatusSuccess && status != kStatusBufferOverflow) {
      code = ErrorFromStatus(status);
      break;
    }
    const std::uint64_t before = vcn;
    if (!TakeAnswer(answer, io.information != 0 ? io.information : kAnswerBytes, &vcn, runs)) {
      code = kErrorInvalidData;
      break;
    }
    // Done, or an overflow that gave nothing new (it would ask for ever).
    if (status == kStatusSuccess || vcn == before) break;
  }
  CloseHandle(file);
  if (code != kErrorSuccess) runs->clear();
  return code;
}

std::uint32_t QueryClusterSize(const std::string& root, std::uint32_t* sectorsPerCluster,
                               std::uint32_t* bytesPerSector) {
  DWORD sectors = 0;
  DWORD bytes = 0;
  DWORD freeClusters = 0;
  DWORD clusters = 0;
  if (!GetDiskFreeSpaceA(root.c_str(), &sectors, &bytes, &freeClusters, &clusters)) {
    return static_cast<std::uint32_t>(::GetLastError());
  }
  *sectorsPerCluster = sectors;
  *bytesPerSector = bytes;
  return kErrorSuccess;
}

}  // namespace platform
