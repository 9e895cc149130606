#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <system_error>

namespace fuzz {

std::string_view text(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

std::pair<std::string_view, std::string_view> splitAtLine(std::string_view text) {
  const auto lineFeed = text.find('\n');
  if (lineFeed == std::string_view::npos) {
    return {text, {}};
  }
  return {text.substr(0, lineFeed), text.substr(lineFeed + 1)};
}

void fail(std::string_view what) {
  std::fprintf(stderr, "fuzz: does not hold: %.*s\n", static_cast<int>(what.size()), what.data());
  std::abort();
}

void require(bool condition, std::string_view what) {
  if (!condition) {
    fail(what);
  }
}

void writeFile(const std::filesystem::path& file, std::string_view bytes) {
  std::error_code ignored;
  std::filesystem::create_directories(file.parent_path(), ignored);
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  require(!out.fail(), "the input could be written to " + file.string());
}

ScratchFolder::ScratchFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "ferrolin-fuzz-XXXXXX").string();
  require(mkdtemp(pattern.data()) != nullptr, "a scratch folder could be made");
  path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace fuzz
