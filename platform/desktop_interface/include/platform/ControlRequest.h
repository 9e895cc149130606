#pragma once

#include <sys/types.h>

#include <cstddef>
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <variant>
#include <vector>

#include "platform/DesktopRecords.h"
#include "platform/DesktopRequest.h"
#include "platform/Geometry.h"
#include "platform/InterfaceRecords.h"

namespace platform {

// The requests the desktop's tools make of it: the user's hands and eyes (desktopctl), its launchd
// (the launchctl stand-in), the starts of programs (open, a program's journal) and the waits. One
// record each, as in the program table (`op`, `fields()`, `Reply`): the daemon reads them with the
// same generic coder and serves each with a handler of its own, so a new one is a record here, its
// handler and the command that sends it. A field of type std::optional may be left out.

// Why the desktop refused a control request: the exit status a command-line tool reports for it
// (controlStatus, or launchd's own) and a sentence.
struct ControlFailure {
  int status = 1;
  std::string message;
};

namespace controlStatus {
inline constexpr int notThere = 1;    // not there, or it failed
inline constexpr int badRequest = 2;  // a request the desktop cannot carry out as asked
}  // namespace controlStatus

template <typename T>
using ControlResult = std::expected<T, ControlFailure>;

// What the screen shows: its contents, the notifications on it, the menu the user opened and the
// screen as text.
struct ShownScreen {
  ScreenContents screen;
  std::vector<NotificationRecord> notifications;
  std::optional<OpenMenu> openMenu;
  std::string text;
};

// The journal, with the number of older entries it dropped to stay within its bound.
struct JournalReport {
  std::size_t dropped = 0;
  std::vector<JournalEntry> entries;
};

// A launch agent loaded into the user's launchd, and the pid of its program while it runs.
struct AgentDescription {
  std::string label;
  std::string path;
  std::vector<std::string> programArguments;
  bool runAtLoad = false;
  std::optional<pid_t> pid;
};

// A program the desktop started, or the running application it brought to the front instead.
struct ProgramLaunch {
  pid_t pid = 0;
  bool alreadyRunning = false;
};

// The program a launch agent runs after a kickstart.
struct AgentStart {
  pid_t pid = 0;
};

namespace control {

// Programs started on the desktop, the addresses opened there, what was delivered.
struct RecordProgramStart {
  static constexpr std::string_view op = "recordProgramStart";
  using Reply = Done;
  pid_t pid = 0;
  std::string path;
  std::vector<std::string> arguments;
  static constexpr auto fields() {
    return std::tuple{field("pid", &RecordProgramStart::pid),
                      field("path", &RecordProgramStart::path),
                      field("arguments", &RecordProgramStart::arguments)};
  }
};

// Starts a program with the desktop's environment; an application already running from
// `bundlePath` comes to the front instead.
struct Launch {
  static constexpr std::string_view op = "launch";
  using Reply = ProgramLaunch;
  std::string path;
  std::vector<std::string> arguments;
  std::optional<std::string> bundlePath;
  static constexpr auto fields() {
    return std::tuple{field("path", &Launch::path), field("arguments", &Launch::arguments),
                      field("bundlePath", &Launch::bundlePath)};
  }
};

struct Journal {
  static constexpr std::string_view op = "journal";
  using Reply = JournalReport;
  static constexpr auto fields() { return std::tuple{}; }
};

// The user's hands: a shortcut pressed system-wide, the front application, a menu item, a control
// clicked, an alert dismissed, a pop-up entry chosen, a key to the key window's focused view.
struct Press {
  static constexpr std::string_view op = "press";
  using Reply = Done;
  std::string shortcut;  // words, as in "command+option+b"
  static constexpr auto fields() { return std::tuple{field("shortcut", &Press::shortcut)}; }
};

// Nothing named: no application frontmost.
struct Focus {
  static constexpr std::string_view op = "focus";
  using Reply = Done;
  std::optional<std::string> bundleIdentifier;
  static constexpr auto fields() {
    return std::tuple{field("bundleIdentifier", &Focus::bundleIdentifier)};
  }
};

struct ChooseMenuItem {
  static constexpr std::string_view op = "menu";
  using Reply = Done;
  std::string item;
  std::optional<std::string> app;  // the bundle identifier of the status item's program
  static constexpr auto fields() {
    return std::tuple{field("item", &ChooseMenuItem::item), field("app", &ChooseMenuItem::app)};
  }
};

struct Click {
  static constexpr std::string_view op = "click";
  using Reply = Done;
  std::string target;  // an identifier or a title
  static constexpr auto fields() { return std::tuple{field("target", &Click::target)}; }
};

struct Dismiss {
  static constexpr std::string_view op = "dismiss";
  using Reply = Done;
  static constexpr auto fields() { return std::tuple{}; }
};

struct Select {
  static constexpr std::string_view op = "select";
  using Reply = Done;
  std::string item;
  std::optional<std::string> in;  // the pop-up's identifier
  static constexpr auto fields() {
    return std::tuple{field("item", &Select::item), field("in", &Select::in)};
  }
};

struct Key {
  static constexpr std::string_view op = "key";
  using Reply = Done;
  std::string shortcut;  // words, as in "command+a" or "tab"
  static constexpr auto fields() { return std::tuple{field("shortcut", &Key::shortcut)}; }
};

// The user's hands on the screen as it is drawn: a click at a point, in points from the main
// screen's top left, and a key as a person types it (an open menu, a hot key, the frontmost alert
// or the key window takes it).
struct ClickAt {
  static constexpr std::string_view op = "clickAt";
  using Reply = Done;
  double x = 0;
  double y = 0;
  static constexpr auto fields() {
    return std::tuple{field("x", &ClickAt::x), field("y", &ClickAt::y)};
  }
};

struct Type {
  static constexpr std::string_view op = "type";
  using Reply = Done;
  std::string shortcut;  // words, as in "command+option+b" or "escape"
  static constexpr auto fields() { return std::tuple{field("shortcut", &Type::shortcut)}; }
};

// Where the topmost thing called `target` is on the screen, in points from the main screen's top
// left: an entry of the open menu, a status item (by title or bundle identifier), an alert's button
// or a view of an alert or a window (by identifier, title or text).
struct Locate {
  static constexpr std::string_view op = "locate";
  using Reply = Rect;
  std::string target;
  static constexpr auto fields() { return std::tuple{field("target", &Locate::target)}; }
};

// The user's eyes and settings: the running applications, the screen, the attached screens (read
// with the program table's request::Screens) and the preferred languages.
struct Apps {
  static constexpr std::string_view op = "apps";
  using Reply = std::vector<RunningApplicationState>;
  static constexpr auto fields() { return std::tuple{}; }
};

struct Show {
  static constexpr std::string_view op = "show";
  using Reply = ShownScreen;
  static constexpr auto fields() { return std::tuple{}; }
};

struct SetScreens {
  static constexpr std::string_view op = "setScreens";
  using Reply = Done;
  std::vector<ScreenDescription> screens;
  static constexpr auto fields() { return std::tuple{field("screens", &SetScreens::screens)}; }
};

struct SetLanguages {
  static constexpr std::string_view op = "setLanguages";
  using Reply = Done;
  std::vector<std::string> languages;
  static constexpr auto fields() {
    return std::tuple{field("languages", &SetLanguages::languages)};
  }
};

// The user's launchd: agents loaded from their files, started, described; login and logout.
struct Agents {
  static constexpr std::string_view op = "agents";
  using Reply = std::vector<AgentDescription>;
  static constexpr auto fields() { return std::tuple{}; }
};

struct Bootstrap {
  static constexpr std::string_view op = "bootstrap";
  using Reply = Done;
  std::string path;  // the agent file's absolute path
  static constexpr auto fields() { return std::tuple{field("path", &Bootstrap::path)}; }
};

struct Bootout {
  static constexpr std::string_view op = "bootout";
  using Reply = Done;
  std::string path;
  static constexpr auto fields() { return std::tuple{field("path", &Bootout::path)}; }
};

struct Kickstart {
  static constexpr std::string_view op = "kickstart";
  using Reply = AgentStart;
  std::string label;
  bool kill = false;  // stop a running instance first
  static constexpr auto fields() {
    return std::tuple{field("label", &Kickstart::label), field("kill", &Kickstart::kill)};
  }
};

struct Print {
  static constexpr std::string_view op = "print";
  using Reply = AgentDescription;
  std::string label;
  static constexpr auto fields() { return std::tuple{field("label", &Print::label)}; }
};

// Loads the agents of the user's LaunchAgents folder that run at load; answers their labels.
struct Login {
  static constexpr std::string_view op = "login";
  using Reply = std::vector<std::string>;
  static constexpr auto fields() { return std::tuple{}; }
};

struct Logout {
  static constexpr std::string_view op = "logout";
  using Reply = Done;
  static constexpr auto fields() { return std::tuple{}; }
};

// The daemon's own: an answer once a condition holds ("alert", "window" title, "app" or "gone"
// bundle identifier, "shown", "hidden", "hotkey" shortcut words) or a refusal when `timeout`
// seconds have passed; and its end.
struct Wait {
  static constexpr std::string_view op = "wait";
  using Reply = Done;
  std::string what;
  std::optional<std::string> name;
  double timeout = 10;
  static constexpr auto fields() {
    return std::tuple{field("what", &Wait::what), field("name", &Wait::name),
                      field("timeout", &Wait::timeout)};
  }
};

// After its answer, the daemon sends {"event": "screenChanged"} on the connection each time what
// the screen shows has changed (at most once for the requests it read at one time).
struct Watch {
  static constexpr std::string_view op = "watch";
  using Reply = Done;
  static constexpr auto fields() { return std::tuple{}; }
};

struct Shutdown {
  static constexpr std::string_view op = "shutdown";
  using Reply = Done;
  static constexpr auto fields() { return std::tuple{}; }
};

}  // namespace control

using ControlRequest =
    std::variant<control::RecordProgramStart, control::Launch, control::Journal, control::Press,
                 control::Focus, control::ChooseMenuItem, control::Click, control::Dismiss,
                 control::Select, control::Key, control::ClickAt, control::Type, control::Locate,
                 control::Apps, control::Show, control::SetScreens, control::SetLanguages,
                 control::Agents, control::Bootstrap, control::Bootout, control::Kickstart,
                 control::Print, control::Login, control::Logout, control::Wait, control::Watch,
                 control::Shutdown>;

// Every answer type of the control table.
using ControlReply =
    std::variant<Done, ProgramLaunch, JournalReport, std::vector<RunningApplicationState>,
                 ShownScreen, std::vector<AgentDescription>, AgentStart, AgentDescription,
                 std::vector<std::string>, Rect>;

}  // namespace platform
