#pragma once

namespace installer {

// The pictures of the installer's panels, among its resources.
inline constexpr const char* installerHeroImageName = "installer-hero";
inline constexpr const char* installerShortcutsImageName = "installer-shortcuts";
// The domain of the installer's own errors.
inline constexpr const char* errorDomain = "FerrolinInstaller";

}  // namespace installer
