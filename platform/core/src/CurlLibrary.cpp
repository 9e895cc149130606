#include "CurlLibrary.h"

#include <dlfcn.h>

#include <optional>

namespace platform {
namespace {

// Resolves `name` in `library` into `function`; false when the library lacks it.
template <typename Function>
bool resolve(void* library, const char* name, Function& function) {
  void* address = ::dlsym(library, name);
  if (address == nullptr) {
    return false;
  }
  function = reinterpret_cast<Function>(address);
  return true;
}

std::optional<CurlLibrary> open() {
  // RTLD_LOCAL keeps libcurl's symbols, and those of the libraries it brings, out of the global
  // scope. The handle is never closed: transfers may be in use until exit.
  void* library = ::dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    return std::nullopt;
  }
  CurlLibrary curl;
  const bool complete = resolve(library, "curl_global_init", curl.globalInit) &&
                        resolve(library, "curl_easy_init", curl.easyInit) &&
                        resolve(library, "curl_easy_cleanup", curl.easyCleanup) &&
                        resolve(library, "curl_easy_setopt", curl.easySetopt) &&
                        resolve(library, "curl_easy_getinfo", curl.easyGetinfo) &&
                        resolve(library, "curl_easy_strerror", curl.easyStrerror) &&
                        resolve(library, "curl_easy_perform", curl.easyPerform);
  if (!complete) {
    return std::nullopt;
  }
  // Once per process, before any other call and before a second thread could use libcurl: the
  // function-local static in load() guarantees both.
  if (curl.globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
    return std::nullopt;
  }
  return curl;
}

}  // namespace

const CurlLibrary* CurlLibrary::load() {
  static const std::optional<CurlLibrary> library = open();
  return library ? &*library : nullptr;
}

}  // namespace platform
