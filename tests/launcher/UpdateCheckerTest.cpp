#include "UpdateChecker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/HttpSession.h"
#include "platform/PollEventLoop.h"
#include "support/LocalHttpServer.h"

namespace {

using namespace std::chrono_literals;
using launcher::UpdateChecker;
using launcher::VersionCheckResult;
using Outcome = launcher::UpdateCheckOutcome;

launcher::LauncherConfig configFor(std::string origin, std::string installed) {
  return launcher::LauncherConfig{
      "Ferrolin", "app.ferrolin.desktop", std::move(installed), std::move(origin), {}};
}

// Versions compare by the leading numbers of their non-empty pieces, in order, missing pieces and
// pieces without digits or beyond 64 bits reading as 0.
TEST(VersionTest, NewerComparesPartsInOrderWithMissingPartsAsZero) {
  struct Case {
    std::string version;
    std::string reference;
    bool newer = false;
  };
  const std::vector<Case> cases = {
      {"1.2.4", "1.2.3", true}, {"1.2.3", "1.2.4", false},      {"1.2", "1.2.0", false},
      {"1.2.0", "1.2", false},  {"1.2.1", "1.2", true},         {"1.10", "1.9", true},
      {"1.9", "1.10", false},   {"1.2.3-beta", "1.2.3", false}, {"1.10-beta.2", "1.10.1", true},
      {"2", "1.99.99", true},   {"v3.0", "2.0", false},         {"", "0.0", false},
      {"1..3.", "1.2", true},   {"007.x", "7", false},          {"...", "0", false},
  };
  for (const auto& [version, reference, newer] : cases) {
    EXPECT_EQ(launcher::isVersion(version, reference), newer) << version << " vs " << reference;
  }
  EXPECT_TRUE(launcher::isVersion("9223372036854775807", "9223372036854775806"));
  EXPECT_FALSE(launcher::isVersion("9223372036854775808.1", "0.1"));
}

class UpdateCheckerTest : public testing::Test {
 protected:
  // The loop outlives the session, whose cancelled tasks still queue their completions on it.
  platform::PollEventLoop loop;
  platform::HttpSession session;
};

TEST_F(UpdateCheckerTest, ResultOnlyForAPublishedVersionNewerThanTheInstalledOne) {
  struct Case {
    std::string what;
    int status = 0;
    std::string body;
    std::string installed;
    // The newer version found, "=" for none, nothing when the check could not learn anything.
    std::optional<std::string> latest;
  };
  const std::string sixtyCharacters(60, 'b');
  const std::vector<Case> cases = {
      {"newer", 200, R"({"version":"1.4.0"})", "1.3.2", "1.4.0"},
      {"same", 200, R"({"version":"1.3.2"})", "1.3.2", "="},
      {"older", 200, R"({"version":"1.3"})", "1.3.2", "="},
      {"other keys ignored", 200, R"({"notes":"fixes","version":"2.0"})", "1.0", "2.0"},
      {"missing key", 200, R"({"latest":"9.0"})", "1.0", {}},
      {"not a string", 200, R"({"version":9})", "1.0", {}},
      {"not an object", 200, R"(["9.0"])", "1.0", {}},
      {"not JSON", 200, R"({"version":"9.0")", "1.0", {}},
      {"empty body", 200, "", "1.0", {}},
      {"error page", 500, "<html><body>version 9.0</body></html>", "1.0", {}},
      {"newer whatever the status", 404, R"({"version":"9.0"})", "1.0", "9.0"},
      // A version is letters, digits, ".", "-" and "+", at most 64: nothing else reaches the menu
      // and the notification.
      {"64 characters", 200, R"({"version":"9.0-)" + sixtyCharacters + R"("})", "1.0",
       "9.0-" + sixtyCharacters},
      {"65 characters", 200, R"({"version":"9.0+)" + sixtyCharacters + R"(b"})", "1.0", {}},
      {"a sentence",
       200,
       R"({"version":"2.0 URGENT: call +1-555-0100 or visit evil.example"})",
       "1.0",
       {}},
      {"a line break", 200, R"({"version":"9.0\nInstall it now"})", "1.0", {}},
      {"right-to-left override", 200, R"({"version":"9.0\u202e1"})", "1.0", {}},
      {"line and paragraph separators", 200, R"({"version":"9.0\u2028\u2029"})", "1.0", {}},
      {"another script", 200, R"({"version":"9.0-é"})", "1.0", {}},
      // An answer nested past any sense is refused before it is parsed.
      {"nested too deep",
       200,
       R"({"version":"9.0","notes":)" + std::string(200, '[') + std::string(200, ']') + "}",
       "1.0",
       {}},
      {"connection refused", 0, "", "1.0", {}},
      {"origin without an address", -1, "not a url", "1.0", {}},
      {"empty origin", -1, "///", "1.0", {}},
  };

  // Every check runs at once, its checker gone before the answer arrives. The server answers the
  // n-th case under "/n", and only there, so a result also shows that the slashes around the
  // origin were trimmed. Status 0 asks a port that refuses the connection; for status -1 the body
  // is an origin that makes no address, which is answered at once on the calling thread.
  testsupport::LocalHttpServer server;
  server.get(R"(/(\d+)/api/app/latest-version)", [&cases](const auto& request, auto& response) {
    const Case& answer = cases.at(std::stoul(request.matches[1].str()));
    response.status = answer.status;
    response.set_content(answer.body, answer.status == 500 ? "text/html" : "application/json");
  });
  server.start();
  const testsupport::RefusingLocalPort refusing;
  std::vector<std::optional<Outcome>> received(cases.size());
  const std::thread::id testThread = std::this_thread::get_id();
  bool completedOnAnotherThread = false;
  for (std::size_t index = 0; index < cases.size(); ++index) {
    const Case& answer = cases[index];
    std::string origin = "//" + server.url("/" + std::to_string(index) + "//");
    if (answer.status <= 0) {
      origin = answer.status == 0 ? refusing.url("") : answer.body;
    }
    UpdateChecker(configFor(origin, answer.installed), session, loop)
        .check([&, index](Outcome outcome) {
          received[index] = std::move(outcome);
          completedOnAnotherThread |= std::this_thread::get_id() != testThread;
        });
    EXPECT_EQ(received[index].has_value(), answer.status < 0) << answer.what;
  }
  ASSERT_TRUE(loop.runUntil(
      [&] {
        return std::ranges::all_of(received, [](const auto& one) { return one.has_value(); });
      },
      30s));

  EXPECT_FALSE(completedOnAnotherThread);
  for (std::size_t index = 0; index < cases.size(); ++index) {
    const Case& answer = cases[index];
    const Outcome outcome = received[index].value_or(Outcome());
    if (!answer.latest) {
      EXPECT_FALSE(outcome.has_value()) << answer.what;
    } else if (*answer.latest == "=") {
      EXPECT_EQ(outcome, Outcome()) << answer.what;
    } else {
      EXPECT_EQ(outcome, Outcome(VersionCheckResult{*answer.latest, answer.installed}))
          << answer.what;
    }
  }
}

}  // namespace
