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
    fuzz::require(launcher::isVersion((*result)->latestVersion, (*result)->currentVersion),
                  "a result is newer than the installed version");
    static_cast<void>((*result)->message());
  }
  return 0;
}
