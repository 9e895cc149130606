#pragma once

#include <expected>
#include <filesystem>
#include <memory>
#include <string>

namespace ferrolin {

// Tells when one file of a folder may have been written, or replaced by a rename, whether or not it
// exists yet: each system's own notification behind one small class (FileWatchLinux.cpp with
// inotify, FileWatchDarwin.cpp with kqueue), chosen by the build.
class FileWatch {
 public:
  // Starts watching folder/name; an errno value when the folder cannot be watched.
  static std::expected<FileWatch, int> start(const std::filesystem::path& folder,
                                             const std::string& name);

  ~FileWatch();
  FileWatch(FileWatch&& other) noexcept;
  FileWatch& operator=(FileWatch&& other) noexcept;
  FileWatch(const FileWatch&) = delete;
  FileWatch& operator=(const FileWatch&) = delete;

  // Readable when there is news; non-blocking and close-on-exec.
  [[nodiscard]] int descriptor() const;
  // Reads all the news there is; true when some of it may concern the file.
  bool takeNews();

  struct State;  // each system's own

 private:
  explicit FileWatch(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

}  // namespace ferrolin
