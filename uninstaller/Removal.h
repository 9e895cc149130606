#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "UninstallChoice.h"
#include "platform/ApplicationServices.h"
#include "platform/Error.h"
#include "platform/FileManager.h"
#include "platform/ProcessLauncher.h"
#include "suite/HomeLayout.h"
#include "suite/Outcome.h"

namespace uninstaller {

// What the removal works with. None is owned; each must outlive the removal.
struct RemovalServices {
  const platform::FileManager* files = nullptr;  // removes the items
  const platform::ProcessLauncher* processes = nullptr;
  // The running applications, callable from the thread the removal runs on.
  platform::ApplicationServices* applications = nullptr;
  uid_t userId = 0;  // the launchd domain gui/<uid>
  // How long one launchctl run may take before it is ended and fails (suite::launchctlTimeLimit in
  // a program).
  std::chrono::milliseconds launchctlTimeLimit;
};

// Removes the suite from a home: refuses a home folder the suite does not trust before anything is
// touched, asks the target application and the launcher to quit (forcing them when the request is
// refused), boots the agent out (failure and time-out ignored), then removes the suite's items and,
// on request, the data; the first removal that fails stops it. Each item goes with the hidden
// leftovers that killed installations or saves left beside it. It reads no window. Runs on any one
// thread.
class Removal {
 public:
  // `stop` is set from another thread when the program is ending: the removal then stops before its
  // next item. `stop` must outlive the removal.
  Removal(RemovalServices services, suite::HomeLayout layout, const std::atomic<bool>& stop);

  suite::Outcome run(const UninstallChoice& choice) const;

 private:
  void closeRunningPrograms() const;
  void unloadLaunchAgent() const;

  RemovalServices services_;
  suite::HomeLayout layout_;
  const std::atomic<bool>* stop_;
};

}  // namespace uninstaller
