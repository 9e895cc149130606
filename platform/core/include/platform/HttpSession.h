#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/Error.h"
#include "platform/Url.h"

namespace platform {

// A GET request without extra headers or body. The session keeps no cache of any kind: every
// request goes to the network.
struct HttpRequest {
  Url url;
  // The whole transfer, connecting and any redirects included, must finish within this time.
  std::chrono::milliseconds timeout{60000};
};

struct HttpResponse {
  long statusCode = 0;
};

// Codes of the errors (domain errorDomain::url) a data task ends with.
namespace urlErrorCode {
inline constexpr int unknown = -1;
inline constexpr int cancelled = -999;
inline constexpr int timedOut = -1001;
inline constexpr int cannotFindHost = -1003;
inline constexpr int cannotConnectToHost = -1004;
inline constexpr int networkConnectionLost = -1005;
inline constexpr int dataLengthExceedsMaximum = -1103;
}  // namespace urlErrorCode

// On success: the body (possibly empty) and the response, no error. On failure: the error and no
// body; the response is present when a status line was received. HTTP error statuses such as 404
// or 500 are successes: body and response are delivered.
using DataTaskCompletion =
    std::function<void(std::optional<std::string> data, std::optional<HttpResponse> response,
                       std::optional<Error> error)>;

// Runs GET transfers concurrently from one background thread the session owns, each transfer in a
// short-lived helper process of its own, so that the network library never stays loaded in the
// program. Completions run on that thread; callers hop to their own queue themselves.
class HttpSession {
 public:
  // A body larger than this ends the task with dataLengthExceedsMaximum.
  static constexpr std::size_t maximumBodySize = std::size_t{1024} * 1024;

  // The process's own session, created on first use, for its entry point to hand on.
  static HttpSession& shared();

  HttpSession();
  // Stops and joins the session's thread. Tasks still in flight complete with the cancelled error
  // before it returns. Not to be called from one of this session's completions.
  ~HttpSession();
  HttpSession(const HttpSession&) = delete;
  HttpSession& operator=(const HttpSession&) = delete;
  HttpSession(HttpSession&&) = delete;
  HttpSession& operator=(HttpSession&&) = delete;

  // Starts fetching the request and returns at once; `completion` runs once, on the session's
  // thread. Any thread, including from a completion.
  void startDataTask(HttpRequest request, DataTaskCompletion completion);

 private:
  class TransferLoop;
  std::unique_ptr<TransferLoop> loop_;
};

}  // namespace platform
