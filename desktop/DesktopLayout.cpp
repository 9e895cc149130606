#include "DesktopLayout.h"

#include <cerrno>
#include <system_error>

namespace desktop {
namespace {

platform::Result<void> linkTool(const std::filesystem::path& link,
                                const std::filesystem::path& tool) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::symlink_status(link, error);
  if (std::filesystem::is_symlink(status)) {
    if (!std::filesystem::remove(link, error) && error) {
      return std::unexpected(
          platform::fileError(platform::FileOperation::remove, link, error.value()));
    }
  } else if (std::filesystem::exists(status)) {
    return std::unexpected(platform::fileError(platform::FileOperation::create, link, EEXIST));
  }
  std::filesystem::create_symlink(tool, link, error);
  if (error) {
    return std::unexpected(
        platform::fileError(platform::FileOperation::create, link, error.value()));
  }
  return {};
}

}  // namespace

platform::Result<void> layOutDesktopFolder(const std::filesystem::path& desktopFolder,
                                           const std::filesystem::path& toolFolder,
                                           const platform::FileManager& files) {
  const std::filesystem::path root = desktopFolder / "root";
  for (const std::filesystem::path& folder :
       {root / "bin", root / "usr" / "bin", root / "Applications"}) {
    if (auto created = files.createDirectory(folder); !created) {
      return created;
    }
  }
  if (auto linked = linkTool(root / "bin" / "launchctl", toolFolder / "launchctl"); !linked) {
    return linked;
  }
  return linkTool(root / "usr" / "bin" / "open", toolFolder / "open");
}

}  // namespace desktop
