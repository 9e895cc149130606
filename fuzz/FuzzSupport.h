#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <utility>

// What the fuzz targets share: the input as text, a check that stops the process when a property
// of the code under test does not hold, and a private scratch folder for parsers that read files.
namespace fuzz {

std::string_view text(const std::uint8_t* data, std::size_t size);

// The text before the first line feed and the text after it; all of it and "" when there is none.
std::pair<std::string_view, std::string_view> splitAtLine(std::string_view text);

// Prints "does not hold: " and `what`, and aborts: libFuzzer keeps the input as a crash, and the
// corpus replay fails.
[[noreturn]] void fail(std::string_view what);

// fail(what) when `condition` is false.
void require(bool condition, std::string_view what);

// Writes the bytes as the whole file, creating its folder; aborts when that fails.
void writeFile(const std::filesystem::path& file, std::string_view bytes);

// A fresh private folder under the temporary folder, removed with everything in it when the object
// goes away.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ScratchFolder(ScratchFolder&&) = delete;
  ScratchFolder& operator=(ScratchFolder&&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace fuzz
