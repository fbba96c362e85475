// Test data: pseudo-random bytes and whole host files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace testsupport {

// Pseudo-random bytes, the same for the same seed.
std::string TestBytes(std::size_t size, std::uint32_t seed);

// Writes or replaces a host file; false when that failed.
bool WriteHostFile(const std::string& path, const std::string& content);
// Reads a whole host file; false when it cannot be opened.
bool ReadHostFile(const std::string& path, std::string* content);
// `count` bytes of a host file from `offset`, fewer at its end; empty when it
// cannot be opened.
std::string ReadHostBytes(const std::string& path, std::uint64_t offset, std::size_t count);

}  // namespace testsupport
