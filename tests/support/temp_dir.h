// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes away.
#pragma once

#include <string>

namespace testsupport {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + name
  std::string File(const std::string& name) const;

 private:
  std::string path_;
};

// Runs a shell command and returns its exit status; its standard output goes
// into *output when given.
int RunCommand(const std::string& command, std::string* output = nullptr);

// True when the program is on the PATH.
bool HaveProgram(const std::string& name);

}  // namespace testsupport
