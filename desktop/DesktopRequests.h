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

namespace control = platform::control;

// The refusal of a request whose field `name` is missing or not of its type.
platform::ControlFailure malformedField(std::string_view name);

// Carries out the requests of the desktop's tables on its state and its launchd: a program's
// through the state, each control request with a handler of its own (`wait`, `watch` and
// `shutdown` are the daemon's). Main thread only.
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
  Answer<control::RecordProgramStart> answer(const control::RecordProgramStart& request);
  Answer<control::Launch> answer(const control::Launch& request);
  Answer<control::Journal> answer(const control::Journal& request) const;

  // The user's hands and eyes.
  Answer<control::Press> answer(const control::Press& request);
  Answer<control::Focus> answer(const control::Focus& request);
  Answer<control::ChooseMenuItem> answer(const control::ChooseMenuItem& request);
  Answer<control::Click> answer(const control::Click& request);
  Answer<control::Dismiss> answer(const control::Dismiss& request);
  Answer<control::Select> answer(const control::Select& request);
  Answer<control::Key> answer(const control::Key& request);
  Answer<control::ClickAt> answer(const control::ClickAt& request);
  Answer<control::Type> answer(const control::Type& request);
  Answer<control::Locate> answer(const control::Locate& request) const;
  Answer<control::Apps> answer(const control::Apps& request) const;
  Answer<control::Show> answer(const control::Show& request) const;
  Answer<control::SetScreens> answer(control::SetScreens request);
  Answer<control::SetLanguages> answer(const control::SetLanguages& request);

  // The user's launchd.
  Answer<control::Agents> answer(const control::Agents& request) const;
  Answer<control::Bootstrap> answer(const control::Bootstrap& request);
  Answer<control::Bootout> answer(const control::Bootout& request);
  Answer<control::Kickstart> answer(const control::Kickstart& request);
  Answer<control::Print> answer(const control::Print& request) const;
  Answer<control::Login> answer(const control::Login& request);
  Answer<control::Logout> answer(const control::Logout& request);

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
