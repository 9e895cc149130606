#include "UpdateChecker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/EventLoop.h"
#include "platform/HttpSession.h"
#include "support/LocalHttpServer.h"

namespace {

using namespace std::chrono_literals;
using launcher::UpdateChecker;
using launcher::VersionCheckResult;
using Outcome = std::optional<VersionCheckResult>;

// Long enough for the checker's own 8-second time-out to pass first.
constexpr auto deadline = 20s;

launcher::LauncherConfig configFor(std::string origin, std::string installed) {
  return launcher::LauncherConfig{
      "Ferrolin", "app.ferrolin.desktop", std::move(installed), std::move(origin), {}};
}

// Serves `body` with `status` for the latest-version path.
void serveLatestVersion(testsupport::LocalHttpServer& server, int status, std::string body,
                        std::string contentType = "application/json") {
  server.get("/api/app/latest-version",
             [status, body = std::move(body), contentType = std::move(contentType)](
                 const httplib::Request& /*request*/, httplib::Response& response) {
               response.status = status;
               response.set_content(body, contentType);
             });
  server.start();
}

TEST(VersionTest, PartsAreTheLeadingNumbersOfTheNonEmptyPieces) {
  struct Case {
    std::string version;
    std::vector<std::int64_t> parts;
  };
  const std::vector<Case> cases = {
      {"1.2.3", {1, 2, 3}},
      {"1.10-beta.2", {1, 10, 2}},
      {"v2.0", {0, 0}},
      {"", {}},
      {"1..2.", {1, 2}},
      {"...", {}},
      {"9223372036854775807.1", {9223372036854775807, 1}},
      {"9223372036854775808.1", {0, 1}},
      {"007.x", {7, 0}},
  };
  for (const auto& [version, parts] : cases) {
    EXPECT_EQ(launcher::versionParts(version), parts) << '"' << version << '"';
  }
}

TEST(VersionTest, NewerComparesPartsInOrderWithMissingPartsAsZero) {
  struct Case {
    std::string version;
    std::string reference;
    bool newer = false;
  };
  const std::vector<Case> cases = {
      {"1.2.4", "1.2.3", true}, {"1.2.3", "1.2.4", false},      {"1.2", "1.2.0", false},
      {"1.2.0", "1.2", false},  {"1.2.1", "1.2", true},         {"1.10", "1.9", true},
      {"1.9", "1.10", false},   {"1.2.3-beta", "1.2.3", false}, {"1.2.3", "1.2.3-beta", false},
      {"2", "1.99.99", true},   {"v3.0", "2.0", false},         {"", "0.0", false},
  };
  for (const auto& [version, reference, newer] : cases) {
    EXPECT_EQ(launcher::isVersion(version, reference), newer) << version << " vs " << reference;
  }
}

class UpdateCheckerTest : public testing::Test {
 protected:
  // Runs one check and the loop until its completion ran, which must be on the loop's thread. The
  // checker is gone before the answer arrives, as the completion must not need it.
  Outcome checkOnce(const std::string& origin, const std::string& installed) {
    auto received = std::make_shared<std::optional<Outcome>>();
    auto thread = std::make_shared<std::thread::id>();
    UpdateChecker(configFor(origin, installed), session, loop)
        .check([received, thread](Outcome outcome) {
          *received = std::move(outcome);
          *thread = std::this_thread::get_id();
        });
    EXPECT_TRUE(loop.runUntil([&] { return received->has_value(); }, deadline))
        << "no completion for " << origin;
    EXPECT_EQ(*thread, std::this_thread::get_id());
    return received->value_or(std::nullopt);
  }

  // The loop outlives the session, whose cancelled tasks still queue their completions on it.
  platform::EventLoop loop;
  platform::HttpSession session;
};

TEST_F(UpdateCheckerTest, ResultOnlyForAPublishedVersionNewerThanTheInstalledOne) {
  struct Case {
    std::string what;
    int status = 0;
    std::string body;
    std::string installed;
    std::optional<std::string> latest;
  };
  const std::vector<Case> cases = {
      {"newer", 200, R"({"version":"1.4.0"})", "1.3.2", "1.4.0"},
      {"same", 200, R"({"version":"1.3.2"})", "1.3.2", std::nullopt},
      {"equal but shorter", 200, R"({"version":"1.3"})", "1.3.0", std::nullopt},
      {"older and shorter", 200, R"({"version":"1.3"})", "1.3.2", std::nullopt},
      {"numbers, not text", 200, R"({"version":"1.10"})", "1.9", "1.10"},
      {"prefix reads as 0", 200, R"({"version":"v3.0"})", "2.0", std::nullopt},
      {"other keys ignored", 200, R"({"notes":"fixes","version":"2.0"})", "1.0", "2.0"},
      {"missing key", 200, R"({"latest":"9.0"})", "1.0", std::nullopt},
      {"not a string", 200, R"({"version":9})", "1.0", std::nullopt},
      {"not an object", 200, R"(["9.0"])", "1.0", std::nullopt},
      {"not JSON", 200, R"({"version":"9.0")", "1.0", std::nullopt},
      {"empty body", 200, "", "1.0", std::nullopt},
      {"error page", 500, "<html><body>version 9.0</body></html>", "1.0", std::nullopt},
      {"newer whatever the status", 404, R"({"version":"9.0"})", "1.0", "9.0"},
      {"slashes around the origin", 200, R"({"version":"1.4.0"})", "1.3.2", "1.4.0"},
  };
  for (const auto& answer : cases) {
    SCOPED_TRACE(answer.what);
    testsupport::LocalHttpServer server;
    serveLatestVersion(server, answer.status, answer.body,
                       answer.status == 500 ? "text/html" : "application/json");
    const Outcome expected =
        answer.latest ? Outcome(VersionCheckResult{*answer.latest, answer.installed}) : Outcome();
    // The server answers only the exact path, so a result shows that the slashes were trimmed.
    const std::string origin =
        answer.what.starts_with("slashes") ? "//" + server.url("//") : server.url("");
    EXPECT_EQ(checkOnce(origin, answer.installed), expected);
  }

  const testsupport::RefusingLocalPort refusing;
  EXPECT_EQ(checkOnce(refusing.url(""), "1.0"), std::nullopt);
}

TEST_F(UpdateCheckerTest, OriginWithoutAValidAddressAnswersAtOnceOnTheCallingThread) {
  for (const char* origin : {"not a url", "", "///"}) {
    std::optional<Outcome> received;
    std::thread::id completionThread;
    UpdateChecker(configFor(origin, "1.0"), session, loop).check([&](Outcome outcome) {
      received = std::move(outcome);
      completionThread = std::this_thread::get_id();
    });
    EXPECT_EQ(received, std::optional<Outcome>(std::in_place)) << '"' << origin << '"';
    EXPECT_EQ(completionThread, std::this_thread::get_id());
  }
  loop.runUntilIdle();
}

TEST_F(UpdateCheckerTest, ChecksAtOnceEachGetTheirOwnCompletion) {
  testsupport::LocalHttpServer server;
  serveLatestVersion(server, 200, R"({"version":"1.4.0"})");

  std::vector<Outcome> older;
  std::vector<Outcome> newer;
  const UpdateChecker olderInstalled(configFor(server.url(""), "1.3.2"), session, loop);
  const UpdateChecker newerInstalled(configFor(server.url(""), "1.5"), session, loop);
  olderInstalled.check([&](Outcome outcome) { older.push_back(std::move(outcome)); });
  newerInstalled.check([&](Outcome outcome) { newer.push_back(std::move(outcome)); });
  olderInstalled.check([&](Outcome outcome) { older.push_back(std::move(outcome)); });

  ASSERT_TRUE(loop.runUntil([&] { return older.size() + newer.size() == 3; }, deadline));
  loop.runUntilIdle();
  const Outcome update = VersionCheckResult{"1.4.0", "1.3.2"};
  EXPECT_EQ(older, (std::vector<Outcome>{update, update}));
  EXPECT_EQ(newer, std::vector<Outcome>{std::nullopt});
}

// The only test that waits out the whole time-out (about 8 seconds).
TEST_F(UpdateCheckerTest, ServiceThatNeverAnswersGivesNoResultAfterTheTimeOut) {
  testsupport::LocalHttpServer server;
  server.get("/api/app/latest-version",
             [&server](const httplib::Request& /*request*/, httplib::Response& /*response*/) {
               server.waitUntilReleased();
             });
  server.start();
  EXPECT_EQ(checkOnce(server.url(""), "1.0"), std::nullopt);
}

}  // namespace
