#include "platform/HttpSession.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "support/LocalHttpServer.h"
#include "support/TemporaryFolder.h"
#include "support/ToolRunner.h"

namespace {

using namespace std::chrono_literals;
using platform::HttpSession;
using platform::Url;
namespace urlErrorCode = platform::urlErrorCode;

constexpr auto deadline = 10s;

struct Outcome {
  std::optional<std::string> data;
  std::optional<platform::HttpResponse> response;
  std::optional<platform::Error> error;
  std::thread::id thread;

  // 0 when no status line arrived.
  [[nodiscard]] long status() const { return response ? response->statusCode : 0; }
  // 0 when the task succeeded.
  [[nodiscard]] int errorCode() const { return error ? error->code : 0; }
  [[nodiscard]] std::string body() const { return data.value_or(""); }
};

// What a test sees when a completion never runs; the failure is recorded where it is noticed.
Outcome missingOutcome() {
  return Outcome{
      std::nullopt, std::nullopt, platform::Error{"test", 0, "the completion did not run"}, {}};
}

// Starts a GET of `url`; the future becomes ready when the completion runs.
std::future<Outcome> startTask(HttpSession& session, const std::string& url,
                               std::chrono::milliseconds timeout = deadline) {
  auto outcome = std::make_shared<std::promise<Outcome>>();
  auto future = outcome->get_future();
  const std::optional<Url> parsed = Url::parse(url);
  if (!parsed) {
    ADD_FAILURE() << "not a URL: " << url;
    outcome->set_value(missingOutcome());
    return future;
  }
  session.startDataTask(
      platform::HttpRequest{*parsed, timeout},
      [outcome](std::optional<std::string> data, std::optional<platform::HttpResponse> response,
                std::optional<platform::Error> error) {
        outcome->set_value(
            Outcome{std::move(data), response, std::move(error), std::this_thread::get_id()});
      });
  return future;
}

Outcome await(std::future<Outcome>& future) {
  if (future.wait_for(deadline) != std::future_status::ready) {
    ADD_FAILURE() << "the completion did not run within the deadline";
    return missingOutcome();
  }
  return future.get();
}

Outcome fetch(HttpSession& session, const std::string& url,
              std::chrono::milliseconds timeout = deadline) {
  auto future = startTask(session, url, timeout);
  return await(future);
}

void expectSuccess(const Outcome& outcome, long status) {
  EXPECT_FALSE(outcome.error.has_value())
      << outcome.error.value_or(platform::Error{}).localizedDescription;
  EXPECT_TRUE(outcome.data.has_value());
  EXPECT_EQ(outcome.status(), status);
}

void expectUrlError(const Outcome& outcome, int code) {
  EXPECT_FALSE(outcome.data.has_value());
  EXPECT_EQ(outcome.errorCode(), code);
  if (outcome.error) {
    EXPECT_EQ(outcome.error->domain, platform::errorDomain::url);
    EXPECT_FALSE(outcome.error->localizedDescription.empty());
  }
}

// Serves `body` in chunks without announcing its length.
void setChunkedContent(httplib::Response& response, std::string body) {
  auto shared = std::make_shared<const std::string>(std::move(body));
  response.set_chunked_content_provider(
      "application/octet-stream", [shared](std::size_t offset, httplib::DataSink& sink) {
        constexpr std::size_t piece = std::size_t{64} * 1024;
        if (offset < shared->size()) {
          sink.write(shared->data() + offset, std::min(piece, shared->size() - offset));
        } else {
          sink.done();
        }
        return true;
      });
}

class HttpSessionTest : public ::testing::Test {
 protected:
  // Declared first so that it outlives the session: a session destroyed while the server still
  // serves is what the tests mean to exercise.
  testsupport::LocalHttpServer server;
  HttpSession session;
};

TEST_F(HttpSessionTest, SharedSessionDeliversJsonWithItsStatusOnAnotherThread) {
  const std::string json = R"({"version":"2.4.1","url":"https://ferrolin.app/download"})";
  server.get("/api/app/latest-version", [&](const httplib::Request&, httplib::Response& response) {
    response.set_content(json, "application/json");
  });
  server.start();

  const Outcome outcome = fetch(HttpSession::shared(), server.url("/api/app/latest-version"), 8s);

  expectSuccess(outcome, 200);
  EXPECT_EQ(nlohmann::json::parse(outcome.body(), nullptr, false).value("version", ""), "2.4.1");
  EXPECT_NE(outcome.thread, std::this_thread::get_id());
}

TEST_F(HttpSessionTest, ErrorStatusesAndEmptyBodiesAreDeliveredNotFailed) {
  server.get("/broken", [](const httplib::Request&, httplib::Response& response) {
    response.status = 500;
    response.set_content("database unavailable", "text/plain");
  });
  server.get("/empty", [](const httplib::Request&, httplib::Response& response) {
    response.set_content("", "text/plain");
  });
  server.start();

  const Outcome broken = fetch(session, server.url("/broken"));
  expectSuccess(broken, 500);
  EXPECT_EQ(broken.data, "database unavailable");

  expectSuccess(fetch(session, server.url("/nothing-here")), 404);

  const Outcome empty = fetch(session, server.url("/empty"));
  expectSuccess(empty, 200);
  EXPECT_EQ(empty.data, "");
}

TEST_F(HttpSessionTest, BinaryBodiesArriveByteForByte) {
  std::string body;
  for (int value = 0; value < 256; ++value) {
    body.push_back(static_cast<char>(value));
  }
  std::uint32_t state = 1;
  for (int i = 0; i < 200000; ++i) {
    state = state * 1103515245U + 12345U;
    body.push_back(static_cast<char>(state >> 16U));
  }
  server.get("/blob", [&](const httplib::Request&, httplib::Response& response) {
    response.set_content(body, "application/octet-stream");
  });
  server.get("/chunked-blob", [&](const httplib::Request&, httplib::Response& response) {
    setChunkedContent(response, body);
  });
  server.start();

  for (const char* path : {"/blob", "/chunked-blob"}) {
    SCOPED_TRACE(path);
    const Outcome outcome = fetch(session, server.url(path));
    expectSuccess(outcome, 200);
    EXPECT_EQ(outcome.body().size(), body.size());
    EXPECT_TRUE(outcome.body() == body);
  }
}

TEST_F(HttpSessionTest, BodiesUpToTheMaximumSizeSucceedAndOneByteMoreFails) {
  const std::string atLimit(HttpSession::maximumBodySize, 'a');
  const std::string overLimit(HttpSession::maximumBodySize + 1, 'o');
  server.get("/announced/at-limit", [&](const httplib::Request&, httplib::Response& response) {
    response.set_content(atLimit, "application/octet-stream");
  });
  server.get("/announced/over-limit", [&](const httplib::Request&, httplib::Response& response) {
    response.set_content(overLimit, "application/octet-stream");
  });
  server.get("/chunked/at-limit", [&](const httplib::Request&, httplib::Response& response) {
    setChunkedContent(response, atLimit);
  });
  server.get("/chunked/over-limit", [&](const httplib::Request&, httplib::Response& response) {
    setChunkedContent(response, overLimit);
  });
  server.start();

  for (const std::string transfer : {"/announced", "/chunked"}) {
    SCOPED_TRACE(transfer);
    const Outcome fitting = fetch(session, server.url(transfer + "/at-limit"));
    expectSuccess(fitting, 200);
    EXPECT_EQ(fitting.body().size(), HttpSession::maximumBodySize);

    const Outcome tooLarge = fetch(session, server.url(transfer + "/over-limit"));
    expectUrlError(tooLarge, urlErrorCode::dataLengthExceedsMaximum);
    EXPECT_EQ(tooLarge.status(), 200);
  }
}

TEST_F(HttpSessionTest, ASlowServerEndsTheTaskWithTheTimedOutError) {
  server.get("/slow", [&](const httplib::Request&, httplib::Response& response) {
    server.waitUntilReleased();
    response.set_content("too late", "text/plain");
  });
  server.start();

  const Outcome outcome = fetch(session, server.url("/slow"), 300ms);

  expectUrlError(outcome, urlErrorCode::timedOut);
  EXPECT_FALSE(outcome.response.has_value());
}

TEST_F(HttpSessionTest, UnreachableServersAndDroppedConnectionsAreErrors) {
  server.get("/truncated", [](const httplib::Request&, httplib::Response& response) {
    // Announces 100 bytes, sends 10 and hangs up.
    response.set_content_provider(100, "text/plain",
                                  [](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                    if (offset > 0) {
                                      return false;
                                    }
                                    sink.write("0123456789", 10);
                                    return true;
                                  });
  });
  server.start();
  const testsupport::RefusingLocalPort refusing;

  const Outcome refused = fetch(session, refusing.url("/api/app/latest-version"));
  expectUrlError(refused, urlErrorCode::cannotConnectToHost);
  EXPECT_FALSE(refused.response.has_value());

  // The status line arrived before the connection was lost, so the response comes with the error.
  const Outcome truncated = fetch(session, server.url("/truncated"));
  expectUrlError(truncated, urlErrorCode::networkConnectionLost);
  EXPECT_EQ(truncated.status(), 200);
}

TEST_F(HttpSessionTest, FollowsRedirectsButNotForever) {
  server.get("/old", [](const httplib::Request&, httplib::Response& response) {
    response.set_redirect("/new");
  });
  server.get("/new", [](const httplib::Request&, httplib::Response& response) {
    response.set_content("moved here", "text/plain");
  });
  server.get("/loop", [](const httplib::Request&, httplib::Response& response) {
    response.set_redirect("/loop");
  });
  server.start();

  const Outcome moved = fetch(session, server.url("/old"));
  expectSuccess(moved, 200);
  EXPECT_EQ(moved.data, "moved here");

  expectUrlError(fetch(session, server.url("/loop")), urlErrorCode::unknown);
}

TEST_F(HttpSessionTest, ConcurrentTasksAreInFlightTogetherAndCompleteOnOneSessionThread) {
  // Each request is answered only once all of them have arrived, so a session that ran its
  // transfers one after another would get "alone" back.
  constexpr int taskCount = 4;
  std::mutex mutex;
  std::condition_variable arrivalsChanged;
  int arrivals = 0;
  server.get("/together", [&](const httplib::Request&, httplib::Response& response) {
    std::unique_lock lock(mutex);
    ++arrivals;
    arrivalsChanged.notify_all();
    const bool together =
        arrivalsChanged.wait_for(lock, deadline, [&] { return arrivals >= taskCount; });
    response.set_content(together ? "together" : "alone", "text/plain");
  });
  server.start();

  std::vector<std::future<Outcome>> futures;
  futures.reserve(taskCount);
  for (int i = 0; i < taskCount; ++i) {
    futures.push_back(startTask(session, server.url("/together")));
  }

  std::set<std::thread::id> completionThreads;
  for (auto& future : futures) {
    const Outcome outcome = await(future);
    expectSuccess(outcome, 200);
    EXPECT_EQ(outcome.data, "together");
    completionThreads.insert(outcome.thread);
  }
  EXPECT_EQ(completionThreads.size(), 1U);
  EXPECT_EQ(completionThreads.count(std::this_thread::get_id()), 0U);
}

TEST_F(HttpSessionTest, DestroyingASessionCancelsItsTasksBeforeReturning) {
  std::promise<void> arrived;
  server.get("/held", [&](const httplib::Request&, httplib::Response& response) {
    arrived.set_value();
    server.waitUntilReleased();
    response.set_content("released", "text/plain");
  });
  server.get("/held-too", [&](const httplib::Request&, httplib::Response& response) {
    server.waitUntilReleased();
    response.set_content("released", "text/plain");
  });
  server.start();

  std::future<Outcome> inFlight;
  std::future<Outcome> justStarted;
  {
    HttpSession shortLived;
    inFlight = startTask(shortLived, server.url("/held"));
    ASSERT_EQ(arrived.get_future().wait_for(deadline), std::future_status::ready);
    justStarted = startTask(shortLived, server.url("/held-too"));
  }

  // Both completions ran before the destructor returned; a completion that was dropped instead
  // would leave a broken promise behind.
  for (auto* future : {&inFlight, &justStarted}) {
    ASSERT_EQ(future->wait_for(0s), std::future_status::ready);
    expectUrlError(future->get(), urlErrorCode::cancelled);
  }
}

TEST_F(HttpSessionTest, SessionsMadeAndDestroyedConcurrentlyKeepEveryTaskStartedAtOnce) {
  server.get("/quick", [](const httplib::Request&, httplib::Response& response) {
    response.set_content("quick", "text/plain");
  });
  server.start();
  const std::string url = server.url("/quick");

  // Each thread makes sessions one after another: one never used, one whose task, started the
  // moment the session exists, is awaited, and one destroyed as soon as its task is started.
  constexpr int threadCount = 4;
  constexpr int rounds = 8;
  std::vector<std::thread> threads;
  threads.reserve(threadCount);
  for (int index = 0; index < threadCount; ++index) {
    threads.emplace_back([&url] {
      for (int round = 0; round < rounds; ++round) {
        { const HttpSession unused; }
        {
          HttpSession fresh;
          const Outcome first = fetch(fresh, url);
          expectSuccess(first, 200);
          EXPECT_EQ(first.data, "quick");
        }
        std::future<Outcome> abandoned;
        {
          HttpSession shortLived;
          abandoned = startTask(shortLived, url);
        }
        ASSERT_EQ(abandoned.wait_for(0s), std::future_status::ready);
        const Outcome outcome = abandoned.get();
        if (outcome.error) {
          expectUrlError(outcome, urlErrorCode::cancelled);
        } else {
          expectSuccess(outcome, 200);
        }
      }
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
}

// Set in the environment of this test binary run again as a child whose "libcurl.so.4" is a
// library without libcurl's functions.
constexpr const char* unusableLibcurlMarker = "FERROLIN_TEST_UNUSABLE_LIBCURL";

TEST(HttpWithoutLibcurlTest, NoUrlParsesAndSessionsStillComeAndGo) {
  if (std::getenv(unusableLibcurlMarker) != nullptr) {
    EXPECT_FALSE(Url::parse("http://127.0.0.1:8080/x").has_value());
    const HttpSession session;
    return;
  }
  // The C library is loaded in every process and has none of libcurl's functions.
  Dl_info libc{};
  ASSERT_NE(::dladdr(reinterpret_cast<void*>(&::getpid), &libc), 0);
  ASSERT_NE(libc.dli_fname, nullptr);
  const testsupport::TemporaryFolder folder;
  std::filesystem::create_symlink(libc.dli_fname, folder / "libcurl.so.4");

  testsupport::Environment environment{{"LD_LIBRARY_PATH", folder.path().string()},
                                       {unusableLibcurlMarker, "1"}};
  for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
    if (const char* value = std::getenv(name); value != nullptr) {
      environment[name] = value;
    }
  }
  const testsupport::ToolResult child = testsupport::runTool(
      std::filesystem::read_symlink("/proc/self/exe"),
      {"--gtest_filter=HttpWithoutLibcurlTest.NoUrlParsesAndSessionsStillComeAndGo"}, environment,
      std::chrono::seconds(30));
  EXPECT_EQ(child.exitStatus, 0) << child.stdoutText << child.stderrText;
  EXPECT_NE(child.stdoutText.find("[  PASSED  ] 1 test"), std::string::npos) << child.stdoutText;
}

std::string absoluteStringOf(const std::optional<Url>& url) {
  return url ? url->absoluteString() : "(not parsed)";
}

TEST(UrlTest, ParsesOnlyAbsoluteUrlsWithSchemeAndHost) {
  const std::optional<Url> local = Url::parse("http://127.0.0.1:8080/x");
  EXPECT_EQ(absoluteStringOf(local), "http://127.0.0.1:8080/x");

  const std::optional<Url> service = Url::parse("https://ferrolin.app/api/app/latest-version");
  EXPECT_EQ(absoluteStringOf(service), "https://ferrolin.app/api/app/latest-version");
  EXPECT_EQ(service, Url::parse("https://ferrolin.app/api/app/latest-version"));
  EXPECT_NE(service, local);

  for (const char* text :
       {"", "not a url", "/api/app/latest-version", "ferrolin.app/api", "file:///etc/hosts"}) {
    EXPECT_FALSE(Url::parse(text).has_value()) << text;
  }
  EXPECT_FALSE(Url::parse(std::string_view("http://ferrolin.app/\0evil", 25)).has_value());
}

}  // namespace
