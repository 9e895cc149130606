#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "support/TemporaryFolder.h"
#include "support/ToolRunner.h"

namespace testsupport {

// An emulated desktop of a test's own, run by a real desktopd: a temporary folder with home/, tmp/
// and desktop/, and `desktopctl start` run with the session's environment. Every tool runs with
// exactly that environment. The destructor stops the daemon with `desktopctl stop` (a failure
// there fails the test; a shutdown request is then sent directly), fails the test when the
// daemon's log shows a sanitizer report, and removes the folder.
//
//   testsupport::DesktopSession session;
//   EXPECT_EQ(session.ctl("focus", "none").exitStatus, 0);
//   testsupport::BackgroundProcess waiting(DesktopSession::tool("desktopctl"),
//                                          {"wait", "app", "app.ferrolin.desktop"},
//                                          session.environment());
class DesktopSession {
 public:
  // `extra` joins the environment of every tool, so the daemon and every program it starts see it.
  // Throws std::runtime_error, with desktopctl's message, when the desktop does not start.
  explicit DesktopSession(const Environment& extra = {});
  ~DesktopSession();
  DesktopSession(const DesktopSession&) = delete;
  DesktopSession& operator=(const DesktopSession&) = delete;
  DesktopSession(DesktopSession&&) = delete;
  DesktopSession& operator=(DesktopSession&&) = delete;

  // The folder of the built tools and test programs (desktopctl, desktopd, launchctl, open, ...).
  static std::filesystem::path toolFolder();
  static std::filesystem::path tool(const std::string& name) { return toolFolder() / name; }

  const std::filesystem::path& home() const { return home_; }
  const std::filesystem::path& tmp() const { return tmp_; }
  // EMULATED_DESKTOP: the daemon's socket and root/ (root/bin/launchctl, root/usr/bin/open,
  // root/Applications) are in it.
  const std::filesystem::path& desktopFolder() const { return desktop_; }

  // HOME, TMPDIR, EMULATED_DESKTOP, PATH (the tool folder, then /usr/bin and /bin), and the
  // sanitizers' option variables when the test itself has them.
  const Environment& environment() const { return environment_; }

  // desktopctl with these arguments, for example ctl("wait", "app", "org.example.x").
  ToolResult ctl(const std::vector<std::string>& arguments) const;
  template <typename... Words>
  ToolResult ctl(const Words&... words) const {
    return ctl(std::vector<std::string>{std::string(words)...});
  }
  // A query's JSON document (`desktopctl <query> --json`); a failed query fails the test.
  nlohmann::json query(const std::string& query) const;
  // The application with that bundle identifier as `desktopctl apps --json` lists it; null when
  // it is not running.
  nlohmann::json application(const std::string& bundleIdentifier) const;

  // Any program, with the session's environment.
  ToolResult run(const std::filesystem::path& executable,
                 const std::vector<std::string>& arguments) const;

  // Stops the daemon now with `desktopctl stop` and returns what it said; the destructor then
  // leaves the daemon alone.
  ToolResult stop();

 private:
  // Sends the shutdown request itself, for a daemon that `desktopctl stop` did not end.
  void shutDownDirectly() const;

  TemporaryFolder folder_;
  std::filesystem::path home_;
  std::filesystem::path tmp_;
  std::filesystem::path desktop_;
  Environment environment_;
  bool running_ = false;
};

}  // namespace testsupport
