#pragma once

#include <string>
#include <utility>

namespace installer {

// The answer of the first dialog: install (with or without start at login, in a display
// language), or cancel.
struct InstallerChoice {
  enum class Kind { install, cancel };
  Kind kind = Kind::cancel;
  bool startAtLogin = false;
  std::string language;

  static InstallerChoice install(bool startAtLogin, std::string language) {
    return {Kind::install, startAtLogin, std::move(language)};
  }
  static InstallerChoice cancel() { return {}; }
  friend bool operator==(const InstallerChoice&, const InstallerChoice&) = default;
};

}  // namespace installer
