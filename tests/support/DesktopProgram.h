#pragma once

#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>

#include "model/EmulatedDesktop.h"
#include "platform/Application.h"
#include "platform/DesktopConnection.h"
#include "platform/PollEventLoop.h"

namespace testsupport {

// A program of the test process on an in-process emulated desktop: its own connection and its
// application, checked in with the given identity and activation policy, launching finished and
// the loop run until idle. Tests that take hot keys add a platform::EventTarget on `application`.
//
//   platform::EmulatedDesktop desktop;
//   platform::PollEventLoop loop;
//   testsupport::DesktopProgram ferrolin{desktop, loop, 4242, "app.ferrolin.desktop"};
struct DesktopProgram {
  DesktopProgram(platform::EmulatedDesktop& desktop, platform::EventLoop& loop, pid_t pid,
                 std::optional<std::string> bundleIdentifier = std::nullopt,
                 platform::ActivationPolicy policy = platform::ActivationPolicy::regular,
                 std::optional<std::string> bundlePath = std::nullopt);

  std::unique_ptr<platform::DesktopConnection> connection;
  platform::Application application;
};

}  // namespace testsupport
