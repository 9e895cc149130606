#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// What the running process was started with: its arguments, its environment and the real user.
// A plain value; safe to read from any thread.
class ProcessInfo {
 public:
  ProcessInfo(std::vector<std::string> arguments, std::map<std::string, std::string> environment,
              uid_t realUserId);

  // The running process, read once (its arguments as the system keeps them, the environment as it
  // was at the first call, the real user id).
  static const ProcessInfo& current();

  const std::vector<std::string>& arguments() const { return arguments_; }
  const std::map<std::string, std::string>& environment() const { return environment_; }
  // The value of an environment variable; absent when unset, an empty string when set but empty.
  std::optional<std::string> environmentValue(const std::string& name) const;
  uid_t realUserId() const { return realUserId_; }

  // The user's languages as tags ("fr-FR"), most preferred first: from LANGUAGE (a colon list),
  // else from the first set of LC_ALL, LC_MESSAGES and LANG. "C", "POSIX" and empty entries do not
  // count; {"en"} when nothing remains.
  std::vector<std::string> preferredLanguages() const;

  // Blocks the calling thread for at least the given time, also when signals interrupt the sleep.
  static void sleepMicroseconds(std::uint64_t microseconds);

 private:
  std::vector<std::string> arguments_;
  std::map<std::string, std::string> environment_;
  uid_t realUserId_;
};

}  // namespace platform
