#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Error.h"
#include "platform/HttpSession.h"

namespace platform::networkHelper {

// libcurl never runs in the process that asks for a transfer: each transfer starts a helper, the
// running program's own executable again, which opens libcurl, does the one fetch, writes the
// answer to its standard output and exits. A program that once loaded libcurl would otherwise
// keep its few dozen libraries mapped for good (the TLS libraries among them cannot be unloaded),
// which more than doubles the resident memory of a program that makes one request now and then.
// A helper starts in about ten milliseconds.

// A running helper and the read end of its standard output. Destroying it ends the helper and
// reaps it.
class HelperProcess {
 public:
  // A helper fetching `url`, giving up after `timeout`.
  static Result<HelperProcess> start(std::string_view url, std::chrono::milliseconds timeout);

  ~HelperProcess();
  HelperProcess(HelperProcess&& other) noexcept;
  HelperProcess& operator=(HelperProcess&& other) noexcept;
  HelperProcess(const HelperProcess&) = delete;
  HelperProcess& operator=(const HelperProcess&) = delete;

  // Readable when the helper wrote more of its answer or ended.
  [[nodiscard]] int output() const { return output_; }

  // Reads what the helper wrote without blocking; true once it has ended, or has written more than
  // any answer holds (then overlong() is true).
  bool readAvailable();
  [[nodiscard]] const std::string& answer() const { return answer_; }
  [[nodiscard]] bool overlong() const { return overlong_; }

 private:
  HelperProcess(pid_t pid, int output, int lifeline)
      : pid_(pid), output_(output), lifeline_(lifeline) {}
  void end();

  pid_t pid_ = -1;
  int output_ = -1;
  int lifeline_ = -1;  // the write end of the helper's standard input, held only here
  std::string answer_;
  bool overlong_ = false;
};

// What a fetch helper reported, with the session's meaning (see DataTaskCompletion); an unknown
// error when the answer is incomplete.
struct FetchOutcome {
  std::optional<std::string> data;
  std::optional<HttpResponse> response;
  std::optional<Error> error;
};
FetchOutcome fetchOutcome(const HelperProcess& helper);

}  // namespace platform::networkHelper
