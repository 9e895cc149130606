#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace platform {

// An absolute http or https URL with a host, kept in a normal form: the scheme in lower case, no
// "." or ".." path segments, no empty port, and a path of at least "/" (so "http://example.com"
// becomes "http://example.com/").
class Url {
 public:
  // The URL in `text`, or nothing when it is not a URL by RFC 3986 (a relative reference, a space,
  // a character outside ASCII), its scheme is neither http nor https, it has no host, or its port
  // is not a port number. Parsed in the process, in microseconds; any thread.
  static std::optional<Url> parse(std::string_view text);

  [[nodiscard]] const std::string& absoluteString() const { return absoluteString_; }

  friend bool operator==(const Url&, const Url&) = default;

 private:
  explicit Url(std::string absoluteString) : absoluteString_(std::move(absoluteString)) {}

  std::string absoluteString_;
};

}  // namespace platform
