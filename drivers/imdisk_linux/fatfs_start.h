// How quillfen-fatfs starts: its command line, the mount options it gives
// libfuse, and the mount that goes into the background only once it is in
// place, so that whoever started the program finds the mount live when the
// program returns.
#pragma once

#include <string>
#include <vector>

struct fuse_operations;

namespace fatfs {

struct FatfsCommandLine {
  std::string image;
  std::string folder;
  bool readOnly = false;
};

// "quillfen-fatfs [-r] [--] IMAGE FOLDER" (the program's name first). False
// with the reason in *why when it is not that.
bool ParseFatfsCommandLine(const std::vector<std::string>& args, FatfsCommandLine* line,
                           std::string* why);

// The options for libfuse: the image as the mount's source (with the commas
// and backslashes escaped that libfuse would split at), our file system type,
// large writes, read-only where asked.
std::string FatfsMountOptions(const std::string& image, bool readOnly);

// Mounts the file system at `folder` and goes into the background: the
// calling process ends with exit code 0 as soon as the serving process runs.
// The serving process, detached from the terminal, serves requests until the
// file system is unmounted (from outside, or on SIGTERM, SIGINT or SIGHUP)
// and then returns 0 (1 when serving failed). Returns 1 in the calling
// process when the mount could not be made; nothing is mounted then.
int ServeInBackground(const std::string& folder, const std::string& options,
                      const fuse_operations& operations, void* data);

}  // namespace fatfs
