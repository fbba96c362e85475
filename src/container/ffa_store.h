// The file side of the container store: the container file on a card, its
// main header, creation, deletion, renaming, and slot transfers.
//
// Every operation takes the card's drive letter (or a path built from it),
// runs synchronously and returns 0 or a negative code of ffa_errors.h. None
// shows a message.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/bytes.h"

class IProgressOwner;
class IProgressStateCallback;

// "X:\DornveldFLP" and "X:\DornveldFLP\DornveldCIF.dfp".
std::string FfaGetFolderPath(char drive);
std::string FfaGetContainerPath(char drive);

// 0, or FFA_ERR_NOT_FOUND when the container file does not exist or cannot
// be looked at (GetLastError() then says which).
[[nodiscard]] int FfaContainerExists(char drive);

// True when the file opens for reading, holds at least 286 bytes and begins
// with the signature; the 286 bytes are copied to header as they are.
// When false, GetLastError() holds why the file could not be read
// (kErrorSharingViolation: open elsewhere), or 0 for a file without signature.
[[nodiscard]] bool FfaReadMainHeader(const std::string& path, std::uint8_t* header);
// FfaReadMainHeader as a result code: FFA_OK, FFA_ERR_OPEN for a container
// held open by another program (it cannot be opened at all), else
// FFA_ERR_NO_SIGNATURE.
[[nodiscard]] int FfaCheckMainHeader(const std::string& path, std::uint8_t* header);

// Names are UTF-8 text; the container stores them in Windows-1252. A name
// with a character that has no Windows-1252 byte is refused with
// platform::kErrorNoUnicodeTranslation before anything on the card changes.
[[nodiscard]] int FfaCreate(char drive, std::uint32_t imageCount, const std::string& name,
                            bool highDensity, IProgressOwner* parent);
[[nodiscard]] int FfaDelete(const std::string& path);
[[nodiscard]] int FfaDeleteOnDrive(char drive);
[[nodiscard]] int FfaErase(char drive);
[[nodiscard]] int FfaRename(char drive, const std::string& name);
// slot counts from 0; block is a slot block of BuildImageSlotBlock.
[[nodiscard]] int FfaWriteSlot(char drive, std::uint32_t slot, const ByteBuffer& block,
                               IProgressStateCallback* progress);
// Reads buffer.size() bytes from the slot's start. A read that fails returns
// the positive system code of the failure (kErrorHandleEof when the file ends
// before the slot does).
[[nodiscard]] int FfaReadSlot(char drive, std::uint32_t slot, ByteBuffer& buffer,
                              IProgressStateCallback* progress);

// Read-only and system when protect is true, normal otherwise.
[[nodiscard]] int FfaSetProtection(const std::string& path, bool protect);
// Waits until the card that holds `path` (any path on it) holds everything
// written to it; every operation that writes the card ends with it, so that
// the card can be pulled the moment the operation returns. FFA_ERR_WRITE
// when the card cannot confirm it.
[[nodiscard]] int FfaFlushCard(const std::string& path);

// Creates the file anew (replacing an old one) and writes bytes.
[[nodiscard]] bool FfaWriteFile(const std::string& path, const ByteBuffer& bytes);
// Reads a whole file of at most maxBytes bytes; bytes is resized to its
// length. Its length is checked before anything is read. When false,
// GetLastError() tells why: the file is missing (kErrorFileNotFound,
// kErrorPathNotFound), no file at all (kErrorBadFileType: a device or a pipe;
// kErrorAccessDenied: a folder), too long (kErrorFileTooLarge), or the
// open or read failed.
[[nodiscard]] bool FfaReadFile(const std::string& path, ByteBuffer& bytes, std::uint64_t maxBytes);

// Total and caller-free bytes of the drive's volume; none when the volume
// cannot tell.
[[nodiscard]] std::optional<std::uint64_t> FfaGetDriveTotalBytes(char drive);
[[nodiscard]] std::optional<std::uint64_t> FfaGetDriveFreeBytes(char drive);
// The largest image count for which a container still fits beside `reserve`
// bytes of other files, at most 99; 0 when the free bytes are unknown.
[[nodiscard]] unsigned FfaGetMaxImageCount(char drive, std::uint64_t reserve);
