#include "platform/SystemPaths.h"

#include <array>
#include <utility>

namespace platform {
namespace {

// The system tools that the emulated desktop replaces with its own stand-ins.
const std::array<std::filesystem::path, 2> emulatedTools{"/bin/launchctl", "/usr/bin/open"};

}  // namespace

SystemPaths::SystemPaths(std::optional<std::filesystem::path> emulatedDesktop)
    : desktop_(std::move(emulatedDesktop)) {
  if (desktop_) {
    root_ = *desktop_ / "root";
  }
}

SystemPaths SystemPaths::fromProcess(const ProcessInfo& process) {
  auto desktop = process.environmentValue("EMULATED_DESKTOP");
  if (!desktop || desktop->empty()) {
    return SystemPaths(std::nullopt);
  }
  return SystemPaths(std::filesystem::path(std::move(*desktop)));
}

std::filesystem::path SystemPaths::resolveTool(const std::filesystem::path& systemPath) const {
  if (!root_) {
    return systemPath;
  }
  for (const auto& tool : emulatedTools) {
    if (systemPath == tool) {
      return *root_ / tool.relative_path();
    }
  }
  return systemPath;
}

std::filesystem::path SystemPaths::applicationsDirectory() const {
  return root_ ? *root_ / "Applications" : std::filesystem::path("/Applications");
}

}  // namespace platform
