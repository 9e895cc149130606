#include "platform/Url.h"

#include <utility>

#include "NetworkHelper.h"

namespace platform {

std::optional<Url> Url::parse(std::string_view text) {
  // libcurl takes a C string, so an embedded NUL would silently cut the text short.
  if (text.find('\0') != std::string_view::npos) {
    return std::nullopt;
  }
  std::optional<std::string> normalised = networkHelper::normalisedUrl(text);
  if (!normalised) {
    return std::nullopt;
  }
  return Url(std::move(*normalised));
}

}  // namespace platform
