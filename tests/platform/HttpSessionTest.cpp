#include "platform/HttpSession.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <system_error>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "support/Eventually.h"
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
};

// Starts a GET of `url`; the future becomes ready when the completion has run, after `alsoDo`.
std::future<Outcome> startTask(HttpSession& session, const std::string& url,
                               std::chrono::milliseconds timeout = deadline,
                               std::function<void()> alsoDo = {}) {
  auto outcome = std::make_shared<std::promise<Outcome>>();
  auto future = outcome->get_future();
  const std::optional<Url> parsed = Url::parse(url);
  if (!parsed) {
    ADD_FAILURE() << "not a URL: " << url;
    outcome->set_value({});
    return future;
  }
  session.startDataTask(
      platform::HttpRequest{*parsed, timeout},
      [outcome, alsoDo = std::move(alsoDo)](std::optional<std::string> data,
                                            std::optional<platform::HttpResponse> response,
                                            std::optional<platform::Error> error) {
        if (alsoDo) {
          alsoDo();
        }
        outcome->set_value(
            Outcome{std::move(data), response, std::move(error), std::this_thread::get_id()});
      });
  return future;
}

// The outcome, or a failure and an empty outcome when the completion does not run in time.
Outcome await(std::future<Outcome>& future) {
  if (future.wait_for(deadline) != std::future_status::ready) {
    ADD_FAILURE() << "the completion did not run within the deadline";
    return {};
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
  const platform::Error error = outcome.error.value_or(platform::Error{});
  EXPECT_EQ(error.code, code);
  EXPECT_EQ(error.domain, platform::errorDomain::url);
  EXPECT_FALSE(error.localizedDescription.empty());
}

class HttpSessionTest : public ::testing::Test {
 protected:
  // Declared first so that it outlives the session: a session destroyed while the server still
  // serves is what the tests mean to exercise.
  testsupport::LocalHttpServer server;
  HttpSession session;
};

TEST_F(HttpSessionTest, StatusesAndBodiesAreDeliveredOnTheSessionsThreadAfterAnyRedirects) {
  server.get("/api/app/latest-version", [](const httplib::Request&, httplib::Response& response) {
    response.set_content(R"({"version":"2.4.1"})", "application/json");
  });
  server.get("/broken", [](const httplib::Request&, httplib::Response& response) {
    response.status = 500;
    response.set_content("database unavailable", "text/plain");
  });
  server.get("/empty", [](const httplib::Request&, httplib::Response& response) {
    response.set_content("", "text/plain");
  });
  server.get("/old", [](const httplib::Request&, httplib::Response& response) {
    response.set_redirect("/api/app/latest-version");
  });
  server.start();

  // Error statuses and empty bodies are answers, not failures.
  const std::vector<std::tuple<std::string, long, std::string>> cases = {
      {"/api/app/latest-version", 200, R"({"version":"2.4.1"})"},
      {"/broken", 500, "database unavailable"},
      {"/nothing-here", 404, ""},
      {"/empty", 200, ""},
      {"/old", 200, R"({"version":"2.4.1"})"},
  };
  for (const auto& [path, status, body] : cases) {
    SCOPED_TRACE(path);
    const Outcome outcome = fetch(HttpSession::shared(), server.url(path));
    expectSuccess(outcome, status);
    if (!body.empty()) {
      EXPECT_EQ(outcome.data, body);
    }
    EXPECT_NE(outcome.thread, std::this_thread::get_id());
  }
}

// Bodies whose length is announced and chunked ones alike.
TEST_F(HttpSessionTest, BodiesUpToTheMaximumSizeArriveByteForByteAndOneByteMoreFails) {
  std::string atLimit;
  std::uint32_t state = 1;
  while (atLimit.size() < HttpSession::maximumBodySize) {
    state = state * 1103515245U + 12345U;
    atLimit.push_back(static_cast<char>(state >> 16U));
  }
  const std::string overLimit(HttpSession::maximumBodySize + 1, 'o');
  server.get("/(announced|chunked)/(at|over)-limit", [&](const httplib::Request& request,
                                                         httplib::Response& response) {
    auto body =
        std::make_shared<const std::string>(request.matches[2] == "at" ? atLimit : overLimit);
    if (request.matches[1] == "announced") {
      response.set_content(*body, "application/octet-stream");
      return;
    }
    response.set_chunked_content_provider(
        "application/octet-stream", [body](std::size_t offset, httplib::DataSink& sink) {
          constexpr std::size_t piece = std::size_t{64} * 1024;
          if (offset < body->size()) {
            sink.write(body->data() + offset, std::min(piece, body->size() - offset));
          } else {
            sink.done();
          }
          return true;
        });
  });
  server.start();

  for (const std::string transfer : {"/announced", "/chunked"}) {
    SCOPED_TRACE(transfer);
    const Outcome fitting = fetch(session, server.url(transfer + "/at-limit"));
    expectSuccess(fitting, 200);
    EXPECT_EQ(fitting.data.value_or("").size(), atLimit.size());
    EXPECT_TRUE(fitting.data == atLimit);

    const Outcome tooLarge = fetch(session, server.url(transfer + "/over-limit"));
    expectUrlError(tooLarge, urlErrorCode::dataLengthExceedsMaximum);
    EXPECT_EQ(tooLarge.status(), 200);
  }
}

TEST_F(HttpSessionTest, SlowUnreachableDroppedAndEndlesslyRedirectedTransfersEndInErrors) {
  server.get("/slow", [&](const httplib::Request&, httplib::Response& response) {
    server.waitUntilReleased();
    response.set_content("too late", "text/plain");
  });
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
  server.get("/loop", [](const httplib::Request&, httplib::Response& response) {
    response.set_redirect("/loop");
  });
  server.start();
  const testsupport::RefusingLocalPort refusing;

  // The shortest time-out a request can have, so that the test does not wait for it.
  const Outcome slow = fetch(session, server.url("/slow"), 1ms);
  expectUrlError(slow, urlErrorCode::timedOut);
  EXPECT_FALSE(slow.response.has_value());

  const Outcome refused = fetch(session, refusing.url("/api/app/latest-version"));
  expectUrlError(refused, urlErrorCode::cannotConnectToHost);
  EXPECT_FALSE(refused.response.has_value());

  // The status line arrived before the connection was lost, so the response comes with the error.
  const Outcome truncated = fetch(session, server.url("/truncated"));
  expectUrlError(truncated, urlErrorCode::networkConnectionLost);
  EXPECT_EQ(truncated.status(), 200);

  expectUrlError(fetch(session, server.url("/loop")), urlErrorCode::unknown);
}

TEST_F(HttpSessionTest, ConcurrentTasksAreInFlightTogetherAndCompleteOnOneSessionThread) {
  // Each request is answered only once all of them have arrived, so a session that ran its
  // transfers one after another would get "alone" back.
  constexpr int taskCount = 3;
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
    EXPECT_EQ(outcome.data, "together");
    completionThreads.insert(outcome.thread);
  }
  EXPECT_EQ(completionThreads.size(), 1U);
  EXPECT_FALSE(completionThreads.contains(std::this_thread::get_id()));
}

// A completion that was dropped instead of run would leave a broken promise behind.
TEST_F(HttpSessionTest, DestroyingASessionCompletesItsTasksBeforeReturning) {
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
  server.get("/quick", [](const httplib::Request&, httplib::Response& response) {
    response.set_content("quick", "text/plain");
  });
  server.start();

  // A task in flight, one just started and one that the first one's completion starts while the
  // session stops are all cancelled.
  std::future<Outcome> inFlight;
  std::future<Outcome> justStarted;
  std::future<Outcome> startedWhileStopping;
  {
    HttpSession shortLived;
    inFlight = startTask(shortLived, server.url("/held"), deadline, [&] {
      startedWhileStopping = startTask(shortLived, server.url("/quick"));
    });
    ASSERT_EQ(arrived.get_future().wait_for(deadline), std::future_status::ready);
    justStarted = startTask(shortLived, server.url("/held-too"));
  }
  for (auto* future : {&inFlight, &justStarted, &startedWhileStopping}) {
    ASSERT_EQ(future->wait_for(0s), std::future_status::ready);
    expectUrlError(future->get(), urlErrorCode::cancelled);
  }

  // Sessions made and destroyed on several threads at once, unused or with a task started the
  // moment they exist, complete or cancel every task.
  const std::string url = server.url("/quick");
  std::vector<std::jthread> threads;
  threads.reserve(4);
  for (int index = 0; index < 4; ++index) {
    threads.emplace_back([&url] {
      for (int round = 0; round < 3; ++round) {
        { const HttpSession unused; }
        {
          HttpSession fresh;
          EXPECT_EQ(fetch(fresh, url).data, "quick");
        }
        std::future<Outcome> abandoned;
        {
          HttpSession shortLived;
          abandoned = startTask(shortLived, url);
        }
        ASSERT_EQ(abandoned.wait_for(0s), std::future_status::ready);
        const Outcome outcome = abandoned.get();
        EXPECT_TRUE(outcome.data == "quick" ||
                    outcome.error.value_or(platform::Error{}).code == urlErrorCode::cancelled);
      }
    });
  }
}

// Set in the environment of this test binary run again as a child whose "libcurl.so.4" is a
// library without libcurl's functions.
constexpr const char* unusableLibcurlMarker = "FERROLIN_TEST_UNUSABLE_LIBCURL";

TEST(HttpWithoutLibcurlTest, UrlsStillParseAndSessionsStillComeAndGo) {
  if (std::getenv(unusableLibcurlMarker) != nullptr) {
    EXPECT_TRUE(Url::parse("http://127.0.0.1:8080/x").has_value());
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
  testsupport::addSanitizerOptions(environment);
  const testsupport::ToolResult child = testsupport::runTool(
      std::filesystem::read_symlink("/proc/self/exe"),
      {"--gtest_filter=HttpWithoutLibcurlTest.UrlsStillParseAndSessionsStillComeAndGo"},
      environment, std::chrono::seconds(30));
  EXPECT_EQ(child.exitStatus, 0) << child.stdoutText << child.stderrText;
  EXPECT_NE(child.stdoutText.find("[  PASSED  ] 1 test"), std::string::npos) << child.stdoutText;
}

// A process's state letter and parent from /proc; nothing when it no longer exists.
std::optional<std::pair<char, pid_t>> stateAndParentOf(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line) || line.rfind(')') == std::string::npos) {
    return std::nullopt;
  }
  std::istringstream fields(line.substr(line.rfind(')') + 1));
  char state = '?';
  pid_t parent = 0;
  fields >> state >> parent;
  return std::pair{state, parent};
}

// Set in the environment of this test binary run again as a program that starts a request to this
// URL and is killed while the request is held.
constexpr const char* heldUrlMarker = "FERROLIN_TEST_HELD_URL";

TEST(HttpHelperTest, AHelperEndsWithTheProgramThatStartedIt) {
  if (const char* url = std::getenv(heldUrlMarker); url != nullptr) {
    HttpSession session;
    std::ignore = startTask(session, url, 60s);
    std::this_thread::sleep_for(60s);
    return;
  }
  testsupport::LocalHttpServer server;
  std::promise<void> arrived;
  server.get("/held", [&](const httplib::Request&, httplib::Response& response) {
    arrived.set_value();
    server.waitUntilReleased();
    response.set_content("released", "text/plain");
  });
  server.start();
  testsupport::Environment environment{{heldUrlMarker, server.url("/held")}};
  testsupport::addSanitizerOptions(environment);
  testsupport::BackgroundProcess program(
      std::filesystem::read_symlink("/proc/self/exe"),
      {"--gtest_filter=HttpHelperTest.AHelperEndsWithTheProgramThatStartedIt"}, environment);
  ASSERT_EQ(arrived.get_future().wait_for(deadline), std::future_status::ready);

  std::vector<pid_t> helpers;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    pid_t pid = 0;
    const std::string name = entry.path().filename().string();
    if (std::from_chars(name.data(), name.data() + name.size(), pid).ec == std::errc{} &&
        stateAndParentOf(pid).value_or(std::pair{'?', 0}).second == program.pid()) {
      helpers.push_back(pid);
    }
  }
  ASSERT_EQ(helpers.size(), 1U);

  // The helper's request would wait a minute; it goes with the program instead.
  program.kill();
  EXPECT_TRUE(testsupport::eventually([&] {
    const auto state = stateAndParentOf(helpers.front());
    return !state || state->first == 'Z';
  })) << "the helper still runs";
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

  EXPECT_EQ(absoluteStringOf(Url::parse("http://example.com")), "http://example.com/");
  EXPECT_EQ(absoluteStringOf(Url::parse("HTTPS://Ferrolin.app:/a/./b/../c?q#f")),
            "https://Ferrolin.app/a/c?q#f");

  for (const char* text : {"", "not a url", "/api/app/latest-version", "ferrolin.app/api",
                           "file:///etc/hosts", "ftp://ferrolin.app/x", "http:///x",
                           "http://ferrolin.app:65536/", "http://ferrolin.app/a b"}) {
    EXPECT_FALSE(Url::parse(text).has_value()) << text;
  }
  EXPECT_FALSE(Url::parse(std::string_view("http://ferrolin.app/\0evil", 25)).has_value());
}

}  // namespace
