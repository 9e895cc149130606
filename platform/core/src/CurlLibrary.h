#pragma once

#include <curl/curl.h>

namespace platform {

// The libcurl functions the network helper calls (see NetworkHelper.h), resolved from
// "libcurl.so.4" at run time. No program links libcurl: opening it pulls in a few dozen libraries,
// and only the short-lived helpers need them.
//
// The headers still give the types, so a call through one of these pointers is checked like a
// direct call (apart from the variadic setopt and getinfo, whose arguments nobody checks).
struct CurlLibrary {
  decltype(&::curl_global_init) globalInit = nullptr;

  decltype(&::curl_easy_init) easyInit = nullptr;
  decltype(&::curl_easy_cleanup) easyCleanup = nullptr;
  decltype(&::curl_easy_setopt) easySetopt = nullptr;
  decltype(&::curl_easy_getinfo) easyGetinfo = nullptr;
  decltype(&::curl_easy_strerror) easyStrerror = nullptr;
  decltype(&::curl_easy_perform) easyPerform = nullptr;

  // libcurl with every function above resolved and curl_global_init done, or nullptr when the
  // library, one of its functions or its initialisation is missing. The first call opens it (a
  // few milliseconds) and later calls return the same answer at once; any thread. The library
  // stays loaded until the process ends.
  static const CurlLibrary* load();
};

}  // namespace platform
