// Result codes of file placement and their texts.
#pragma once

#include <string>

inline constexpr int DAV_NO_ERROR = 0;
inline constexpr int DAV_ERR_DRIVE_WRONG = -801;
inline constexpr int DAV_ERR_FILE_NOT_FOUND = -802;
inline constexpr int DAV_ERR_NO_FSCTL = -803;  // kept for its text; never produced here
inline constexpr int DAV_ERR_OPEN_FILE = -804;
inline constexpr int DAV_ERR_ENUM_CLUSTERS = -805;
inline constexpr int DAV_ERR_UNKNOWN_PARTITION = -806;
inline constexpr int DAV_ERR_NO_DRIVE = -807;
inline constexpr int DAV_ERR_NO_RIGHTS = -808;

// True for every code from -809 to -800.
bool DavIsError(int code);
// The code's text in the current language; codes without a row of their own
// read "DAV-Error: Unknown  <code> !".
std::string DavErrorText(int code);
