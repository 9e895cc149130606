#include "StartupManager.h"

#include <utility>

namespace launcher {
namespace {

constexpr const char* launchctlTool = "/bin/launchctl";
constexpr const char* errorDomain = "FerrolinLauncher";
constexpr const char* launchctlFailure = "launchctl failed while updating startup.";

// The text with the characters XML reserves in element content written as entities.
std::string xmlEscaped(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char character : text) {
    switch (character) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      default:
        escaped += character;
        break;
    }
  }
  return escaped;
}

}  // namespace

std::string launchAgentPropertyList(std::string_view label, std::string_view programPath) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
         "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
         "<plist version=\"1.0\">\n"
         "  <dict>\n"
         "    <key>Label</key>\n"
         "    <string>" +
         xmlEscaped(label) +
         "</string>\n"
         "    <key>ProgramArguments</key>\n"
         "    <array>\n"
         "      <string>" +
         xmlEscaped(programPath) +
         "</string>\n"
         "    </array>\n"
         "    <key>RunAtLoad</key>\n"
         "    <true/>\n"
         "    <key>ProcessType</key>\n"
         "    <string>Interactive</string>\n"
         "  </dict>\n"
         "</plist>";
}

StartupManager::StartupManager(const platform::FileManager& files, platform::Bundle launcherBundle,
                               const platform::ProcessLauncher& processes,
                               const platform::ProcessInfo& process)
    : files_(&files),
      launcherBundle_(std::move(launcherBundle)),
      processes_(&processes),
      process_(&process) {}

std::filesystem::path StartupManager::launchAgentsDirectory() const {
  return files_->homeDirectory() / "Library" / "LaunchAgents";
}

std::filesystem::path StartupManager::plistURL() const {
  return launchAgentsDirectory() / (std::string(launchAgentIdentifier) + ".plist");
}

bool StartupManager::isEnabled() const {
  return files_->fileExists(plistURL());
}

platform::Result<void> StartupManager::setEnabled(bool enabled) const {
  if (!enabled) {
    return unloadAndRemove();
  }
  if (isEnabled()) {
    return {};
  }
  return installAndLoad();
}

platform::Result<void> StartupManager::installAndLoad() const {
  if (auto created = files_->createDirectory(launchAgentsDirectory()); !created) {
    return created;
  }
  const std::filesystem::path program =
      launcherBundle_.executablePath().value_or(std::filesystem::path());
  const std::filesystem::path agent = plistURL();
  if (auto written = files_->writeAtomically(
          agent, launchAgentPropertyList(launchAgentIdentifier, program.string()));
      !written) {
    return written;
  }
  // A copy loaded earlier would make the bootstrap fail; when there is none, bootout fails, which
  // is just as fine.
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
  const platform::Result<int> status = processes_->run(launchctlTool, arguments);
  if (!status) {
    return std::unexpected(status.error());
  }
  if (*status == 0 || allowFailure) {
    return {};
  }
  return std::unexpected(platform::Error{errorDomain, *status, launchctlFailure});
}

std::string StartupManager::userDomain() const {
  return "gui/" + std::to_string(process_->realUserId());
}

}  // namespace launcher
