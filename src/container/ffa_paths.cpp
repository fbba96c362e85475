#include <cstdio>

#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "platform/files.h"

std::string FfaGetFolderPath(char drive) {
  char path[32];
  std::snprintf(path, sizeof path, "%c:\\DornveldFLP", drive);
  return path;
}

std::string FfaGetContainerPath(char drive) {
  char path[48];
  std::snprintf(path, sizeof path, "%c:\\DornveldFLP\\DornveldCIF.dfp", drive);
  return path;
}

int FfaContainerExists(char drive) {
  return platform::PathExists(FfaGetContainerPath(drive)) ? FFA_OK : FFA_ERR_NOT_FOUND;
}
