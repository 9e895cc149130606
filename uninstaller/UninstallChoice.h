#pragma once

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

}  // namespace uninstaller
