#pragma once

namespace installer {

// The installer's fixed names.
inline constexpr const char* productName = "Ferrolin";
inline constexpr const char* launcherSourceName = "Ferrolin Launcher";
inline constexpr const char* installedLauncherName = "Ferrolin";
inline constexpr const char* launchAgentIdentifier = "com.quorrel.launcher";
inline constexpr const char* installerHeroImageName = "installer-hero";
inline constexpr const char* installerShortcutsImageName = "installer-shortcuts";
inline constexpr const char* targetBundleIdentifier = "app.ferrolin.desktop";
// The domain of the installer's own errors.
inline constexpr const char* errorDomain = "FerrolinInstaller";

}  // namespace installer
