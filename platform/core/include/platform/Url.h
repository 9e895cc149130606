#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace platform {

// An absolute URL with a scheme and a host, kept in the form libcurl normalises it to
// (for example "http://example.com" becomes "http://example.com/").
class Url {
 public:
  // The URL in `text`, or nothing when libcurl's parser does not accept it as an absolute URL of a
  // scheme it supports with a host, or when libcurl cannot be loaded. libcurl runs in a
  // short-lived helper process, so this blocks the calling thread for about ten milliseconds. Any
  // thread.
  static std::optional<Url> parse(std::string_view text);

  [[nodiscard]] const std::string& absoluteString() const { return absoluteString_; }

  friend bool operator==(const Url&, const Url&) = default;

 private:
  explicit Url(std::string absoluteString) : absoluteString_(std::move(absoluteString)) {}

  std::string absoluteString_;
};

}  // namespace platform
