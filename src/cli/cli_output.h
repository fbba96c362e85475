// What quillfen-cli says besides its results: failures with the text the
// desktop window would show for the code, usage errors, the usage text.
#pragma once

#include <cstdio>
#include <string>

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Prints the code's text on standard error; kExitOk for 0, else kExitFailed.
int ReportResult(int code);
// Prints "quillfen-cli: <message>" on standard error; kExitFailed.
int Failure(const std::string& message);
// For an input file that is a device or a pipe: "quillfen-cli: <path>: not
// a regular file ..."; kExitFailed.
int NotARegularFile(const std::string& path);
// True when the card can store the name (every character has a
// Windows-1252 byte); else prints which character it cannot store.
bool CheckNameArgument(const std::string& name);
// Prints the message and the usage text on standard error; kExitUsage.
int UsageError(const std::string& message);
void PrintUsage(std::FILE* out);
void PrintVersion(std::FILE* out);
