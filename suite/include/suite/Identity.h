#pragma once

#include <string_view>

namespace suite {

// The names the three programs know each other and the target application by.

// The product, the target application's bundle ("Ferrolin.app") and its folder in Application
// Support.
inline constexpr std::string_view productName = "Ferrolin";
// The target application's bundle identifier.
inline constexpr std::string_view targetBundleIdentifier = "app.ferrolin.desktop";
// The launcher's bundle identifier, which is also the label of the launch agent that starts it.
inline constexpr std::string_view launcherBundleIdentifier = "com.quorrel.launcher";
inline constexpr std::string_view launchAgentLabel = launcherBundleIdentifier;
// The launcher's bundle as the installer carries it ("Ferrolin Launcher.app") and its executable.
inline constexpr std::string_view launcherBundleName = "Ferrolin Launcher";
// The launcher's bundle once installed in ~/Applications ("Ferrolin.app").
inline constexpr std::string_view installedLauncherName = "Ferrolin";

}  // namespace suite
