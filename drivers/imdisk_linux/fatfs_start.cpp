#include "imdisk_linux/fatfs_start.h"

#include <fcntl.h>
#include <fuse.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/linux/mount_table.h"

namespace fatfs {
namespace {
// Standard input and output lead nowhere once the server is in the
// background, so that it holds no terminal or pipe of its starter.
void DetachFromStarter() {
  ::setsid();
  if (::chdir("/") != 0) {
    // Nothing depends on the working folder; it only must not hold a mount busy.
  }
  const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  if (null < 0) return;
  for (int fd = 0; fd <= 2; ++fd) ::dup2(null, fd);
  if (null > 2) ::close(null);
}

bool ReadyByte(int fd) {
  char byte = 0;
  ssize_t n;
  do {
    n = ::read(fd, &byte, 1);
  } while (n < 0 && errno == EINTR);
  return n == 1;
}

std::string Escaped(const std::string& value) {
  std::string out;
  for (const char c : value) {
    if (c == ',' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}
}  // namespace

bool ParseFatfsCommandLine(const std::vector<std::string>& args, FatfsCommandLine* line,
                           std::string* why) {
  *line = FatfsCommandLine{};
  std::vector<std::string> positional;
  bool options = true;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options && arg == "--") {
      options = false;
    } else if (options && arg == "-r") {
      line->readOnly = true;
    } else if (options && !arg.empty() && arg[0] == '-') {
      *why = "unknown option " + arg;
      return false;
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 2 || positional[0].empty() || positional[1].empty()) {
    *why = "an image file and a mount folder are needed";
    return false;
  }
  line->image = positional[0];
  line->folder = positional[1];
  return true;
}

std::string FatfsMountOptions(const std::string& image, bool readOnly) {
  std::string options = "fsname=" + Escaped(image) + ",subtype=" + platform::kFatfsProgram;
  options += ",big_writes";
  if (readOnly) options += ",ro";
  return options;
}

int ServeInBackground(const std::string& folder, const std::string& options,
                      const fuse_operations& operations, void* data) {
  fuse_args args = FUSE_ARGS_INIT(0, nullptr);
  if (fuse_opt_add_arg(&args, platform::kFatfsProgram) != 0 || fuse_opt_add_arg(&args, "-o") != 0 ||
      fuse_opt_add_arg(&args, options.c_str()) != 0) {
    fuse_opt_free_args(&args);
    return 1;
  }
  fuse_chan* channel = fuse_mount(folder.c_str(), &args);
  if (channel == nullptr) {
    fuse_opt_free_args(&args);
    return 1;
  }
  fuse* fs = fuse_new(channel, &args, &operations, sizeof operations, data);
  fuse_opt_free_args(&args);
  int ready[2];
  if (fs == nullptr || ::pipe2(ready, O_CLOEXEC) != 0) {
    fuse_unmount(folder.c_str(), channel);
    if (fs != nullptr) fuse_destroy(fs);
    return 1;
  }
  const pid_t server = ::fork();
  if (server > 0) {
    // The starter: done once the server says it runs.
    ::close(ready[1]);
    if (ReadyByte(ready[0])) ::_exit(0);
    ::waitpid(server, nullptr, 0);
    fuse_unmount(folder.c_str(), channel);
    ::_exit(1);
  }
  if (server < 0) {
    fuse_unmount(folder.c_str(), channel);
    fuse_destroy(fs);
    return 1;
  }
  ::close(ready[0]);
  DetachFromStarter();
  fuse_session* session = fuse_get_session(fs);
  const bool handlers = fuse_set_signal_handlers(session) == 0;
  if (handlers) {
    const char byte = 1;
    if (::write(ready[1], &byte, 1) != 1) {
      // The starter is gone; serve all the same.
    }
  }
  ::close(ready[1]);
  const int served = handlers ? fuse_loop(fs) : -1;
  if (handlers) fuse_remove_signal_handlers(session);
  fuse_unmount(folder.c_str(), channel);
  fuse_destroy(fs);  // calls the operations' destroy: everything to the image
  return served == 0 ? 0 : 1;
}

}  // namespace fatfs
