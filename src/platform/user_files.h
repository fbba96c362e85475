// The user's own folders for settings and desktop data, and whole-file
// reads and writes for the small files kept there.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config. Read at each
// call, so a changed environment takes effect at once.
std::string UserConfigFolder();

// $XDG_DATA_HOME when it is an absolute path, else ~/.local/share.
std::string UserDataFolder();

// The user's private temporary folder, with its trailing separator: a
// folder that only this user may enter, so that no other user can put a
// file or a link under a name that we then open. "quillfen" in
// $XDG_RUNTIME_DIR when that is a private folder of the user; else
// "quillfen-<uid>" in $TMPDIR (or /tmp), made with mode 0700. A folder of
// that name that is a link, belongs to someone else or may be entered by
// others is never used: a fresh folder of our own (mkdtemp) stands in for it
// for the rest of the process. Empty, with the last error set, when no
// private folder can be made.
std::string UserTemporaryFolder();

// Reads a whole file. 0, or the error code (2 when the file does not exist).
std::uint32_t ReadWholeFile(const std::string& path, std::string* content);

// Replaces a file's content as one step: the content goes into a temporary
// file beside it, which is flushed and then renamed over the file, so a crash
// leaves either the old or the new file, never half of one. Missing parent
// folders are created. 0, or the error code.
std::uint32_t WriteFileAtomically(const std::string& path, const std::string& content);

// Creates a folder and its missing parents. 0, or the error code.
std::uint32_t CreateFolders(const std::string& path);

}  // namespace platform
