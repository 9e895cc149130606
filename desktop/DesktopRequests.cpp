#include "DesktopRequests.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "model/KeyNames.h"

namespace desktop {

using platform::ControlFailure;
using platform::Done;
namespace controlStatus = platform::controlStatus;

namespace {

std::unexpected<ControlFailure> refused(int status, std::string message) {
  return std::unexpected(ControlFailure{status, std::move(message)});
}

platform::ControlResult<Done> doneOr(bool done, std::string message) {
  if (!done) {
    return refused(controlStatus::notThere, std::move(message));
  }
  return Done{};
}

platform::ControlResult<Done> done(const std::expected<void, LaunchdFailure>& result) {
  if (!result) {
    return std::unexpected(result.error());
  }
  return Done{};
}

// The same bundle location, however it was spelled.
bool sameLocation(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::error_code error;
  const auto canonicalA = std::filesystem::weakly_canonical(a, error);
  const auto canonicalB = std::filesystem::weakly_canonical(b, error);
  return canonicalA.lexically_normal() == canonicalB.lexically_normal();
}

platform::AgentDescription describeAgent(const LoadedAgent& loaded) {
  return {loaded.agent.label, loaded.agent.path.string(), loaded.agent.programArguments,
          loaded.agent.runAtLoad, loaded.pid};
}

}  // namespace

ControlFailure malformedField(std::string_view name) {
  return {controlStatus::badRequest, "The request lacks a valid \"" + std::string(name) + "\"."};
}

DesktopRequests::DesktopRequests(platform::EmulatedDesktop& desktop, Launchd& launchd,
                                 const platform::ProcessLauncher& launcher,
                                 std::filesystem::path home)
    : desktop_(&desktop), launchd_(&launchd), launcher_(&launcher), home_(std::move(home)) {}

platform::Result<pid_t> DesktopRequests::start(const std::string& program,
                                               const std::vector<std::string>& arguments) {
  auto pid = launcher_->launch(program, arguments);
  if (pid) {
    desktop_->recordProgramStart(*pid, program, arguments);
  }
  return pid;
}

platform::ProgramReply DesktopRequests::answer(std::uint64_t client, pid_t peer,
                                               platform::ProgramRequest request) {
  // The process at the other end is who it is, whatever it says.
  if (auto* checkIn = std::get_if<platform::request::CheckIn>(&request)) {
    checkIn->identity.pid = peer;
  }
  return desktop_->handle(client, request);
}

// ---- programs started, and the journal

DesktopRequests::Answer<control::RecordProgramStart> DesktopRequests::answer(
    const control::RecordProgramStart& request) {
  desktop_->recordProgramStart(request.pid, request.path, request.arguments);
  return Done{};
}

DesktopRequests::Answer<control::Launch> DesktopRequests::answer(const control::Launch& request) {
  if (request.path.empty()) {
    return std::unexpected(malformedField("path"));
  }
  // An application that is already running comes to the front instead of starting twice.
  if (request.bundlePath) {
    for (const auto& application : desktop_->runningApplications()) {
      if (application.bundlePath && sameLocation(*application.bundlePath, *request.bundlePath)) {
        desktop_->activateApplication(application.pid);
        return platform::ProgramLaunch{application.pid, true};
      }
    }
  }
  const auto pid = start(request.path, request.arguments);
  if (!pid) {
    return refused(controlStatus::notThere, pid.error().localizedDescription);
  }
  return platform::ProgramLaunch{*pid, false};
}

DesktopRequests::Answer<control::Journal> DesktopRequests::answer(
    const control::Journal& /*request*/) const {
  const auto& entries = desktop_->journal();
  return platform::JournalReport{desktop_->journalEntriesDropped(),
                                 {entries.begin(), entries.end()}};
}

// ---- the user's hands and eyes

DesktopRequests::Answer<control::Press> DesktopRequests::answer(const control::Press& request) {
  return doneOr(desktop_->press(request.shortcut),
                "No program has registered " + request.shortcut + ".");
}

DesktopRequests::Answer<control::Focus> DesktopRequests::answer(const control::Focus& request) {
  if (!request.bundleIdentifier) {
    desktop_->focusNone();
    return Done{};
  }
  return doneOr(desktop_->focus(*request.bundleIdentifier),
                "No application " + *request.bundleIdentifier + " is running.");
}

DesktopRequests::Answer<control::ChooseMenuItem> DesktopRequests::answer(
    const control::ChooseMenuItem& request) {
  return doneOr(desktop_->chooseMenuItem(request.item, request.app),
                "No enabled menu item \"" + request.item + "\" is there.");
}

DesktopRequests::Answer<control::Click> DesktopRequests::answer(const control::Click& request) {
  return doneOr(desktop_->click(request.target),
                "Nothing called \"" + request.target + "\" is on screen.");
}

DesktopRequests::Answer<control::Dismiss> DesktopRequests::answer(
    const control::Dismiss& /*request*/) {
  return doneOr(desktop_->dismissAlert(), "No alert is on screen.");
}

DesktopRequests::Answer<control::Select> DesktopRequests::answer(const control::Select& request) {
  return doneOr(desktop_->select(request.item, request.in),
                "No pop-up on screen offers \"" + request.item + "\".");
}

DesktopRequests::Answer<control::Key> DesktopRequests::answer(const control::Key& request) {
  return doneOr(desktop_->key(request.shortcut),
                "No key window takes \"" + request.shortcut + "\" (or the key is unknown).");
}

DesktopRequests::Answer<control::ClickAt> DesktopRequests::answer(const control::ClickAt& request) {
  return doneOr(desktop_->clickAt({request.x, request.y}), "Nothing there takes a click.");
}

DesktopRequests::Answer<control::Type> DesktopRequests::answer(const control::Type& request) {
  return doneOr(desktop_->type(request.shortcut),
                "Nothing took \"" + request.shortcut + "\" (or the key is unknown).");
}

DesktopRequests::Answer<control::Locate> DesktopRequests::answer(
    const control::Locate& request) const {
  const platform::ScreenScene scene = desktop_->scene();
  const auto found = platform::ScreenLayout::of(scene).locate(request.target);
  if (!found) {
    return refused(controlStatus::notThere,
                   "Nothing called \"" + request.target + "\" is on screen.");
  }
  return *found;
}

DesktopRequests::Answer<control::Apps> DesktopRequests::answer(
    const control::Apps& /*request*/) const {
  return desktop_->runningApplications();
}

DesktopRequests::Answer<control::Show> DesktopRequests::answer(
    const control::Show& /*request*/) const {
  return platform::ShownScreen{desktop_->describeScreen(), desktop_->notifications(),
                               desktop_->openMenu(), desktop_->renderText()};
}

DesktopRequests::Answer<control::SetScreens> DesktopRequests::answer(control::SetScreens request) {
  if (request.screens.empty()) {
    return refused(controlStatus::badRequest, "A desktop needs at least one screen.");
  }
  const auto set = desktop_->setScreens(std::move(request.screens));
  if (!set) {
    return refused(controlStatus::notThere, set.error().localizedDescription);
  }
  return Done{};
}

DesktopRequests::Answer<control::SetLanguages> DesktopRequests::answer(
    const control::SetLanguages& request) {
  if (request.languages.empty() ||
      std::ranges::any_of(request.languages, [](const std::string& tag) { return tag.empty(); })) {
    return refused(controlStatus::badRequest, "Languages are a list of language tags.");
  }
  desktop_->setPreferredLanguages(request.languages);
  return Done{};
}

// ---- the user's launchd

DesktopRequests::Answer<control::Agents> DesktopRequests::answer(
    const control::Agents& /*request*/) const {
  std::vector<platform::AgentDescription> agents;
  for (const LoadedAgent& loaded : launchd_->agents()) {
    agents.push_back(describeAgent(loaded));
  }
  return agents;
}

DesktopRequests::Answer<control::Bootstrap> DesktopRequests::answer(
    const control::Bootstrap& request) {
  if (request.path.empty()) {
    return std::unexpected(malformedField("path"));
  }
  return done(launchd_->bootstrap(request.path));
}

DesktopRequests::Answer<control::Bootout> DesktopRequests::answer(const control::Bootout& request) {
  if (request.path.empty()) {
    return std::unexpected(malformedField("path"));
  }
  return done(launchd_->bootout(request.path));
}

DesktopRequests::Answer<control::Kickstart> DesktopRequests::answer(
    const control::Kickstart& request) {
  const auto pid = launchd_->kickstart(request.label, request.kill);
  if (!pid) {
    return std::unexpected(pid.error());
  }
  return platform::AgentStart{*pid};
}

DesktopRequests::Answer<control::Print> DesktopRequests::answer(
    const control::Print& request) const {
  const auto loaded = launchd_->print(request.label);
  if (!loaded) {
    return std::unexpected(loaded.error());
  }
  return describeAgent(*loaded);
}

DesktopRequests::Answer<control::Login> DesktopRequests::answer(const control::Login& /*request*/) {
  return launchd_->login(home_ / "Library" / "LaunchAgents");
}

DesktopRequests::Answer<control::Logout> DesktopRequests::answer(
    const control::Logout& /*request*/) {
  for (const auto& application : desktop_->runningApplications()) {
    if (application.bundleIdentifier != platform::EmulatedDesktop::otherApplicationIdentifier) {
      desktop_->terminateApplication(application.pid);
    }
  }
  launchd_->logout();
  return Done{};
}

std::optional<bool> DesktopRequests::holds(const std::string& what, const std::string& name) const {
  if (what == "alert") {
    return !desktop_->describeScreen().alerts.empty();
  }
  if (what == "window") {
    return std::ranges::any_of(desktop_->describeScreen().windows,
                               [&](const auto& window) { return window.element.title == name; });
  }
  if (what == "app" || what == "gone") {
    const bool running = std::ranges::any_of(
        desktop_->runningApplications(), [&](const platform::RunningApplicationState& application) {
          return application.bundleIdentifier == name;
        });
    return what == "app" ? running : !running;
  }
  if (what == "shown" || what == "hidden") {
    // Shown: not hidden and in front, as the user sees an application they asked for.
    const std::optional<pid_t> frontmost = desktop_->frontmostApplication();
    return std::ranges::any_of(
        desktop_->runningApplications(), [&](const platform::RunningApplicationState& application) {
          return application.bundleIdentifier == name &&
                 (what == "hidden" ? application.hidden
                                   : !application.hidden && frontmost == application.pid);
        });
  }
  if (what == "hotkey") {
    const std::optional<platform::KeyChord> chord = platform::parseKeyChord(name);
    if (!chord) {
      return std::nullopt;
    }
    return std::ranges::any_of(desktop_->hotKeys(), [&](const auto& registration) {
      return registration.keyCode == chord->keyCode &&
             registration.modifiers == chord->carbonModifiers;
    });
  }
  return std::nullopt;
}

}  // namespace desktop
