#include "platform/Url.h"

#include <uriparser/Uri.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <system_error>
#include <utility>

namespace platform {
namespace {

// uriparser's record of a URI, with what it allocated freed at the end.
struct ParsedUri {
  UriUriA uri{};
  ParsedUri() = default;
  ~ParsedUri() { uriFreeUriMembersA(&uri); }
  ParsedUri(const ParsedUri&) = delete;
  ParsedUri& operator=(const ParsedUri&) = delete;
  ParsedUri(ParsedUri&&) = delete;
  ParsedUri& operator=(ParsedUri&&) = delete;
};

bool present(const UriTextRangeA& range) {
  return range.first != nullptr;
}

std::string_view textOf(const UriTextRangeA& range) {
  return present(range) ? std::string_view(range.first, range.afterLast) : std::string_view();
}

std::string lowercase(std::string_view text) {
  std::string lower(text);
  std::ranges::transform(lower, lower.begin(),
                         [](unsigned char character) { return std::tolower(character); });
  return lower;
}

// The schemes the suite reaches its web service and its download page by.
bool isWebScheme(const std::string& scheme) {
  return scheme == "http" || scheme == "https";
}

// Whether a port text is a port number (an empty one means the scheme's own).
bool isPort(std::string_view text) {
  std::uint16_t port = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
  return text.empty() || (error == std::errc() && end == text.data() + text.size());
}

// The URL put together again from its parts, in the form the suite keeps: the scheme in lower
// case, no empty port, the path without "." and ".." segments and "/" at least.
std::string normalForm(const UriUriA& uri, const std::string& scheme) {
  std::string text = scheme + "://";
  if (present(uri.userInfo)) {
    text.append(textOf(uri.userInfo)).push_back('@');
  }
  // An address in brackets (IPv6 or a later version) is kept without them.
  const bool bracketed = uri.hostData.ip6 != nullptr || present(uri.hostData.ipFuture);
  text.append(bracketed ? "[" : "").append(textOf(uri.hostText)).append(bracketed ? "]" : "");
  if (!textOf(uri.portText).empty()) {
    text.append(":").append(textOf(uri.portText));
  }
  if (uri.pathHead == nullptr) {
    text.push_back('/');
  }
  for (const UriPathSegmentA* segment = uri.pathHead; segment != nullptr; segment = segment->next) {
    text.append("/").append(textOf(segment->text));
  }
  if (present(uri.query)) {
    text.append("?").append(textOf(uri.query));
  }
  if (present(uri.fragment)) {
    text.append("#").append(textOf(uri.fragment));
  }
  return text;
}

}  // namespace

std::optional<Url> Url::parse(std::string_view text) {
  ParsedUri parsed;
  UriUriA& uri = parsed.uri;
  const char* errorPosition = nullptr;
  if (uriParseSingleUriExA(&uri, text.data(), text.data() + text.size(), &errorPosition) !=
      URI_SUCCESS) {
    return std::nullopt;
  }
  const std::string scheme = lowercase(textOf(uri.scheme));
  if (!isWebScheme(scheme) || textOf(uri.hostText).empty() || !isPort(textOf(uri.portText)) ||
      uriNormalizeSyntaxExA(&uri, URI_NORMALIZE_PATH) != URI_SUCCESS) {
    return std::nullopt;
  }
  return Url(normalForm(uri, scheme));
}

}  // namespace platform
