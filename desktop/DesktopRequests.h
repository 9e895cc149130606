#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "Launchd.h"
#include "model/EmulatedDesktop.h"
#include "platform/ProcessLauncher.h"

namespace desktop {

// The daemon's answer to one request: a result, or a failure with the exit status a command-line
// tool reports for it and a message.
struct Reply {
  bool ok = true;
  nlohmann::json result;
  int status = 0;
  std::string error;

  static Reply success(nlohmann::json result = nullptr) { return {true, std::move(result), 0, {}}; }
  static Reply failure(int status, std::string error) {
    return {false, nullptr, status, std::move(error)};
  }
};

// Carries out the requests of the wire protocol on the desktop's state and its launchd. A program's
// requests name it by the number the desktop gave its connection. Main thread only.
class DesktopRequests {
 public:
  // `home`: the user's home, whose Library/LaunchAgents a login loads.
  DesktopRequests(platform::EmulatedDesktop& desktop, Launchd& launchd,
                  const platform::ProcessLauncher& launcher, std::filesystem::path home);

  // Every request except `wait` and `shutdown`, which need the daemon itself. `peer` is the pid of
  // the process at the other end of the connection.
  Reply handle(std::uint64_t client, pid_t peer, const std::string& op,
               const nlohmann::json& request);

  // Starts a program with the desktop's environment and enters it in the journal.
  platform::Result<pid_t> start(const std::string& program,
                                const std::vector<std::string>& arguments);

  // Whether a `wait` condition holds now: "alert", "window" (title), "app" or "gone" (bundle id),
  // "hotkey" (shortcut words: some program registered that combination).
  // Nothing when the condition is not one of those or names no key combination.
  std::optional<bool> holds(const std::string& what, const std::string& name) const;

 private:
  // Each group answers its own requests and gives nothing for the others.
  std::optional<Reply> programRequest(std::uint64_t client, pid_t peer, const std::string& op,
                                      const nlohmann::json& request);
  std::optional<Reply> userRequest(const std::string& op, const nlohmann::json& request);
  std::optional<Reply> launchdRequest(const std::string& op, const nlohmann::json& request);
  Reply launch(const nlohmann::json& request);
  nlohmann::json applications() const;
  void logout();

  platform::EmulatedDesktop* desktop_;         // not owned
  Launchd* launchd_;                           // not owned
  const platform::ProcessLauncher* launcher_;  // not owned
  std::filesystem::path home_;
};

}  // namespace desktop
