#include "NetworkHelper.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "CurlLibrary.h"
#include "SystemFiles.h"
#include "platform/Descriptors.h"

extern char** environ;  // NOLINT(readability-redundant-declaration): POSIX leaves it undeclared.

namespace platform::networkHelper {
namespace {

// The helper's mark, the URL it fetches and the fetch's time-out travel in its environment.
constexpr std::string_view jobVariable = "PLATFORM_NETWORK_HELPER_JOB";
constexpr std::string_view textVariable = "PLATFORM_NETWORK_HELPER_TEXT";
constexpr std::string_view timeoutVariable = "PLATFORM_NETWORK_HELPER_TIMEOUT_MS";
constexpr std::string_view variablePrefix = "PLATFORM_NETWORK_HELPER_";

// Room for a fetch answer's first line next to the largest body.
constexpr std::size_t maximumAnswerSize = HttpSession::maximumBodySize + 4096;

constexpr long maximumRedirects = 5;

Error urlError(int code, std::string description) {
  return Error{errorDomain::url, code, std::move(description)};
}

Error unknownError() {
  return urlError(urlErrorCode::unknown, "An unknown error occurred.");
}

// ---- The helper's side: runs before main() of the re-started executable and never returns.

bool writeAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t written = ::write(fd, data.data(), data.size());
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

Error errorFor(const CurlLibrary& curl, CURLcode result, bool bodyTooLarge) {
  if (bodyTooLarge || result == CURLE_FILESIZE_EXCEEDED) {
    return urlError(urlErrorCode::dataLengthExceedsMaximum,
                    "The resource exceeds the maximum size.");
  }
  switch (result) {
    case CURLE_OPERATION_TIMEDOUT:
      return urlError(urlErrorCode::timedOut, "The request timed out.");
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return urlError(urlErrorCode::cannotFindHost,
                      "A server with the specified hostname could not be found.");
    case CURLE_COULDNT_CONNECT:
      return urlError(urlErrorCode::cannotConnectToHost, "Could not connect to the server.");
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
      return urlError(urlErrorCode::networkConnectionLost, "The network connection was lost.");
    default:
      return urlError(urlErrorCode::unknown, std::string("An unknown error occurred. (") +
                                                 curl.easyStrerror(result) + ")");
  }
}

struct Received {
  std::string body;
  bool bodyTooLarge = false;
};

// Keeps at most maximumBodySize bytes; one byte more fails the transfer with CURLE_WRITE_ERROR.
std::size_t receiveBody(char* data, std::size_t size, std::size_t count, void* context) {
  auto* received = static_cast<Received*>(context);
  const std::size_t length = size * count;
  if (length > HttpSession::maximumBodySize - received->body.size()) {
    received->bodyTooLarge = true;
    return 0;
  }
  received->body.append(data, length);
  return length;
}

bool configure(const CurlLibrary& curl, CURL* easy, const char* url, long timeout,
               Received& received) {
  const std::array results = {
      curl.easySetopt(easy, CURLOPT_URL, url),
      curl.easySetopt(easy, CURLOPT_HTTPGET, 1L),
      curl.easySetopt(easy, CURLOPT_NOSIGNAL, 1L),
      curl.easySetopt(easy, CURLOPT_PROTOCOLS_STR, "http,https"),
      curl.easySetopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https"),
      curl.easySetopt(easy, CURLOPT_FOLLOWLOCATION, 1L),
      curl.easySetopt(easy, CURLOPT_MAXREDIRS, maximumRedirects),
      curl.easySetopt(easy, CURLOPT_TIMEOUT_MS, timeout),
      curl.easySetopt(easy, CURLOPT_CONNECTTIMEOUT_MS, timeout),
      // Refuses an announced oversized body before any of it is read.
      curl.easySetopt(easy, CURLOPT_MAXFILESIZE_LARGE,
                      static_cast<curl_off_t>(HttpSession::maximumBodySize)),
      curl.easySetopt(easy, CURLOPT_WRITEFUNCTION, &receiveBody),
      curl.easySetopt(easy, CURLOPT_WRITEDATA, &received),
  };
  return std::ranges::all_of(results, [](CURLcode result) { return result == CURLE_OK; });
}

// A fetch's answer: "<error code> <status> <description length>\n", the description and the body.
// The error code is 0 on success; the status is 0 when no status line arrived.
std::string fetchAnswer(int code, long status, std::string_view description,
                        std::string_view body = {}) {
  std::string answer = std::to_string(code) + " " + std::to_string(status) + " " +
                       std::to_string(description.size()) + "\n";
  answer.append(description);
  answer.append(body);
  return answer;
}

std::string fetchAnswer(const Error& error, long status) {
  return fetchAnswer(error.code, status, error.localizedDescription);
}

struct EasyDeleter {
  const CurlLibrary* curl;
  void operator()(CURL* easy) const { curl->easyCleanup(easy); }
};

std::string fetchAnswer(const CurlLibrary* curl, const char* url, long timeout) {
  if (curl == nullptr) {
    return fetchAnswer(urlError(urlErrorCode::unknown, "The network library could not be loaded."),
                       0);
  }
  const std::unique_ptr<CURL, EasyDeleter> easy(curl->easyInit(), EasyDeleter{curl});
  Received received;
  if (!easy || !configure(*curl, easy.get(), url, std::max(timeout, 1L), received)) {
    return fetchAnswer(unknownError(), 0);
  }
  const CURLcode result = curl->easyPerform(easy.get());
  long status = 0;
  if (curl->easyGetinfo(easy.get(), CURLINFO_RESPONSE_CODE, &status) != CURLE_OK) {
    status = 0;
  }
  if (result != CURLE_OK) {
    return fetchAnswer(errorFor(*curl, result, received.bodyTooLarge), status);
  }
  return fetchAnswer(0, status, {}, received.body);
}

std::string answerFor(const char* url, const char* timeout) {
  long milliseconds = 0;
  const std::string_view timeoutText = timeout != nullptr ? timeout : "";
  std::from_chars(timeoutText.data(), timeoutText.data() + timeoutText.size(), milliseconds);
  return fetchAnswer(CurlLibrary::load(), url, milliseconds);
}

// The helper's standard input is the read end of a pipe whose only write end the asking process
// holds: end-of-file there means that the asker is gone, or has given the transfer up, and the
// helper ends at once, whatever its transfer is waiting for. A helper whose asker was gone before
// it started sees end-of-file right away.
void endWithTheAsker() {
  try {
    std::thread([] {
      char byte = 0;
      for (;;) {
        const ssize_t count = ::read(STDIN_FILENO, &byte, 1);
        if (count == 0 || (count < 0 && errno != EINTR)) {
          ::_exit(0);
        }
      }
    }).detach();
  } catch (const std::system_error&) {
    ::_exit(0);
  }
}

// Every executable that can start helpers carries this, so the helper is the program itself,
// started again with the fetch in its environment. It runs among the executable's static
// initialisers, does the fetch and exits without running main() or any exit handler.
[[gnu::constructor]] void serveAsHelper() {
  if (std::getenv(std::string(jobVariable).c_str()) == nullptr) {
    return;
  }
  endWithTheAsker();
  const char* url = std::getenv(std::string(textVariable).c_str());
  std::string answer;
  try {
    answer =
        answerFor(url != nullptr ? url : "", std::getenv(std::string(timeoutVariable).c_str()));
  } catch (const std::bad_alloc&) {
    answer.clear();
  }
  writeAll(STDOUT_FILENO, answer);
  ::_exit(0);
}

// ---- The asking side.

struct SpawnSettings {
  posix_spawn_file_actions_t actions{};
  posix_spawnattr_t attributes{};
  SpawnSettings() {
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawnattr_init(&attributes);
  }
  ~SpawnSettings() {
    ::posix_spawnattr_destroy(&attributes);
    ::posix_spawn_file_actions_destroy(&actions);
  }
  SpawnSettings(const SpawnSettings&) = delete;
  SpawnSettings& operator=(const SpawnSettings&) = delete;
  SpawnSettings(SpawnSettings&&) = delete;
  SpawnSettings& operator=(SpawnSettings&&) = delete;
};

// The process's environment without any helper variable, then the fetch's.
std::vector<std::string> helperEnvironment(std::string_view url,
                                           std::chrono::milliseconds timeout) {
  std::vector<std::string> entries;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    if (!std::string_view(*entry).starts_with(variablePrefix)) {
      entries.emplace_back(*entry);
    }
  }
  entries.push_back(std::string(jobVariable) + "=fetch");
  entries.push_back(std::string(textVariable) + "=" + std::string(url));
  entries.push_back(std::string(timeoutVariable) + "=" + std::to_string(timeout.count()));
  return entries;
}

void closeDescriptor(int& fd) {
  if (fd >= 0) {
    ::close(fd);
    fd = -1;
  }
}

}  // namespace

Result<HelperProcess> HelperProcess::start(std::string_view url,
                                           std::chrono::milliseconds timeout) {
  // The URL travels as an environment variable, which cannot hold a NUL.
  if (url.find('\0') != std::string_view::npos) {
    return std::unexpected(unknownError());
  }
  // The answer's pipe, non-blocking only at the asking end: the helper writes its answer whole,
  // waiting while the pipe is full.
  std::array<int, 2> pipe{-1, -1};
  if (!openPipe(pipe, false)) {
    return std::unexpected(unknownError());
  }
  // The helper's lifeline (see endWithTheAsker).
  std::array<int, 2> lifeline{-1, -1};
  if (!setDescriptorFlags(pipe[0], true) || !openPipe(lifeline, false)) {
    closeDescriptor(pipe[0]);
    closeDescriptor(pipe[1]);
    return std::unexpected(unknownError());
  }
  SpawnSettings settings;
  ::posix_spawn_file_actions_adddup2(&settings.actions, lifeline[0], STDIN_FILENO);
  ::posix_spawn_file_actions_adddup2(&settings.actions, pipe[1], STDOUT_FILENO);
  // The asking thread may block signals or ignore SIGPIPE for itself; the helper starts clean.
  sigset_t noSignals;
  sigemptyset(&noSignals);
  sigset_t allSignals;
  sigfillset(&allSignals);
  ::posix_spawnattr_setsigmask(&settings.attributes, &noSignals);
  ::posix_spawnattr_setsigdefault(&settings.attributes, &allSignals);
  ::posix_spawnattr_setflags(&settings.attributes,
                             static_cast<short>(POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF));
  systemFiles::closeDescriptorsPastStandardError(settings.actions, settings.attributes);

  std::vector<std::string> environment = helperEnvironment(url, timeout);
  std::vector<char*> envp;
  envp.reserve(environment.size() + 1);
  for (std::string& entry : environment) {
    envp.push_back(entry.data());
  }
  envp.push_back(nullptr);
  // The executable the process runs, even when its file has been replaced or removed since.
  std::string self = systemFiles::executableToStartAgain();
  std::array<char*, 2> argv{self.data(), nullptr};
  pid_t pid = -1;
  const int spawned = ::posix_spawn(&pid, self.c_str(), &settings.actions, &settings.attributes,
                                    argv.data(), envp.data());
  closeDescriptor(pipe[1]);
  closeDescriptor(lifeline[0]);
  if (spawned != 0) {
    closeDescriptor(pipe[0]);
    closeDescriptor(lifeline[1]);
    return std::unexpected(unknownError());
  }
  return HelperProcess(pid, pipe[0], lifeline[1]);
}

HelperProcess::~HelperProcess() {
  end();
}

HelperProcess::HelperProcess(HelperProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)),
      output_(std::exchange(other.output_, -1)),
      lifeline_(std::exchange(other.lifeline_, -1)),
      answer_(std::move(other.answer_)),
      overlong_(other.overlong_) {}

HelperProcess& HelperProcess::operator=(HelperProcess&& other) noexcept {
  if (this != &other) {
    end();
    pid_ = std::exchange(other.pid_, -1);
    output_ = std::exchange(other.output_, -1);
    lifeline_ = std::exchange(other.lifeline_, -1);
    answer_ = std::move(other.answer_);
    overlong_ = other.overlong_;
  }
  return *this;
}

void HelperProcess::end() {
  if (pid_ > 0) {
    // A helper that has answered is exiting anyway; one that has not is given up.
    ::kill(pid_, SIGKILL);
    while (::waitpid(pid_, nullptr, 0) == -1 && errno == EINTR) {
    }
    pid_ = -1;
  }
  closeDescriptor(output_);
  closeDescriptor(lifeline_);
}

bool HelperProcess::readAvailable() {
  std::array<char, 65536> buffer{};
  for (;;) {
    const ssize_t count = ::read(output_, buffer.data(), buffer.size());
    if (count > 0) {
      answer_.append(buffer.data(), static_cast<std::size_t>(count));
      if (answer_.size() > maximumAnswerSize) {
        overlong_ = true;
        return true;
      }
    } else if (count < 0 && errno == EINTR) {
      continue;
    } else {
      return count == 0 || errno != EAGAIN;
    }
  }
}

FetchOutcome fetchOutcome(const HelperProcess& helper) {
  const std::string_view answer = helper.answer();
  const std::size_t lineEnd = answer.find('\n');
  if (helper.overlong() || lineEnd == std::string_view::npos) {
    return {std::nullopt, std::nullopt, unknownError()};
  }
  int code = 0;
  long status = 0;
  std::size_t descriptionLength = 0;
  const std::string_view header = answer.substr(0, lineEnd);
  const char* const end = std::to_address(header.end());
  auto read = std::from_chars(std::to_address(header.begin()), end, code);
  if (read.ec == std::errc{} && read.ptr != end && *read.ptr == ' ') {
    read = std::from_chars(read.ptr + 1, end, status);
  }
  if (read.ec == std::errc{} && read.ptr != end && *read.ptr == ' ') {
    read = std::from_chars(read.ptr + 1, end, descriptionLength);
  }
  if (read.ec != std::errc{} || read.ptr != end ||
      descriptionLength > answer.size() - lineEnd - 1) {
    return {std::nullopt, std::nullopt, unknownError()};
  }
  const std::string_view description = answer.substr(lineEnd + 1, descriptionLength);
  const std::string_view body = answer.substr(lineEnd + 1 + descriptionLength);
  std::optional<HttpResponse> response;
  if (status != 0) {
    response = HttpResponse{status};
  }
  if (code == 0) {
    return {std::string(body), response.value_or(HttpResponse{}), std::nullopt};
  }
  return {std::nullopt, response, urlError(code, std::string(description))};
}

}  // namespace platform::networkHelper
