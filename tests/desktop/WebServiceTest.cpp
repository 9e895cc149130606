// The web service stand-in, run as a real process and asked with a real HTTP client.

#include <gtest/gtest.h>
#include <httplib.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "support/DesktopSession.h"
#include "support/Eventually.h"
#include "support/LocalHttpServer.h"
#include "support/TemporaryFolder.h"
#include "support/ToolRunner.h"

namespace {

using testsupport::DesktopSession;

const testsupport::Environment environment{{"PATH", "/usr/bin:/bin"}};

std::vector<std::string> sortedLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) {
    lines.push_back(line);
  }
  std::ranges::sort(lines);
  return lines;
}

TEST(WebServiceTest, ServesTheVersionAndTheDownloadPageLogsEachRequestAndStopsOnSigterm) {
  const testsupport::TemporaryFolder folder;
  const std::string version = R"(2.5.0-"rc"<1>)";
  // Through the shell, so that what it prints lands in files.
  testsupport::BackgroundProcess service(
      "/bin/sh",
      {"-c", R"(exec "$0" --version "$1" >"$2" 2>"$3")", DesktopSession::tool("webservice"),
       version, (folder / "out").string(), (folder / "err").string()},
      environment);
  std::string address;
  ASSERT_TRUE(testsupport::eventually([&] {
    address = std::filesystem::exists(folder / "out") ? testsupport::readFile(folder / "out") : "";
    return address.ends_with("\n");
  }));
  address.pop_back();
  ASSERT_TRUE(address.starts_with("http://127.0.0.1:")) << address;

  httplib::Client client(address);
  const httplib::Result latest = client.Get("/api/app/latest-version");
  ASSERT_TRUE(latest) << httplib::to_string(latest.error());
  EXPECT_EQ(latest->status, 200);
  EXPECT_EQ(latest->get_header_value("Content-Type"), "application/json");
  EXPECT_EQ(nlohmann::json::parse(latest->body, nullptr, false),
            (nlohmann::json{{"version", version}}));

  const httplib::Result page = client.Get("/download");
  ASSERT_TRUE(page) << httplib::to_string(page.error());
  EXPECT_EQ(page->status, 200);
  EXPECT_NE(page->body.find("2.5.0-&quot;rc&quot;&lt;1&gt;"), std::string::npos) << page->body;

  const httplib::Result unknown = client.Get("/api/app/latest-version/");
  ASSERT_TRUE(unknown) << httplib::to_string(unknown.error());
  EXPECT_EQ(unknown->status, 404);

  ::kill(service.pid(), SIGTERM);
  EXPECT_EQ(service.wait(), 0);
  EXPECT_EQ(sortedLines(testsupport::readFile(folder / "err")),
            (std::vector<std::string>{"GET /api/app/latest-version 200",
                                      "GET /api/app/latest-version/ 404", "GET /download 200"}));
}

TEST(WebServiceTest, RefusesBadUsageWith2AndAPortInUseWith1) {
  for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
           {"--colour", "red"}, {"--port"}, {"--port", "65536"}, {"--port", "80x"}, {"1.0.0"}}) {
    const testsupport::ToolResult result =
        testsupport::runTool(DesktopSession::tool("webservice"), arguments, environment);
    EXPECT_EQ(result.exitStatus, 2) << arguments.front();
    EXPECT_NE(result.stderrText.find("usage: webservice"), std::string::npos) << arguments.front();
  }

  const testsupport::RefusingLocalPort taken;
  const testsupport::ToolResult result = testsupport::runTool(
      DesktopSession::tool("webservice"), {"--port", std::to_string(taken.port())}, environment);
  EXPECT_EQ(result.exitStatus, 1) << result.stderrText;
  EXPECT_TRUE(result.stdoutText.empty());
}

}  // namespace
