#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Launchd.h"
#include "model/EmulatedDesktop.h"
#include "platform/ControlRequest.h"
#include "platform/DesktopRequest.h"
#include "platform/ProcessLauncher.h"

namespace desktop {

// The refusal of a request whose field `name` is missing or not of its type.
platform::ControlFailure malformedField(std::string_view name);

// Carries out the requests of the desktop's tables on its state and its launchd: a program's
// through the state, each control request with a handler of its own (`wait` and `shutdown` are
// the daemon's). Main thread only.
class DesktopRequests {
 public:
  template <typename Request>
  using Answer = platform::ControlResult<typename Request::Reply>;

  // `home`: the user's home, whose Library/LaunchAgents a login loads.
  DesktopRequests(platform::EmulatedDesktop& desktop, Launchd& launchd,
                  const platform::ProcessLauncher& launcher, std::filesystem::path home);

  // A request of the program on the desktop's connection `client`, whose process is `peer`.
  platform::ProgramReply answer(std::uint64_t client, pid_t peer, platform::ProgramRequest request);

  // Programs started, and the journal.
  Answer<platform::control::RecordProgramStart> answer(
      const platform::control::RecordProgramStart& request);
  Answer<platform::control::Launch> answer(const platform::control::Launch& request);
  Answer<platform::control::Journal> answer(const platform::control::Journal& request) const;

  // The user's hands and eyes.
  Answer<platform::control::Press> answer(const platform::control::Press& request);
  Answer<platform::control::Focus> answer(const platform::control::Focus& request);
  Answer<platform::control::ChooseMenuItem> answer(
      const platform::control::ChooseMenuItem& request);
  Answer<platform::control::Click> answer(const platform::control::Click& request);
  Answer<platform::control::Dismiss> answer(const platform::control::Dismiss& request);
  Answer<platform::control::Select> answer(const platform::control::Select& request);
  Answer<platform::control::Key> answer(const platform::control::Key& request);
  Answer<platform::control::Apps> answer(const platform::control::Apps& request) const;
  Answer<platform::control::Show> answer(const platform::control::Show& request) const;
  Answer<platform::control::SetScreens> answer(platform::control::SetScreens request);
  Answer<platform::control::SetLanguages> answer(const platform::control::SetLanguages& request);

  // The user's launchd.
  Answer<platform::control::Agents> answer(const platform::control::Agents& request) const;
  Answer<platform::control::Bootstrap> answer(const platform::control::Bootstrap& request);
  Answer<platform::control::Bootout> answer(const platform::control::Bootout& request);
  Answer<platform::control::Kickstart> answer(const platform::control::Kickstart& request);
  Answer<platform::control::Print> answer(const platform::control::Print& request) const;
  Answer<platform::control::Login> answer(const platform::control::Login& request);
  Answer<platform::control::Logout> answer(const platform::control::Logout& request);

  // Starts a program with the desktop's environment and enters it in the journal.
  platform::Result<pid_t> start(const std::string& program,
                                const std::vector<std::string>& arguments);

  // Whether a `wait` condition holds now: "alert", "window" (title), "app" or "gone" (bundle id),
  // "shown" or "hidden" (bundle id), "hotkey" (shortcut words: some program registered that
  // combination). Nothing when the condition is not one of those or names no key combination.
  std::optional<bool> holds(const std::string& what, const std::string& name) const;

 private:
  platform::EmulatedDesktop* desktop_;         // not owned
  Launchd* launchd_;                           // not owned
  const platform::ProcessLauncher* launcher_;  // not owned
  std::filesystem::path home_;
};

}  // namespace desktop
