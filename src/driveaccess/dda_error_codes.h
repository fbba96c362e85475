// Result codes of raw disk access. Other components return some of them for
// their own size and file checks (wrong image size, file not found), so the
// main window shows them all through one text function.
#pragma once

inline constexpr int DDA_NO_ERROR = 0;
inline constexpr int DDA_ERR_DRIVE_NOT_OPEN = -701;
inline constexpr int DDA_ERR_READ = -702;
inline constexpr int DDA_ERR_WRITE = -703;
inline constexpr int DDA_ERR_INVALID_DRIVE = -704;
inline constexpr int DDA_ERR_ALREADY_OPEN = -705;
inline constexpr int DDA_ERR_OPEN = -706;
inline constexpr int DDA_ERR_GEOMETRY = -707;
inline constexpr int DDA_ERR_FLUSH = -708;
inline constexpr int DDA_ERR_SECTOR_SIZE = -709;
inline constexpr int DDA_ABORTED = -710;
inline constexpr int DDA_ERR_NO_PHYSICAL_NAME = -711;
inline constexpr int DDA_ERR_DRIVE_INFO = -712;
inline constexpr int DDA_ERR_DRIVE_TYPE = -713;
inline constexpr int DDA_ERR_SET_POSITION = -714;
inline constexpr int DDA_ERR_OPEN_FILE = -715;
inline constexpr int DDA_ERR_NO_DRIVE = -716;
inline constexpr int DDA_ERR_WRONG_FLOPPY_SIZE = -717;  // image is neither HD nor DD size
inline constexpr int DDA_ERR_NO_IMAGE_SELECTED = -718;
inline constexpr int DDA_ERR_WRONG_IMAGE_SIZE = -719;
inline constexpr int DDA_ERR_FILE_NOT_FOUND = -720;
inline constexpr int DDA_ERR_ACCESS_DENIED = -721;
