#include "platform/HttpSession.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "NetworkHelper.h"
#include "platform/Descriptors.h"

namespace platform {
namespace {

// A helper is given up for lost once it has taken this long beyond its request's own time-out,
// which it enforces itself.
constexpr std::chrono::seconds helperAllowance{10};

Error urlError(int code, std::string description) {
  return Error{errorDomain::url, code, std::move(description)};
}

Error cancelledError() {
  return urlError(urlErrorCode::cancelled, "The request was cancelled.");
}

// One transfer in flight: the helper doing it and whom to tell.
struct Transfer {
  networkHelper::HelperProcess helper;
  std::chrono::steady_clock::time_point deadline;
  DataTaskCompletion completion;
};

}  // namespace

// The session's thread: starts a helper process per task (see NetworkHelper.h), so that libcurl
// never loads into the program, and sleeps in poll() on the helpers' answers and on `wake_` until
// one of them has something to say, a new task arrives or the session stops.
class HttpSession::TransferLoop {
 public:
  TransferLoop() {
    thread_ = std::thread([this] { run(); });
  }

  ~TransferLoop() {
    {
      const std::scoped_lock lock(mutex_);
      stopping_ = true;
    }
    wake();
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
    wake();
  }

 private:
  struct Task {
    HttpRequest request;
    DataTaskCompletion completion;
  };

  void wake() {
    if (wake_.valid()) {
      wake_.wake();
    } else {
      const std::scoped_lock lock(mutex_);
      changed_.notify_one();
    }
  }

  void run() {
    if (!wake_.valid()) {
      failUntilStopped(urlError(urlErrorCode::unknown, "An unknown error occurred."));
      return;
    }
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
      awaitActivity();
      finishEndedTransfers();
    }
    cancelEverything();
  }

  // Without a way to be woken every task, including those added while stopping, ends with `error`.
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
    Result<networkHelper::HelperProcess> helper = networkHelper::HelperProcess::start(
        task.request.url.absoluteString(),
        std::max(task.request.timeout, std::chrono::milliseconds(1)));
    if (!helper) {
      task.completion(std::nullopt, std::nullopt, helper.error());
      return;
    }
    active_.push_back(
        Transfer{std::move(*helper),
                 std::chrono::steady_clock::now() + task.request.timeout + helperAllowance,
                 std::move(task.completion)});
  }

  // Sleeps until a helper wrote, a deadline passed or the loop was woken.
  void awaitActivity() {
    std::vector<pollfd> watched{{wake_.readEnd(), POLLIN, 0}};
    auto firstDeadline = std::chrono::steady_clock::time_point::max();
    for (const Transfer& transfer : active_) {
      watched.push_back({transfer.helper.output(), POLLIN, 0});
      firstDeadline = std::min(firstDeadline, transfer.deadline);
    }
    int timeout = -1;
    if (!active_.empty()) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(
          firstDeadline - std::chrono::steady_clock::now());
      timeout =
          static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, INT_MAX));
    }
    ::poll(watched.data(), static_cast<nfds_t>(watched.size()), timeout);
    wake_.drain();
  }

  void finishEndedTransfers() {
    const auto now = std::chrono::steady_clock::now();
    std::vector<std::pair<Transfer, std::optional<networkHelper::FetchOutcome>>> ended;
    for (auto transfer = active_.begin(); transfer != active_.end();) {
      if (transfer->helper.readAvailable()) {
        auto outcome = networkHelper::fetchOutcome(transfer->helper);
        ended.emplace_back(std::move(*transfer), std::move(outcome));
      } else if (now >= transfer->deadline) {
        ended.emplace_back(std::move(*transfer), std::nullopt);
      } else {
        ++transfer;
        continue;
      }
      transfer = active_.erase(transfer);
    }
    for (auto& [transfer, outcome] : ended) {
      // The helper is reaped before its completion runs.
      { const networkHelper::HelperProcess done = std::move(transfer.helper); }
      if (outcome) {
        transfer.completion(std::move(outcome->data), outcome->response, std::move(outcome->error));
      } else {
        transfer.completion(std::nullopt, std::nullopt,
                            urlError(urlErrorCode::timedOut, "The request timed out."));
      }
    }
  }

  void cancelEverything() {
    std::vector<Transfer> inFlight;
    inFlight.swap(active_);
    for (Transfer& transfer : inFlight) {
      { const networkHelper::HelperProcess done = std::move(transfer.helper); }
      transfer.completion(std::nullopt, std::nullopt, cancelledError());
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

  const WakePipe wake_;           // not valid() when the system gave no pipe
  std::vector<Transfer> active_;  // only the transfer thread uses it

  std::mutex mutex_;
  std::condition_variable changed_;  // signalled instead of `wake_` when there is none
  std::vector<Task> waiting_;        // guarded by mutex_
  bool stopping_ = false;            // guarded by mutex_

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
