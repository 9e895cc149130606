// Version texts from the web service against the installed one: the first line of the input is
// one version, the rest the other.

#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "UpdateChecker.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto [first, second] = fuzz::splitAtLine(fuzz::text(data, size));
  static_cast<void>(launcher::versionParts(first));
  const bool newer = launcher::isVersion(first, second);
  const bool older = launcher::isVersion(second, first);
  fuzz::require(!(newer && older), "two versions are not each newer than the other");
  fuzz::require(!launcher::isVersion(first, first), "no version is newer than itself");
  return 0;
}
