#include "platform/HttpSession.h"

#include <algorithm>
#include <array>
#include <climits>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "CurlLibrary.h"

namespace platform {
namespace {

// How long the transfer thread sleeps when nothing is happening. libcurl wakes it earlier for its
// own timers, and startDataTask and the destructor wake it at once.
constexpr int idleWaitMilliseconds = INT_MAX;

constexpr long maximumRedirects = 5;

struct EasyDeleter {
  const CurlLibrary* curl = nullptr;
  void operator()(CURL* easy) const { curl->easyCleanup(easy); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;

struct MultiDeleter {
  const CurlLibrary* curl = nullptr;
  void operator()(CURLM* multi) const { curl->multiCleanup(multi); }
};
using MultiHandle = std::unique_ptr<CURLM, MultiDeleter>;

Error urlError(int code, std::string description) {
  return Error{errorDomain::url, code, std::move(description)};
}

Error cancelledError() {
  return urlError(urlErrorCode::cancelled, "The request was cancelled.");
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

// One transfer in flight: its handle, what has arrived so far and whom to tell.
struct Transfer {
  EasyHandle easy;
  DataTaskCompletion completion;
  std::string body;
  bool bodyTooLarge = false;
};

// Keeps at most maximumBodySize bytes; one byte more fails the transfer with CURLE_WRITE_ERROR.
std::size_t receiveBody(char* data, std::size_t size, std::size_t count, void* context) {
  auto* transfer = static_cast<Transfer*>(context);
  const std::size_t length = size * count;
  if (length > HttpSession::maximumBodySize - transfer->body.size()) {
    transfer->bodyTooLarge = true;
    return 0;
  }
  transfer->body.append(data, length);
  return length;
}

// The status of the last response received, if a status line arrived at all.
std::optional<HttpResponse> responseOf(const CurlLibrary& curl, CURL* easy) {
  long status = 0;
  if (curl.easyGetinfo(easy, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK || status == 0) {
    return std::nullopt;
  }
  return HttpResponse{status};
}

bool configure(const CurlLibrary& curl, CURL* easy, const HttpRequest& request,
               Transfer& transfer) {
  const long timeout =
      static_cast<long>(std::max<std::chrono::milliseconds::rep>(request.timeout.count(), 1));
  const std::array results = {
      curl.easySetopt(easy, CURLOPT_URL, request.url.absoluteString().c_str()),
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
      curl.easySetopt(easy, CURLOPT_WRITEDATA, &transfer),
  };
  return std::ranges::all_of(results, [](CURLcode result) { return result == CURLE_OK; });
}

}  // namespace

// The session's thread: a libcurl multi loop that adopts new tasks from a locked queue, drives all
// transfers and sleeps in curl_multi_poll until there is something to do.
//
// The thread opens libcurl when the first task arrives, not when the session is created: dlopen
// holds the dynamic loader's TLS lock until the library and its few dozen dependencies are loaded
// and initialised, and every pthread_create in the process waits for that lock, so opening it
// early would stall a program that starts its other threads right after its session.
//
// Until the thread has published its multi handle, other threads wake it through `changed_`;
// after that, through curl_multi_wakeup. Both happen under `mutex_`, and the thread looks at the
// queue and the stop request under `mutex_` after publishing and before every poll, so no task or
// stop request sent before the handle existed is lost.
class HttpSession::TransferLoop {
 public:
  TransferLoop() {
    thread_ = std::thread([this] { run(); });
  }

  ~TransferLoop() {
    {
      const std::scoped_lock lock(mutex_);
      stopping_ = true;
      wakeLocked();
    }
    thread_.join();
  }

  TransferLoop(const TransferLoop&) = delete;
  TransferLoop& operator=(const TransferLoop&) = delete;
  TransferLoop(TransferLoop&&) = delete;
  TransferLoop& operator=(TransferLoop&&) = delete;

  void add(HttpRequest request, DataTaskCompletion completion) {
    const std::scoped_lock lock(mutex_);
    waiting_.push_back(Task{std::move(request), std::move(completion)});
    wakeLocked();
  }

 private:
  struct Task {
    HttpRequest request;
    DataTaskCompletion completion;
  };

  void run() {
    if (!awaitFirstTask()) {
      cancelWaiting();
      return;
    }
    curl_ = CurlLibrary::load();
    if (curl_ == nullptr) {
      failUntilStopped(urlError(urlErrorCode::unknown, "The network library could not be loaded."));
      return;
    }
    const MultiHandle multi(curl_->multiInit(), MultiDeleter{curl_});
    if (!multi) {
      failUntilStopped(urlError(urlErrorCode::unknown, "An unknown error occurred."));
      return;
    }
    multi_ = multi.get();
    publish(multi_);
    transferUntilStopped();
    cancelEverything();
    publish(nullptr);
  }

  // True once a task is waiting; false when the session stops first.
  bool awaitFirstTask() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
    return !stopping_;
  }

  // Makes `multi` the handle other threads wake, or none.
  void publish(CURLM* multi) {
    const std::scoped_lock lock(mutex_);
    wakeable_ = multi;
  }

  // With mutex_ held.
  void wakeLocked() {
    if (wakeable_ != nullptr) {
      // curl_ was set before wakeable_, and both are read here under the mutex that published it.
      curl_->multiWakeup(wakeable_);
    } else {
      changed_.notify_one();
    }
  }

  void transferUntilStopped() {
    for (;;) {
      std::vector<Task> arrived;
      {
        const std::scoped_lock lock(mutex_);
        if (stopping_) {
          return;
        }
        arrived.swap(waiting_);
      }
      for (Task& task : arrived) {
        begin(std::move(task));
      }
      int running = 0;
      curl_->multiPerform(multi_, &running);
      finishCompletedTransfers();
      // A task added or a stop requested since the queue was looked at has already woken
      // the handle, so this returns at once.
      curl_->multiPoll(multi_, nullptr, 0, idleWaitMilliseconds, nullptr);
    }
  }

  // Without libcurl every task, including those added while stopping, ends with `error`.
  void failUntilStopped(const Error& error) {
    for (;;) {
      std::vector<Task> arrived;
      {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
        if (waiting_.empty()) {
          return;
        }
        arrived.swap(waiting_);
      }
      for (Task& task : arrived) {
        task.completion(std::nullopt, std::nullopt, error);
      }
    }
  }

  void begin(Task task) {
    auto transfer = std::make_unique<Transfer>();
    transfer->completion = std::move(task.completion);
    transfer->easy = EasyHandle(curl_->easyInit(), EasyDeleter{curl_});
    CURL* easy = transfer->easy.get();
    if (easy == nullptr || !configure(*curl_, easy, task.request, *transfer) ||
        curl_->multiAddHandle(multi_, easy) != CURLM_OK) {
      transfer->easy.reset();
      transfer->completion(std::nullopt, std::nullopt,
                           urlError(urlErrorCode::unknown, "An unknown error occurred."));
      return;
    }
    active_.emplace(easy, std::move(transfer));
  }

  void finishCompletedTransfers() {
    std::vector<std::pair<CURL*, CURLcode>> done;
    int remaining = 0;
    while (const CURLMsg* message = curl_->multiInfoRead(multi_, &remaining)) {
      if (message->msg == CURLMSG_DONE) {
        // libcurl reports the result in a union.
        // NOLINTNEXTLINE(cppcoreguidelines-pro-type-union-access)
        done.emplace_back(message->easy_handle, message->data.result);
      }
    }
    for (const auto& [easy, result] : done) {
      std::unique_ptr<Transfer> transfer = detach(easy);
      std::optional<HttpResponse> response = responseOf(*curl_, easy);
      transfer->easy.reset();
      if (result == CURLE_OK) {
        transfer->completion(std::move(transfer->body), response.value_or(HttpResponse{}),
                             std::nullopt);
      } else {
        transfer->completion(std::nullopt, response,
                             errorFor(*curl_, result, transfer->bodyTooLarge));
      }
    }
  }

  void cancelEverything() {
    std::vector<std::unique_ptr<Transfer>> inFlight;
    while (!active_.empty()) {
      inFlight.push_back(detach(active_.begin()->first));
    }
    for (std::unique_ptr<Transfer>& transfer : inFlight) {
      const std::optional<HttpResponse> response = responseOf(*curl_, transfer->easy.get());
      transfer->easy.reset();
      transfer->completion(std::nullopt, response, cancelledError());
    }
    cancelWaiting();
  }

  // Completions may start new tasks even now; those are cancelled too, until none is left.
  void cancelWaiting() {
    for (;;) {
      std::vector<Task> arrived;
      {
        const std::scoped_lock lock(mutex_);
        arrived.swap(waiting_);
      }
      if (arrived.empty()) {
        break;
      }
      for (Task& task : arrived) {
        task.completion(std::nullopt, std::nullopt, cancelledError());
      }
    }
  }

  std::unique_ptr<Transfer> detach(CURL* easy) {
    auto node = active_.extract(easy);
    curl_->multiRemoveHandle(multi_, easy);
    return std::move(node.mapped());
  }

  // Set by the transfer thread when the first task arrives; only it uses them, apart from
  // curl_->multiWakeup.
  const CurlLibrary* curl_ = nullptr;
  CURLM* multi_ = nullptr;  // owned by run()
  std::unordered_map<CURL*, std::unique_ptr<Transfer>> active_;

  std::mutex mutex_;
  std::condition_variable changed_;  // signalled while no handle is published
  std::vector<Task> waiting_;        // guarded by mutex_
  bool stopping_ = false;            // guarded by mutex_
  CURLM* wakeable_ = nullptr;        // guarded by mutex_

  std::thread thread_;
};

HttpSession& HttpSession::shared() {
  static HttpSession session;
  return session;
}

HttpSession::HttpSession() : loop_(std::make_unique<TransferLoop>()) {}

HttpSession::~HttpSession() = default;

void HttpSession::startDataTask(HttpRequest request, DataTaskCompletion completion) {
  loop_->add(std::move(request), std::move(completion));
}

}  // namespace platform
