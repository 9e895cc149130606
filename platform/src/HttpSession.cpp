#include "platform/HttpSession.h"

#include <curl/curl.h>

#include <algorithm>
#include <array>
#include <climits>
#include <mutex>
#include <new>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

namespace platform {
namespace {

// How long the transfer thread sleeps when nothing is happening. libcurl wakes it earlier for its
// own timers, and startDataTask and the destructor wake it at once.
constexpr int idleWaitMilliseconds = INT_MAX;

constexpr long maximumRedirects = 5;

void initialiseCurlOnce() {
  static std::once_flag once;
  // Should this fail, curl_easy_init fails too and each task reports an unknown error.
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct EasyDeleter {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;

struct MultiDeleter {
  void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
using MultiHandle = std::unique_ptr<CURLM, MultiDeleter>;

Error urlError(int code, std::string description) {
  return Error{errorDomain::url, code, std::move(description)};
}

Error cancelledError() {
  return urlError(urlErrorCode::cancelled, "The request was cancelled.");
}

Error errorFor(CURLcode result, bool bodyTooLarge) {
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
                                                 curl_easy_strerror(result) + ")");
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
std::optional<HttpResponse> responseOf(CURL* easy) {
  long status = 0;
  if (curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK || status == 0) {
    return std::nullopt;
  }
  return HttpResponse{status};
}

bool configure(CURL* easy, const HttpRequest& request, Transfer& transfer) {
  const long timeout =
      static_cast<long>(std::max<std::chrono::milliseconds::rep>(request.timeout.count(), 1));
  const std::array results = {
      curl_easy_setopt(easy, CURLOPT_URL, request.url.absoluteString().c_str()),
      curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L),
      curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L),
      curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https"),
      curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https"),
      curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L),
      curl_easy_setopt(easy, CURLOPT_MAXREDIRS, maximumRedirects),
      curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, timeout),
      curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, timeout),
      // Refuses an announced oversized body before any of it is read.
      curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE,
                       static_cast<curl_off_t>(HttpSession::maximumBodySize)),
      curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &receiveBody),
      curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer),
  };
  return std::ranges::all_of(results, [](CURLcode result) { return result == CURLE_OK; });
}

}  // namespace

// The session's thread: a libcurl multi loop that adopts new tasks from a locked queue, drives all
// transfers and sleeps in curl_multi_poll until there is something to do.
class HttpSession::TransferLoop {
 public:
  TransferLoop() : multi_(curl_multi_init()) {
    if (!multi_) {
      throw std::bad_alloc();
    }
    thread_ = std::thread([this] { run(); });
  }

  ~TransferLoop() {
    {
      const std::scoped_lock lock(mutex_);
      stopping_ = true;
    }
    curl_multi_wakeup(multi_.get());
    thread_.join();
  }

  TransferLoop(const TransferLoop&) = delete;
  TransferLoop& operator=(const TransferLoop&) = delete;
  TransferLoop(TransferLoop&&) = delete;
  TransferLoop& operator=(TransferLoop&&) = delete;

  void add(HttpRequest request, DataTaskCompletion completion) {
    {
      const std::scoped_lock lock(mutex_);
      waiting_.push_back(Task{std::move(request), std::move(completion)});
    }
    curl_multi_wakeup(multi_.get());
  }

 private:
  struct Task {
    HttpRequest request;
    DataTaskCompletion completion;
  };

  void run() {
    for (;;) {
      std::vector<Task> arrived;
      {
        const std::scoped_lock lock(mutex_);
        if (stopping_) {
          break;
        }
        arrived.swap(waiting_);
      }
      for (Task& task : arrived) {
        begin(std::move(task));
      }
      int running = 0;
      curl_multi_perform(multi_.get(), &running);
      finishCompletedTransfers();
      curl_multi_poll(multi_.get(), nullptr, 0, idleWaitMilliseconds, nullptr);
    }
    cancelEverything();
  }

  void begin(Task task) {
    auto transfer = std::make_unique<Transfer>();
    transfer->completion = std::move(task.completion);
    transfer->easy.reset(curl_easy_init());
    CURL* easy = transfer->easy.get();
    if (easy == nullptr || !configure(easy, task.request, *transfer) ||
        curl_multi_add_handle(multi_.get(), easy) != CURLM_OK) {
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
    while (const CURLMsg* message = curl_multi_info_read(multi_.get(), &remaining)) {
      if (message->msg == CURLMSG_DONE) {
        // libcurl reports the result in a union.
        // NOLINTNEXTLINE(cppcoreguidelines-pro-type-union-access)
        done.emplace_back(message->easy_handle, message->data.result);
      }
    }
    for (const auto& [easy, result] : done) {
      std::unique_ptr<Transfer> transfer = detach(easy);
      std::optional<HttpResponse> response = responseOf(easy);
      transfer->easy.reset();
      if (result == CURLE_OK) {
        transfer->completion(std::move(transfer->body), response.value_or(HttpResponse{}),
                             std::nullopt);
      } else {
        transfer->completion(std::nullopt, response, errorFor(result, transfer->bodyTooLarge));
      }
    }
  }

  // Completions may start new tasks even now; those are cancelled too, until none is left.
  void cancelEverything() {
    std::vector<std::unique_ptr<Transfer>> inFlight;
    while (!active_.empty()) {
      inFlight.push_back(detach(active_.begin()->first));
    }
    for (std::unique_ptr<Transfer>& transfer : inFlight) {
      const std::optional<HttpResponse> response = responseOf(transfer->easy.get());
      transfer->easy.reset();
      transfer->completion(std::nullopt, response, cancelledError());
    }
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
    curl_multi_remove_handle(multi_.get(), easy);
    return std::move(node.mapped());
  }

  MultiHandle multi_;
  // Only the transfer thread touches these.
  std::unordered_map<CURL*, std::unique_ptr<Transfer>> active_;

  std::mutex mutex_;
  std::vector<Task> waiting_;  // guarded by mutex_
  bool stopping_ = false;      // guarded by mutex_

  std::thread thread_;
};

HttpSession& HttpSession::shared() {
  static HttpSession session;
  return session;
}

HttpSession::HttpSession() {
  initialiseCurlOnce();
  loop_ = std::make_unique<TransferLoop>();
}

HttpSession::~HttpSession() = default;

void HttpSession::startDataTask(HttpRequest request, DataTaskCompletion completion) {
  loop_->add(std::move(request), std::move(completion));
}

}  // namespace platform
