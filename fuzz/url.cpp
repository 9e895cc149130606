// Addresses as the launcher's configuration gives them: the update service's origin and the
// download page.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "FuzzSupport.h"
#include "platform/Url.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::optional<platform::Url> url = platform::Url::parse(fuzz::text(data, size));
  if (!url) {
    return 0;
  }
  const std::string& normal = url->absoluteString();
  fuzz::require(normal.starts_with("http://") || normal.starts_with("https://"),
                "only web addresses parse");
  fuzz::require(platform::Url::parse(normal) == url, "the normal form parses to itself");
  return 0;
}
