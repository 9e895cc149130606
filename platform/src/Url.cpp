#include "platform/Url.h"

#include <curl/curl.h>

#include <memory>
#include <utility>

namespace platform {
namespace {

struct UrlHandleDeleter {
  void operator()(CURLU* handle) const { curl_url_cleanup(handle); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlHandleDeleter>;

struct CurlStringDeleter {
  void operator()(char* text) const { curl_free(text); }
};
using CurlString = std::unique_ptr<char, CurlStringDeleter>;

std::optional<std::string> partOf(CURLU* handle, CURLUPart part) {
  char* raw = nullptr;
  if (curl_url_get(handle, part, &raw, 0) != CURLUE_OK || raw == nullptr) {
    return std::nullopt;
  }
  const CurlString owned(raw);
  return std::string(owned.get());
}

}  // namespace

std::optional<Url> Url::parse(std::string_view text) {
  // libcurl takes a C string, so an embedded NUL would silently cut the text short.
  std::string terminated(text);
  if (terminated.find('\0') != std::string::npos) {
    return std::nullopt;
  }
  const UrlHandle handle(curl_url());
  if (!handle) {
    return std::nullopt;
  }
  // Without flags the parser refuses text that lacks a scheme instead of guessing one.
  if (curl_url_set(handle.get(), CURLUPART_URL, terminated.c_str(), 0) != CURLUE_OK) {
    return std::nullopt;
  }
  const std::optional<std::string> host = partOf(handle.get(), CURLUPART_HOST);
  if (!host || host->empty()) {
    return std::nullopt;
  }
  std::optional<std::string> normalised = partOf(handle.get(), CURLUPART_URL);
  if (!normalised) {
    return std::nullopt;
  }
  return Url(std::move(*normalised));
}

}  // namespace platform
