// Result codes of the container store and their texts.
#pragma once

#include <string>

inline constexpr int FFA_OK = 0;
inline constexpr int FFA_ERR_TOO_MANY_IMAGES = -201;
inline constexpr int FFA_ERR_TOO_FEW_IMAGES = -202;
inline constexpr int FFA_ERR_SET_ATTRIBUTES = -203;
inline constexpr int FFA_ERR_DELETE = -204;
inline constexpr int FFA_ERR_NOT_FOUND = -205;
inline constexpr int FFA_ERR_CREATE = -206;
inline constexpr int FFA_ERR_WRITE = -207;
inline constexpr int FFA_ERR_FREE_SPACE = -208;
inline constexpr int FFA_ERR_FRAGMENTED = -209;
inline constexpr int FFA_ERR_START_SECTOR_RANGE = -210;
inline constexpr int FFA_ERR_NO_SIGNATURE = -211;
inline constexpr int FFA_ERR_OPEN = -212;
// The card did not keep what was written (write_verify.h).
inline constexpr int FFA_ERR_VERIFY = -213;

// True for every code from -213 to -200.
bool FfaIsError(int code);
// The code's text in the current language; codes without a row of their own
// read "FFA-Error: Unknown  <code> !".
std::string FfaErrorText(int code);
