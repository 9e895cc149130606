#pragma once

#include <spawn.h>
#include <sys/types.h>

#include <cerrno>
#include <cstdint>
#include <expected>
#include <filesystem>
#include <string>
#include <vector>

// The file and process calls that each system offers in its own way, behind one small interface:
// the rest of platform_core stays the same on every system, and each system has one source of its
// own (SystemFilesLinux.cpp, SystemFilesDarwin.cpp), chosen by the build. Each call that can fail
// returns an errno value on failure.
namespace platform::systemFiles {

// A system call's result of 0 as success, anything else as the errno it left.
inline std::expected<void, int> succeededOrErrno(int result) {
  if (result != 0) {
    return std::unexpected(errno);
  }
  return {};
}

// The volume an open item lies on: its file system and, where the system tells it, the mount it is
// reached through, so that a folder mounted a second time elsewhere (a bind mount) counts as
// another volume too although its file system is the same (0 where the system does not tell).
struct Volume {
  dev_t device = 0;
  std::uint64_t mount = 0;
  friend bool operator==(const Volume&, const Volume&) = default;
};

// The volume of the item open as `fd`.
std::expected<Volume, int> volumeOf(int fd);

// Exchanges the items `first` and `second` of the folder open as `folderFd` in one step; both must
// exist (ENOENT otherwise).
std::expected<void, int> exchangeItems(int folderFd, const char* first, const char* second);

// Renames `from` to `to` in the folder open as `folderFd`, failing with EEXIST instead of replacing
// an item already named `to`.
std::expected<void, int> renameWithoutReplacing(int folderFd, const char* from, const char* to);

// Copies the data of `input` to the empty file `output` inside the kernel: a clone of the blocks
// where the file system shares them, else a copy in the kernel. True once all is copied; false
// when the system cannot copy (the rest of) these two files inside the kernel, and then the caller
// copies the rest with read and write, from where both descriptors stand.
std::expected<bool, int> copyInKernel(int input, int output);

// The arguments the running process was started with; empty when the system does not tell.
std::vector<std::string> commandLineArguments();

// The file the running process was started from, resolved; empty when the system does not tell.
std::filesystem::path executablePath();

// A path that starts the program the running process runs, even when its file has been replaced
// or removed since the process started.
std::string executableToStartAgain();

// Makes a child started with `actions` and `attributes` inherit no descriptor past standard error
// other than those the actions put there, whether or not the descriptors are close-on-exec. Call it
// after the attributes' flags are set and the actions that place descriptors are added.
void closeDescriptorsPastStandardError(posix_spawn_file_actions_t& actions,
                                       posix_spawnattr_t& attributes);

// What a socket needs so that sending on it never raises SIGPIPE (nothing where the send flags
// below do it); false, with errno set, when the system refuses.
bool keepSocketFromSignalling(int fd);
// The flags send() takes to report a peer that is gone as EPIPE instead of raising SIGPIPE (0 where
// the socket itself is marked by keepSocketFromSignalling).
extern const int sendWithoutSignal;

// The process at the other end of the connected Unix socket `fd`; 0 when the system does not tell.
pid_t peerProcessOf(int fd);

}  // namespace platform::systemFiles
