#include "suite/HomeFolder.h"

#include <string>
#include <system_error>

namespace suite {

platform::Result<std::filesystem::path> trustedHomeFolder(const std::filesystem::path& home,
                                                          std::string_view errorDomain,
                                                          std::string_view consequence) {
  const auto refused = [&](const std::string& why) -> platform::Result<std::filesystem::path> {
    return std::unexpected(platform::Error{
        std::string(errorDomain), 1, "Your home folder " + why + std::string(consequence) + "."});
  };
  if (home.empty()) {
    return refused("is not known");
  }
  if (!home.is_absolute()) {
    return refused("“" + home.string() + "” is not an absolute path");
  }
  std::error_code error;
  std::filesystem::path resolved = std::filesystem::canonical(home, error);
  if (!error && resolved == resolved.root_path()) {
    return refused("is the root of the disk");
  }
  if (error || !std::filesystem::is_directory(resolved, error)) {
    return refused("“" + home.string() + "” is not a folder");
  }
  return resolved;
}

}  // namespace suite
