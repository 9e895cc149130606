#include "platform/DesktopLink.h"

#include <memory>
#include <utility>

#include <nlohmann/json.hpp>

#include "platform/ControlRequest.h"
#include "platform/DaemonConnection.h"
#include "platform/DesktopChannel.h"
#include "platform/DesktopConnection.h"

namespace platform {

Result<DesktopServices> connectToDesktop(const SystemPaths& paths, EventLoop& loop) {
  const auto& folder = paths.emulatedDesktop();
  if (!folder) {
    return std::unexpected(Error{errorDomain::desktop, -1,
                                 "There is no desktop to run on: EMULATED_DESKTOP is not set."});
  }
  auto line = DaemonConnection::connect(*folder, loop);
  if (!line) {
    return std::unexpected(line.error());
  }
  const auto connection = std::make_shared<DesktopConnection>(std::move(*line));
  return DesktopServices{
      .windowServer = connection.get(),
      .applications = connection.get(),
      .hotKeys = connection.get(),
      .notifications = connection.get(),
      .screensAndLanguages = connection.get(),
      .provider = connection,
  };
}

ProcessLauncher::StartJournal desktopJournal(const SystemPaths& paths) {
  const auto& folder = paths.emulatedDesktop();
  if (!folder) {
    return {};
  }
  return [socket = DesktopChannel::socketPath(*folder)](pid_t pid,
                                                        const std::filesystem::path& program,
                                                        const std::vector<std::string>& arguments) {
    if (auto channel = DesktopChannel::connect(socket)) {
      [[maybe_unused]] const auto recorded =
          channel->request(control::RecordProgramStart{pid, program.string(), arguments});
    }
  };
}

}  // namespace platform
