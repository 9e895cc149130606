#pragma once

#include <string>

namespace uninstaller {

// What the user decided in the first dialog: to uninstall, with or without the target
// application's data, or to cancel.
struct UninstallChoice {
  enum class Kind { uninstall, cancel };
  Kind kind = Kind::cancel;
  bool removeData = false;  // uninstall only

  static UninstallChoice uninstall(bool removeData) { return {Kind::uninstall, removeData}; }
  static UninstallChoice cancel() { return {Kind::cancel, false}; }
  friend bool operator==(const UninstallChoice&, const UninstallChoice&) = default;
};

// The result of a removal, as the result dialog shows it.
struct UninstallOutcome {
  bool success = false;
  std::string title;
  std::string message;
  friend bool operator==(const UninstallOutcome&, const UninstallOutcome&) = default;
};

}  // namespace uninstaller
