#pragma once

namespace uninstaller {

// The pictures of the uninstaller's panels, among its resources.
inline constexpr const char* uninstallerHeroImageName = "uninstaller-hero";
inline constexpr const char* uninstallerDataImageName = "uninstaller-data";
// The domain of the uninstaller's own errors.
inline constexpr const char* errorDomain = "FerrolinUninstaller";

}  // namespace uninstaller
