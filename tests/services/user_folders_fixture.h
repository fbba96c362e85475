// Points the user's configuration and data folders (and the program path the
// profile is named after) at a fresh temporary folder for one test.
#pragma once

#include "platform/process.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

class ScopedVariable {
 public:
  ScopedVariable(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedVariable() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class UserFoldersTest : public ::testing::Test {
 protected:
  UserFoldersTest()
      : config_("XDG_CONFIG_HOME", dir_.File("config")), data_("XDG_DATA_HOME", dir_.File("data")) {
    platform::SetModuleFileNameOverride("/opt/Quill Tools/quillfen");
  }
  ~UserFoldersTest() override { platform::SetModuleFileNameOverride(""); }

  std::string ConfigFile(const std::string& name) const { return dir_.File("config/" + name); }
  std::string DataFile(const std::string& name) const { return dir_.File("data/" + name); }

  testsupport::TempDir dir_;
  ScopedVariable config_;
  ScopedVariable data_;
};
