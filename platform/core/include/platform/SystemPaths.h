#pragma once

#include <filesystem>
#include <optional>

#include "platform/ProcessInfo.h"

namespace platform {

// Fixed system locations. While an emulated desktop is in use, the system tools and the system
// applications folder live under its "root" folder instead of "/". A plain value.
class SystemPaths {
 public:
  // emulatedDesktop: the emulated desktop's folder, or nothing for the real system.
  explicit SystemPaths(std::optional<std::filesystem::path> emulatedDesktop);

  // From the EMULATED_DESKTOP environment variable (an empty value counts as unset).
  static SystemPaths fromProcess(const ProcessInfo& process);

  // Where to start a fixed system tool: "/bin/launchctl" and "/usr/bin/open" move under the
  // emulated root; any other path is returned unchanged.
  std::filesystem::path resolveTool(const std::filesystem::path& systemPath) const;

  // "/Applications", or the emulated root's Applications folder.
  std::filesystem::path applicationsDirectory() const;

  // The emulated desktop's folder, or nothing on the real system.
  const std::optional<std::filesystem::path>& emulatedDesktop() const { return desktop_; }

 private:
  std::optional<std::filesystem::path> desktop_;
  std::optional<std::filesystem::path> root_;
};

}  // namespace platform
