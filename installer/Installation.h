#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "InstallerChoice.h"
#include "InstallerCopy.h"
#include "platform/ApplicationServices.h"
#include "platform/Error.h"
#include "platform/FileManager.h"
#include "platform/ProcessLauncher.h"
#include "suite/HomeLayout.h"
#include "suite/Outcome.h"

namespace installer {

// What the installation works with. None is owned; each must outlive the installation.
struct InstallationServices {
  const platform::FileManager* files = nullptr;  // the home folder it installs into
  const platform::ProcessLauncher* processes = nullptr;
  // The running applications, callable from the thread the installation runs on.
  platform::ApplicationServices* applications = nullptr;
  uid_t userId = 0;  // the launchd domain gui/<uid>
  // How long one launchctl run may take before it is ended and fails (suite::launchctlTimeLimit in
  // a program).
  std::chrono::milliseconds launchctlTimeLimit;
  // Waits between asking the programs to quit and going on (0.25 s in a program).
  std::function<void()> pauseAfterClosing;
};

// Installs or updates the suite in a home: checks the installer's resources and the home folder,
// closes the target application and the launcher (forcing those that cannot be asked), creates the
// folders, replaces the two bundles, sets up the launch agent when asked and writes the launcher's
// settings. A failure after the programs were closed starts them again. It reads no window: its
// inputs come with the call, its steps go to a callback and its result is worded in the chosen
// language. Runs on any one thread.
class Installation {
 public:
  // value from 0 to 1, and the step's sentence
  using Progress = std::function<void(double value, const std::string& message)>;

  // `resources` is the installer's resources folder with the two bundles. `stop` is set from
  // another thread when the program is ending: the installation then stops between two steps, never
  // in the middle of one. `stop` must outlive the installation.
  Installation(InstallationServices services, suite::HomeLayout layout,
               std::filesystem::path resources, const std::atomic<bool>& stop);

  // Installs with the user's choice: its start at login and its language (of every text and of the
  // launcher's settings); `isUpdate` words the success as an update.
  suite::Outcome run(const InstallerChoice& choice, bool isUpdate, const Progress& progress) const;

 private:
  // The running programs that the installation closed, so that a failed one can start them again.
  struct ClosedPrograms {
    bool targetApplication = false;
    bool launcher = false;
  };

  ClosedPrograms closeRunningPrograms() const;
  // The launcher through its agent when launchd has it loaded, otherwise from its installed place,
  // and the target application from its installed place. Best effort: a program that does not start
  // is not reported.
  void reopen(const ClosedPrograms& closed, const InstallerCopy& copy) const;
  platform::Result<void> installLaunchAgent(const InstallerCopy& copy) const;
  platform::Result<void> runLaunchctl(const std::vector<std::string>& arguments, bool allowFailure,
                                      const InstallerCopy& copy) const;

  InstallationServices services_;
  suite::HomeLayout layout_;
  std::filesystem::path resources_;
  const std::atomic<bool>* stop_;
};

}  // namespace installer
