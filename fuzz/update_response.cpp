// The web service's answer to an update check, against the installed version "1.0.0".

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "UpdateChecker.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string body(fuzz::text(data, size));
  const auto result = launcher::versionCheckResult(body, "1.0.0");
  if (result && *result) {
    const std::string& latest = (*result)->latestVersion;
    fuzz::require(launcher::isVersion(latest, (*result)->currentVersion),
                  "a result is newer than the installed version");
    fuzz::require(!latest.empty() && latest.size() <= 64 &&
                      latest.find_first_not_of("0123456789.-+abcdefghijklmnopqrstuvwxyz"
                                               "ABCDEFGHIJKLMNOPQRSTUVWXYZ") == std::string::npos,
                  "a version shown is letters, digits, '.', '-' and '+', at most 64");
    static_cast<void>((*result)->message());
  }
  return 0;
}
