#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/Error.h"
#include "platform/ProcessLauncher.h"

namespace suite {

// How long the programs let one launchctl run take before they end it and count it as failed.
inline constexpr std::chrono::seconds launchctlTimeLimit{10};

// "gui/" and the user id: the user's GUI session in launchd.
std::string guiDomain(uid_t userId);

// What a launchctl run that exits with a non-zero status becomes when failures are not allowed:
// an error in `domain` with the exit status as code and `description` as its sentence.
struct LaunchctlFailure {
  std::string domain;
  std::string description;
};

// Runs "/bin/launchctl" with the arguments (no shell, inherited standard streams) and blocks until
// it exits, for at most `timeLimit`. A tool that cannot be started, and one still running at the
// limit (ended and reaped, ETIMEDOUT), is the process error, also when failures are allowed; a
// non-zero exit status is `failure` unless failures are allowed. Callable from any thread.
platform::Result<void> runLaunchctl(const platform::ProcessLauncher& processes,
                                    std::chrono::milliseconds timeLimit,
                                    const std::vector<std::string>& arguments, bool allowFailure,
                                    const LaunchctlFailure& failure);

}  // namespace suite
