#include "platform/DesktopLink.h"

#include <utility>

#include "platform/DaemonConnection.h"

namespace platform {

Result<std::unique_ptr<DesktopConnection>> connectToDesktop(const SystemPaths& paths,
                                                            EventLoop& loop) {
  const auto& folder = paths.emulatedDesktop();
  if (!folder) {
    return std::unexpected(Error{errorDomain::desktop, -1,
                                 "There is no desktop to run on: EMULATED_DESKTOP is not set."});
  }
  auto line = DaemonConnection::connect(*folder, loop);
  if (!line) {
    return std::unexpected(line.error());
  }
  return std::make_unique<DesktopConnection>(std::move(*line));
}

}  // namespace platform
