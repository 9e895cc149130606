#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "LauncherConfig.h"
#include "platform/Error.h"
#include "platform/EventLoop.h"
#include "platform/HttpSession.h"

namespace launcher {

// A newer version the web service published, next to the installed one.
struct VersionCheckResult {
  std::string latestVersion;   // as the service sent it
  std::string currentVersion;  // the configuration's installed version

  // "Update available: <latest> (installed <current>)": the status menu line, the status item's
  // tool tip, the notification body and the settings window's update line.
  std::string message() const;

  friend bool operator==(const VersionCheckResult&, const VersionCheckResult&) = default;
};

// The numbers of a version text: pieces between dots (empty pieces dropped), each read from its
// leading decimal digits; no digits, or a number beyond 64 bits, reads as 0. "1.10-beta.2" gives
// [1, 10, 2]; "" gives [].
std::vector<std::int64_t> versionParts(std::string_view version);

// Whether `version` is newer than `reference`, comparing the parts in order with missing parts as
// 0: "1.10" is newer than "1.9"; "1.2" and "1.2.0" are equal.
bool isVersion(std::string_view version, std::string_view newerThan);

// What one check learned: a newer version (a result), the installed one is current (no result),
// or nothing (an error: the service could not be asked, or its answer names no version).
using UpdateCheckOutcome = platform::Result<std::optional<VersionCheckResult>>;

// What one answer of the web service means: a result exactly when `body` is a JSON object whose
// "version" text is newer than `currentVersion`, no result for a version that is not newer, and an
// error for a body without a "version" text that could be shown.
UpdateCheckOutcome versionCheckResult(const std::string& body, std::string currentVersion);

// Asks the product's web service for the latest published version, one GET per check. Keeps no
// state between checks, so several may run at once.
class UpdateChecker {
 public:
  static constexpr std::string_view latestVersionPath = "/api/app/latest-version";
  static constexpr std::chrono::seconds requestTimeout{8};

  using Completion = std::function<void(UpdateCheckOutcome)>;

  // session: sends the requests; mainQueue: where completions run.
  explicit UpdateChecker(LauncherConfig config, platform::HttpSession& session,
                         platform::EventLoop& mainQueue);

  const LauncherConfig& config() const { return config_; }

  // Starts one check and returns at once. The completion gets a result exactly when the service
  // answers with a "version" newer than the installed one, and no result for one that is not
  // newer; every failure is an error, and so is a "version" longer than 64 characters or holding a
  // control character. It runs later on the main queue, except for an origin that makes no valid
  // address: then it runs at once, on the calling thread. Main thread only.
  void check(Completion completion) const;

 private:
  LauncherConfig config_;
  platform::HttpSession* session_;  // not owned
  platform::EventLoop* mainQueue_;  // not owned
};

}  // namespace launcher
