#pragma once

#include <filesystem>
#include <string>

namespace testsupport {

// A fresh private folder under the system's temporary directory, removed with everything in it when
// the object goes away.
class TemporaryFolder {
 public:
  TemporaryFolder();
  ~TemporaryFolder();
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;
  TemporaryFolder(TemporaryFolder&&) = delete;
  TemporaryFolder& operator=(TemporaryFolder&&) = delete;

  [[nodiscard]] const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& component) const { return path_ / component; }

 private:
  std::filesystem::path path_;
};

// Creates the folder (with missing parents) and returns its path: a home folder, for instance.
std::filesystem::path madeFolder(const std::filesystem::path& path);

// Whole-file helpers for arranging and checking test files.
void writeFile(const std::filesystem::path& path, const std::string& contents);
std::string readFile(const std::filesystem::path& path);

}  // namespace testsupport
