#include "DesktopRequests.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include <nlohmann/json.hpp>

#include "model/KeyNames.h"
#include "platform/DesktopWire.h"

namespace desktop {

namespace wire = platform::wire;

namespace {

constexpr int notThere = 1;
constexpr int badRequest = 2;

Reply missing(const std::string& field) {
  return Reply::failure(badRequest, "The request lacks a valid \"" + field + "\".");
}

Reply fromBool(bool done, std::string error) {
  return done ? Reply::success() : Reply::failure(notThere, std::move(error));
}

// The same bundle location, however it was spelled.
bool sameLocation(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::error_code error;
  const auto canonicalA = std::filesystem::weakly_canonical(a, error);
  const auto canonicalB = std::filesystem::weakly_canonical(b, error);
  return canonicalA.lexically_normal() == canonicalB.lexically_normal();
}

Reply fromLaunchd(const LaunchdFailure& failure) {
  return Reply::failure(failure.status, failure.message);
}

nlohmann::json describeAgent(const LoadedAgent& loaded) {
  nlohmann::json agent = {{"label", loaded.agent.label},
                          {"path", loaded.agent.path.string()},
                          {"programArguments", loaded.agent.programArguments},
                          {"runAtLoad", loaded.agent.runAtLoad}};
  agent["pid"] = loaded.pid ? nlohmann::json(*loaded.pid) : nlohmann::json(nullptr);
  return agent;
}

}  // namespace

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

Reply DesktopRequests::handle(std::uint64_t client, pid_t peer, const std::string& op,
                              const nlohmann::json& request) {
  if (auto reply = programRequest(client, peer, op, request)) {
    return std::move(*reply);
  }
  if (auto reply = userRequest(op, request)) {
    return std::move(*reply);
  }
  if (auto reply = launchdRequest(op, request)) {
    return std::move(*reply);
  }
  return Reply::failure(badRequest, "Unknown request \"" + op + "\".");
}

std::optional<Reply> DesktopRequests::programRequest(std::uint64_t client, pid_t peer,
                                                     const std::string& op,
                                                     const nlohmann::json& request) {
  auto decoded = wire::decodeRequest(op, request);
  if (!decoded) {
    return std::nullopt;
  }
  if (!*decoded) {
    return missing(decoded->error());
  }
  platform::ProgramRequest& typed = **decoded;
  // The process at the other end is who it is, whatever it says.
  if (auto* checkIn = std::get_if<platform::request::CheckIn>(&typed)) {
    checkIn->identity.pid = peer;
  }
  return Reply::success(wire::encodeReply(desktop_->handle(client, typed)));
}

std::optional<Reply> DesktopRequests::userRequest(const std::string& op,
                                                  const nlohmann::json& request) {
  if (op == "recordProgramStart") {
    const auto pid = wire::pidAt(request, "pid");
    const auto path = wire::stringAt(request, "path");
    const auto arguments = wire::stringsAt(request, "arguments");
    if (!pid || !path || !arguments) {
      return missing("path");
    }
    desktop_->recordProgramStart(*pid, *path, *arguments);
    return Reply::success();
  }
  if (op == "launch") {
    return launch(request);
  }
  if (op == "press") {
    const auto shortcut = wire::stringAt(request, "shortcut");
    if (!shortcut) {
      return missing("shortcut");
    }
    return fromBool(desktop_->press(*shortcut), "No program has registered " + *shortcut + ".");
  }
  if (op == "focus") {
    const auto identifier = wire::stringAt(request, "bundleIdentifier");
    if (!identifier) {
      desktop_->focusNone();
      return Reply::success();
    }
    return fromBool(desktop_->focus(*identifier), "No application " + *identifier + " is running.");
  }
  if (op == "apps") {
    return Reply::success(applications());
  }
  if (op == "show") {
    nlohmann::json notifications = nlohmann::json::array();
    for (const auto& notification : desktop_->notifications()) {
      notifications.push_back(wire::encode(notification));
    }
    return Reply::success({{"screen", wire::encode(desktop_->describeScreen())},
                           {"notifications", std::move(notifications)},
                           {"text", desktop_->renderText()}});
  }
  if (op == "menu") {
    const auto item = wire::stringAt(request, "item");
    if (!item) {
      return missing("item");
    }
    return fromBool(desktop_->chooseMenuItem(*item, wire::stringAt(request, "app")),
                    "No enabled menu item \"" + *item + "\" is there.");
  }
  if (op == "click") {
    const auto target = wire::stringAt(request, "target");
    if (!target) {
      return missing("target");
    }
    return fromBool(desktop_->click(*target), "Nothing called \"" + *target + "\" is on screen.");
  }
  if (op == "dismiss") {
    return fromBool(desktop_->dismissAlert(), "No alert is on screen.");
  }
  if (op == "select") {
    const auto item = wire::stringAt(request, "item");
    if (!item) {
      return missing("item");
    }
    return fromBool(desktop_->select(*item, wire::stringAt(request, "in")),
                    "No pop-up on screen offers \"" + *item + "\".");
  }
  if (op == "key") {
    const auto shortcut = wire::stringAt(request, "shortcut");
    if (!shortcut) {
      return missing("shortcut");
    }
    return fromBool(desktop_->key(*shortcut),
                    "No key window takes \"" + *shortcut + "\" (or the key is unknown).");
  }
  if (op == "setScreens") {
    const nlohmann::json list = request.value("screens", nlohmann::json());
    std::vector<platform::ScreenDescription> screens;
    if (list.is_array()) {
      for (const nlohmann::json& element : list) {
        if (auto screen = wire::decodeScreen(element)) {
          screens.push_back(std::move(*screen));
        } else {
          return Reply::failure(badRequest, "Not a screen: " + element.dump());
        }
      }
    }
    if (screens.empty()) {
      return Reply::failure(badRequest, "A desktop needs at least one screen.");
    }
    const auto set = desktop_->setScreens(std::move(screens));
    return set ? Reply::success() : Reply::failure(1, set.error().localizedDescription);
  }
  if (op == "setLanguages") {
    const auto languages = wire::stringsAt(request, "languages");
    if (!languages || languages->empty() ||
        std::ranges::any_of(*languages, [](const std::string& tag) { return tag.empty(); })) {
      return Reply::failure(badRequest, "Languages are a list of language tags.");
    }
    desktop_->setPreferredLanguages(*languages);
    return Reply::success();
  }
  if (op == "journal") {
    nlohmann::json entries = nlohmann::json::array();
    if (const std::size_t dropped = desktop_->journalEntriesDropped(); dropped > 0) {
      entries.push_back({{"kind", "dropped"}, {"count", dropped}});
    }
    for (const auto& entry : desktop_->journal()) {
      entries.push_back(wire::encode(entry));
    }
    return Reply::success(std::move(entries));
  }
  return std::nullopt;
}

std::optional<Reply> DesktopRequests::launchdRequest(const std::string& op,
                                                     const nlohmann::json& request) {
  if (op == "agents") {
    nlohmann::json agents = nlohmann::json::array();
    for (const LoadedAgent& loaded : launchd_->agents()) {
      agents.push_back(describeAgent(loaded));
    }
    return Reply::success(std::move(agents));
  }
  if (op == "bootstrap" || op == "bootout") {
    const auto path = wire::stringAt(request, "path");
    if (!path || path->empty()) {
      return missing("path");
    }
    const auto done = op == "bootstrap" ? launchd_->bootstrap(*path) : launchd_->bootout(*path);
    return done ? Reply::success() : fromLaunchd(done.error());
  }
  if (op == "kickstart") {
    const auto label = wire::stringAt(request, "label");
    if (!label) {
      return missing("label");
    }
    const auto pid = launchd_->kickstart(*label, wire::boolAt(request, "kill").value_or(false));
    return pid ? Reply::success({{"pid", *pid}}) : fromLaunchd(pid.error());
  }
  if (op == "print") {
    const auto label = wire::stringAt(request, "label");
    if (!label) {
      return missing("label");
    }
    const auto loaded = launchd_->print(*label);
    return loaded ? Reply::success(describeAgent(*loaded)) : fromLaunchd(loaded.error());
  }
  if (op == "login") {
    return Reply::success(launchd_->login(home_ / "Library" / "LaunchAgents"));
  }
  if (op == "logout") {
    logout();
    return Reply::success();
  }
  return std::nullopt;
}

Reply DesktopRequests::launch(const nlohmann::json& request) {
  const auto path = wire::stringAt(request, "path");
  const auto arguments = wire::stringsAt(request, "arguments");
  if (!path || path->empty() || !arguments) {
    return missing("path");
  }
  // An application that is already running comes to the front instead of starting twice.
  if (const auto bundle = wire::stringAt(request, "bundlePath")) {
    for (const auto& application : desktop_->runningApplications()) {
      if (application.bundlePath && sameLocation(*application.bundlePath, *bundle)) {
        desktop_->activateApplication(application.pid);
        return Reply::success({{"pid", application.pid}, {"alreadyRunning", true}});
      }
    }
  }
  const auto pid = start(*path, *arguments);
  if (!pid) {
    return Reply::failure(notThere, pid.error().localizedDescription);
  }
  return Reply::success({{"pid", *pid}, {"alreadyRunning", false}});
}

nlohmann::json DesktopRequests::applications() const {
  nlohmann::json list = nlohmann::json::array();
  for (const auto& application : desktop_->runningApplications()) {
    list.push_back(wire::encode(application));
  }
  return list;
}

void DesktopRequests::logout() {
  for (const auto& application : desktop_->runningApplications()) {
    if (application.bundleIdentifier != platform::EmulatedDesktop::otherApplicationIdentifier) {
      desktop_->terminateApplication(application.pid);
    }
  }
  launchd_->logout();
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
