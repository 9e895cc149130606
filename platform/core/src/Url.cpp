#include "platform/Url.h"

#include <memory>
#include <utility>

#include "CurlLibrary.h"

namespace platform {
namespace {

struct UrlHandleDeleter {
  const CurlLibrary* curl;
  void operator()(CURLU* handle) const { curl->urlCleanup(handle); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlHandleDeleter>;

struct CurlStringDeleter {
  const CurlLibrary* curl;
  void operator()(char* text) const { curl->free(text); }
};
using CurlString = std::unique_ptr<char, CurlStringDeleter>;

std::optional<std::string> partOf(const CurlLibrary& curl, CURLU* handle, CURLUPart part) {
  char* raw = nullptr;
  if (curl.urlGet(handle, part, &raw, 0) != CURLUE_OK || raw == nullptr) {
    return std::nullopt;
  }
  const CurlString owned(raw, CurlStringDeleter{&curl});
  return std::string(owned.get());
}

}  // namespace

std::optional<Url> Url::parse(std::string_view text) {
  // libcurl takes a C string, so an embedded NUL would silently cut the text short.
  std::string terminated(text);
  if (terminated.find('\0') != std::string::npos) {
    return std::nullopt;
  }
  const CurlLibrary* curl = CurlLibrary::load();
  if (curl == nullptr) {
    return std::nullopt;
  }
  const UrlHandle handle(curl->url(), UrlHandleDeleter{curl});
  if (!handle) {
    return std::nullopt;
  }
  // Without flags the parser refuses text that lacks a scheme instead of guessing one.
  if (curl->urlSet(handle.get(), CURLUPART_URL, terminated.c_str(), 0) != CURLUE_OK) {
    return std::nullopt;
  }
  const std::optional<std::string> host = partOf(*curl, handle.get(), CURLUPART_HOST);
  if (!host || host->empty()) {
    return std::nullopt;
  }
  std::optional<std::string> normalised = partOf(*curl, handle.get(), CURLUPART_URL);
  if (!normalised) {
    return std::nullopt;
  }
  return Url(std::move(*normalised));
}

}  // namespace platform
