#include "support/DesktopSession.h"

#include <poll.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <gtest/gtest.h>

#include "platform/ControlRequest.h"
#include "platform/DesktopChannel.h"

namespace testsupport {

DesktopSession::DesktopSession(const Environment& extra)
    : home_(folder_ / "home"), tmp_(folder_ / "tmp"), desktop_(folder_ / "desktop") {
  for (const std::filesystem::path& folder : {home_, tmp_, desktop_}) {
    std::filesystem::create_directories(folder);
  }
  environment_ = {{"HOME", home_.string()},
                  {"TMPDIR", tmp_.string()},
                  {"EMULATED_DESKTOP", desktop_.string()},
                  {"PATH", toolFolder().string() + ":/usr/bin:/bin"}};
  addSanitizerOptions(environment_);
  environment_.insert(extra.begin(), extra.end());
  const ToolResult started = ctl("start");
  if (started.exitStatus != 0) {
    // It may have got as far as starting the daemon.
    shutDownDirectly();
    throw std::runtime_error("desktopctl start failed with status " +
                             std::to_string(started.exitStatus) + ": " + started.stderrText);
  }
  running_ = true;
}

DesktopSession::~DesktopSession() {
  if (running_) {
    const ToolResult stopped = stop();
    if (stopped.exitStatus != 0) {
      ADD_FAILURE() << "desktopctl stop failed with status " << stopped.exitStatus << ": "
                    << stopped.stderrText;
      shutDownDirectly();
    }
  }
  // The daemon's own faults show only in its log.
  std::ifstream log(desktop_ / "desktopd.log");
  const std::string logText{std::istreambuf_iterator<char>(log), std::istreambuf_iterator<char>()};
  if (logText.find("Sanitizer") != std::string::npos ||
      logText.find("runtime error:") != std::string::npos) {
    ADD_FAILURE() << "desktopd reported a fault:\n" << logText;
  }
}

std::filesystem::path DesktopSession::toolFolder() {
  return FERROLIN_BIN_DIR;
}

ToolResult DesktopSession::ctl(const std::vector<std::string>& arguments) const {
  return run(tool("desktopctl"), arguments);
}

nlohmann::json DesktopSession::query(const std::string& query) const {
  const ToolResult result = ctl(query, "--json");
  EXPECT_EQ(result.exitStatus, 0) << result.stderrText;
  return nlohmann::json::parse(result.stdoutText, nullptr, false);
}

nlohmann::json DesktopSession::application(const std::string& bundleIdentifier) const {
  const nlohmann::json apps = query("apps");
  if (apps.is_array()) {
    for (const nlohmann::json& app : apps) {
      if (app.is_object() && app.value("bundleIdentifier", "") == bundleIdentifier) {
        return app;
      }
    }
  }
  return nullptr;
}

ToolResult DesktopSession::run(const std::filesystem::path& executable,
                               const std::vector<std::string>& arguments) const {
  return runTool(executable, arguments, environment_);
}

ToolResult DesktopSession::stop() {
  running_ = false;
  return ctl("stop");
}

void DesktopSession::shutDownDirectly() const {
  auto channel = platform::DesktopChannel::connect(platform::DesktopChannel::socketPath(desktop_));
  if (!channel || !channel->request(platform::control::Shutdown{})) {
    return;
  }
  // The daemon closes the connection as it ends.
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (channel->readAvailable() && std::chrono::steady_clock::now() < until) {
    pollfd waiting{channel->fileDescriptor(), POLLIN, 0};
    ::poll(&waiting, 1, 100);
  }
}

}  // namespace testsupport
