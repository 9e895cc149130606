#include "support/DesktopProgram.h"

#include <utility>

namespace testsupport {

DesktopProgram::DesktopProgram(platform::EmulatedDesktop& desktop, platform::EventLoop& loop,
                               pid_t pid, std::optional<std::string> bundleIdentifier,
                               platform::ActivationPolicy policy,
                               std::optional<std::string> bundlePath)
    : connection(desktop.connect(loop)),
      application(*connection, *connection, *connection, loop,
                  platform::ApplicationIdentity{pid, std::move(bundleIdentifier),
                                                std::move(bundlePath), std::nullopt}) {
  application.setActivationPolicy(policy);
  application.finishLaunching();
  loop.runUntilIdle();
}

}  // namespace testsupport
