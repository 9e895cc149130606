#pragma once

namespace uninstaller {

// The uninstaller's fixed names and texts.
inline constexpr const char* productName = "Ferrolin";
inline constexpr const char* launchAgentIdentifier = "com.quorrel.launcher";
inline constexpr const char* bundleIdentifier = "app.ferrolin.desktop";
inline constexpr const char* launcherBundleIdentifier = "com.quorrel.launcher";
inline constexpr const char* uninstallerHeroImageName = "uninstaller-hero";
inline constexpr const char* uninstallerDataImageName = "uninstaller-data";
// The domain of the uninstaller's own errors.
inline constexpr const char* errorDomain = "FerrolinUninstaller";

}  // namespace uninstaller
