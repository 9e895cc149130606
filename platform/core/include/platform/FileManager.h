#pragma once

#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/Error.h"

namespace platform {

// The most the programs read of any one small file (configuration, settings, property lists,
// trigger files): far more than any of them needs.
inline constexpr std::size_t smallFileLimit = std::size_t{1} << 20U;

// The whole content of a regular file of at most `limit` bytes. The file is opened without
// blocking and looked at through the opened descriptor, so a FIFO, a device (a link to /dev/zero
// among them) or a folder is refused before anything is read: EISDIR for a folder, ENOTSUP for
// anything else that is not a regular file, and EFBIG for a file longer than `limit`. Safe to call
// from any thread.
Result<std::string> readRegularFile(const std::filesystem::path& path,
                                    std::size_t limit = smallFileLimit);

// The user's files: the home and temporary folders, and the few operations the programs perform on
// files and folders. Every operation can be called from any thread. None of them follows a symbolic
// link that it finds inside a tree it copies or removes, and none enters a folder of another volume
// than the one it started on (a mount point inside the tree, a bind mount among them): such a
// folder stops the operation with an error that names it and says it is on another volume (EXDEV),
// and nothing behind it is touched. Errors about an item deep inside a tree name it by its path
// from the tree's top item ("“Ferrolin.app/Contents/MacOS” couldn’t be copied because ...").
class FileManager {
 public:
  // The process-wide manager: home from HOME, temporary folder from TMPDIR, or else the user's
  // private temporary folder (see privateTemporaryDirectory).
  static FileManager& defaultManager();

  FileManager(std::filesystem::path homeDirectory, std::filesystem::path temporaryDirectory);

  const std::filesystem::path& homeDirectory() const { return homeDirectory_; }
  const std::filesystem::path& temporaryDirectory() const { return temporaryDirectory_; }

  // Whether a file or folder is there, following a final symbolic link (a dangling link is not).
  bool fileExists(const std::filesystem::path& path) const;
  // Whether anything is there, a symbolic link itself included even when it leads nowhere.
  bool itemExists(const std::filesystem::path& path) const;

  // Creates the folder and any missing parents; an existing folder is not an error.
  Result<void> createDirectory(const std::filesystem::path& path) const;

  // Copies a file, a symbolic link or a whole folder tree to a destination that must not exist yet.
  // Symbolic links are copied as links; permission bits (executable bits included) are kept. File
  // data is copied inside the kernel (a clone of the blocks where the file system can share them).
  // The copy stays on the volume of the source's top item.
  Result<void> copyItem(const std::filesystem::path& source,
                        const std::filesystem::path& destination) const;

  // Replaces what is at `destination` (a file, link or whole folder tree, or nothing) with a copy
  // of `source`, so that the destination is at every moment either the old item whole or the new
  // one whole. The copy (as copyItem makes it) is staged under a hidden name beside the destination
  // (".<name>.staging-<pid>-<random>") and then exchanged with the old item in one step; the old
  // item is removed afterwards. When the copy or the exchange fails, the staged item is removed
  // and the destination is left as it was. Once the new item is in place the replacement has
  // succeeded: an old item that cannot be removed (a file it may not delete, a mount inside it)
  // stays under its hidden name. Staged items of processes that no longer run are removed by the
  // next replacement of that destination, and by removeLeftovers. Nothing is flushed to disk.
  Result<void> replaceItem(const std::filesystem::path& source,
                           const std::filesystem::path& destination) const;

  // Removes a file, a symbolic link or a whole folder tree, on the volume of the folder that holds
  // it (an item that is itself a mount point is refused). A symbolic link is removed itself; what
  // it points to is never touched. An item that is already gone, or that goes while the removal
  // runs (another program removing the same tree), is not an error, at any depth.
  Result<void> removeItem(const std::filesystem::path& path) const;

  // Removes what replaceItem and writeAtomically of the item at `path` left beside it when their
  // process was killed half way: the hidden staged copies and temporary files whose process no
  // longer runs. Those of a live process, and any that cannot be removed, stay.
  void removeLeftovers(const std::filesystem::path& path) const;

  // The whole content of a small file, as readRegularFile reads it.
  Result<std::string> contentsOfFile(const std::filesystem::path& path) const;

  // Whether an atomic write returns only once the new content and its name are on disk. Files that
  // must survive a power loss (settings, launch agents) are flushed. A message to a program that
  // runs now, such as a trigger file in the temporary folder, need not be: its reader sees the
  // renamed file at once, and a flush would hold the writer for milliseconds, on a busy disk for
  // tens of them.
  enum class Durability { flushedToDisk, notFlushed };

  // Replaces the file's whole content atomically: the data goes to a temporary file in the same
  // folder (".<name>.tmp-<pid>-<random>"), is flushed to disk (unless told otherwise) and then
  // renamed over the file, which keeps its permissions when it was a regular file and is otherwise
  // (nothing, a link, a device) a new file of mode 0644; a link is replaced itself, never written
  // through. Readers see the old content or the new one, never a mix; a failed write
  // leaves the old file as it was. Temporary files of the same file that processes which no longer
  // run left behind (when they were killed half way) are removed first. The folder must exist.
  Result<void> writeAtomically(const std::filesystem::path& path, std::string_view data,
                               Durability durability = Durability::flushedToDisk) const;

  // The user's private temporary folder "ferrolin-<uid>" inside parent, created with mode 0700 when
  // missing. An existing one is used only when it is a real folder (not a link) that belongs to the
  // user and that nobody else can read or write.
  static Result<std::filesystem::path> privateTemporaryDirectory(
      const std::filesystem::path& parent, uid_t userId);

 private:
  std::filesystem::path homeDirectory_;
  std::filesystem::path temporaryDirectory_;
};

}  // namespace platform
