#include "StartupManager.h"

#include <utility>

#include "suite/HomeFolder.h"
#include "suite/HomeLayout.h"
#include "suite/LaunchAgent.h"
#include "suite/Launchctl.h"

namespace launcher {
namespace {

constexpr const char* errorDomain = "FerrolinLauncher";
constexpr const char* launchctlFailure = "launchctl failed while updating startup.";

}  // namespace

StartupManager::StartupManager(const platform::FileManager& files, platform::Bundle launcherBundle,
                               const platform::ProcessLauncher& processes,
                               std::chrono::milliseconds launchctlTimeLimit,
                               const platform::ProcessInfo& process)
    : files_(&files),
      launcherBundle_(std::move(launcherBundle)),
      processes_(&processes),
      launchctlTimeLimit_(launchctlTimeLimit),
      process_(&process) {}

std::filesystem::path StartupManager::launchAgentsDirectory() const {
  return suite::HomeLayout::under(files_->homeDirectory()).launchAgentsFolder;
}

std::filesystem::path StartupManager::plistURL() const {
  return suite::HomeLayout::under(files_->homeDirectory()).launchAgent;
}

bool StartupManager::isEnabled() const {
  // An empty or damaged file, or one that starts another program, starts nothing of this launcher.
  const platform::Result<std::string> agent = files_->contentsOfFile(plistURL());
  const platform::Result<std::string> expected =
      suite::launchAgentPropertyList(programPath().string(), errorDomain);
  return agent && expected && *agent == *expected;
}

std::filesystem::path StartupManager::programPath() const {
  return launcherBundle_.executablePath().value_or(std::filesystem::path());
}

platform::Result<void> StartupManager::setEnabled(bool enabled) const {
  if (const auto home = suite::trustedHomeFolder(files_->homeDirectory(), errorDomain,
                                                 ", so start at login was not changed");
      !home) {
    return std::unexpected(home.error());
  }
  if (!enabled) {
    return unloadAndRemove();
  }
  if (isEnabled()) {
    return {};
  }
  return installAndLoad();
}

platform::Result<void> StartupManager::installAndLoad() const {
  if (auto written = suite::writeLaunchAgent(*files_, programPath(), errorDomain); !written) {
    return written;
  }
  // A copy loaded earlier would make the bootstrap fail; when there is none, bootout fails, which
  // is just as fine.
  const std::filesystem::path agent = plistURL();
  [[maybe_unused]] const platform::Result<void> ignored =
      runLaunchctl({"bootout", userDomain(), agent.string()}, true);
  return runLaunchctl({"bootstrap", userDomain(), agent.string()});
}

platform::Result<void> StartupManager::unloadAndRemove() const {
  // launchd keeps a loaded copy for the rest of the session; only the file goes.
  const std::filesystem::path agent = plistURL();
  if (files_->fileExists(agent)) {
    return files_->removeItem(agent);
  }
  return {};
}

platform::Result<void> StartupManager::runLaunchctl(const std::vector<std::string>& arguments,
                                                    bool allowFailure) const {
  return suite::runLaunchctl(*processes_, launchctlTimeLimit_, arguments, allowFailure,
                             {errorDomain, launchctlFailure});
}

std::string StartupManager::userDomain() const {
  return suite::guiDomain(process_->realUserId());
}

}  // namespace launcher
