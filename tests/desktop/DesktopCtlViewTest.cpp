// desktopctl view as a browser meets it: a real desktop, a real `desktopctl view` child and
// httplib's client. Only the holder of the printed address reaches the desktop, malformed input
// reaches nothing, frames and the stream of changes come as the page expects them, and the view
// ends with its desktop.

#include <poll.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include "support/DesktopSession.h"
#include "support/ToolRunner.h"

namespace {

using testsupport::DesktopSession;

bool isNumber(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// A running `desktopctl view` and the address it printed.
class ViewProcess {
 public:
  explicit ViewProcess(const DesktopSession& session)
      : output_(openPipe()),
        process_(DesktopSession::tool("desktopctl"), {"view"}, session.environment(), output_[1]) {
    ::close(output_[1]);
    address_ = firstLine(output_[0]);
    ::close(output_[0]);
    // http://127.0.0.1:PORT/?token=TOKEN, the token 32 hexadecimal digits.
    const std::string start = "http://127.0.0.1:";
    const std::size_t portEnd = address_.find("/?token=");
    token_ = portEnd == std::string::npos ? "" : address_.substr(portEnd + 8);
    if (!address_.starts_with(start) || portEnd == std::string::npos ||
        !isNumber(address_.substr(start.size(), portEnd - start.size())) || token_.size() != 32 ||
        token_.find_first_not_of("0123456789abcdef") != std::string::npos) {
      throw std::runtime_error("desktopctl view printed “" + address_ + "”");
    }
    port_ = std::stoi(address_.substr(start.size(), portEnd - start.size()));
  }

  testsupport::BackgroundProcess& process() { return process_; }
  int port() const { return port_; }
  const std::string& token() const { return token_; }
  std::string withToken(const std::string& path) const {
    return path + (path.find('?') == std::string::npos ? "?" : "&") + "token=" + token_;
  }

 private:
  static std::array<int, 2> openPipe() {
    std::array<int, 2> ends{-1, -1};
    if (::pipe(ends.data()) != 0) {
      throw std::runtime_error("no pipe for desktopctl view's output");
    }
    return ends;
  }

  // Up to the first newline, waiting at most ten seconds for it.
  static std::string firstLine(int fd) {
    std::string line;
    char character = 0;
    pollfd waiting{fd, POLLIN, 0};
    while (::poll(&waiting, 1, 10'000) == 1 && ::read(fd, &character, 1) == 1 &&
           character != '\n') {
      line += character;
    }
    return line;
  }

  std::array<int, 2> output_;
  testsupport::BackgroundProcess process_;
  std::string address_;
  int port_ = 0;
  std::string token_;
};

httplib::Client clientOf(const ViewProcess& view, const std::string& host = "127.0.0.1") {
  httplib::Client client(host, view.port());
  client.set_connection_timeout(std::chrono::seconds(5));
  client.set_read_timeout(std::chrono::seconds(10));
  return client;
}

int statusOf(const httplib::Result& result) {
  return result ? result->status : -1;
}

// A PNG's width and height, from its header chunk.
std::pair<std::uint32_t, std::uint32_t> pngSize(const std::string& png) {
  const auto word = [&](std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t index = at; index < at + 4; ++index) {
      value = (value << 8U) | static_cast<unsigned char>(png.at(index));
    }
    return value;
  };
  EXPECT_EQ(png.substr(1, 3), "PNG");
  return {word(16), word(20)};
}

TEST(DesktopctlView, RefusesStrangersAndMalformedInputAndLeavesTheDesktopAsItWas) {
  DesktopSession session;
  ViewProcess view(session);
  const nlohmann::json shownBefore = session.query("show");
  const nlohmann::json journalBefore = session.query("journal");
  auto client = clientOf(view);

  const auto page = client.Get(view.withToken("/"));
  ASSERT_EQ(statusOf(page), 200);
  EXPECT_NE(page->body.find(R"(id="screen")"), std::string::npos);

  // Without the token, with another token, or through a name that is not the server's.
  const std::string otherToken(32, '0');
  for (const std::string& path :
       {std::string("/"), std::string("/frame"), std::string("/events"), "/?token=" + otherToken,
        "/frame?token=" + view.token().substr(1)}) {
    EXPECT_EQ(statusOf(client.Get(path)), 403) << path;
  }
  EXPECT_EQ(statusOf(client.Post("/click", R"({"x": 10, "y": 10})", "application/json")), 403);
  for (const std::string& host : {std::string("attacker.example:") + std::to_string(view.port()),
                                  std::string("127.0.0.1"), std::string("localhost:1")}) {
    EXPECT_EQ(statusOf(client.Get(view.withToken("/"), {{"Host", host}})), 403) << host;
  }
  EXPECT_EQ(statusOf(client.Get(view.withToken("/"),
                                {{"Host", "localhost:" + std::to_string(view.port())}})),
            200);
  // It listens on 127.0.0.1 alone.
  EXPECT_FALSE(clientOf(view, "127.0.0.2").Get(view.withToken("/")));

  // Malformed input, with the token.
  for (const auto& [path, body] : std::vector<std::pair<std::string, std::string>>{
           {"/click", "x=1&y=2"},
           {"/click", R"({"x": 1})"},
           {"/click", R"({"x": "1", "y": 2})"},
           {"/click", R"({"x": 1, "y": 2, "button": "right"})"},
           {"/click", R"([1, 2])"},
           {"/key", R"({"shortcut": "command+banana"})"},
           {"/key", R"({"shortcut": ["command", "b"]})"},
           {"/key", R"({"shortcut": "command+b; rm"})"},
           {"/open", R"({"app": 0})"},
           {"/open", R"({"app": -1})"},
           {"/open", R"({"app": "FerrolinInstaller"})"}}) {
    EXPECT_EQ(statusOf(client.Post(view.withToken(path), body, "application/json")), 400)
        << path << " " << body;
  }
  EXPECT_EQ(statusOf(client.Get(view.withToken("/frame?scale=wide"))), 400);
  EXPECT_EQ(statusOf(client.Post(view.withToken("/key"),
                                 R"({"shortcut": ")" + std::string(8192, 'a') + R"("})",
                                 "application/json")),
            413);
  EXPECT_EQ(statusOf(client.Get(view.withToken("/apps"))), 404);
  EXPECT_EQ(statusOf(client.Post(view.withToken("/shutdown"), "{}", "application/json")), 404);

  EXPECT_EQ(session.query("show"), shownBefore);
  EXPECT_EQ(session.query("journal"), journalBefore);
}

TEST(DesktopctlView, ServesFramesAtTheAskedScaleAndEachChangeAndEndsWithTheDesktop) {
  DesktopSession session;
  ViewProcess view(session);
  const nlohmann::json screen = session.query("screens").at(0);
  const auto width = screen.at("width").get<std::uint32_t>();
  const auto height = screen.at("height").get<std::uint32_t>();
  auto client = clientOf(view);

  for (const auto& [asked, scale] : std::vector<std::pair<std::string, std::uint32_t>>{
           {"1", 1}, {"2", 2}, {"2", 2}, {"7.5", 3}, {"0", 1}}) {
    const auto frame = client.Get(view.withToken("/frame?scale=" + asked));
    ASSERT_EQ(statusOf(frame), 200) << asked;
    EXPECT_EQ(frame->get_header_value("Content-Type"), "image/png");
    EXPECT_EQ(pngSize(frame->body), std::make_pair(width * scale, height * scale)) << asked;
  }

  // Clicks and keys reach the desktop, which says that nothing on the empty screen took them.
  for (const auto& [path, body] : std::vector<std::pair<std::string, std::string>>{
           {"/click", R"({"x": 700, "y": 500})"}, {"/key", R"({"shortcut": "escape"})"}}) {
    const auto sent = client.Post(view.withToken(path), body, "application/json");
    ASSERT_EQ(statusOf(sent), 200) << path;
    EXPECT_EQ(nlohmann::json::parse(sent->body), nlohmann::json({{"done", false}})) << path;
  }

  // The stream says where the count stands at once, and again when the screen changes.
  std::vector<std::string> messages;
  std::string received;
  std::thread changer;
  auto streaming = clientOf(view);
  const auto stream =
      streaming.Get(view.withToken("/events"), [&](const char* data, std::size_t length) {
        received.append(data, length);
        for (std::size_t end = received.find("\n\n"); end != std::string::npos;
             end = received.find("\n\n")) {
          messages.push_back(received.substr(0, end));
          received.erase(0, end + 2);
        }
        if (messages.size() == 1 && !changer.joinable()) {
          changer = std::thread([&] {
            EXPECT_EQ(session
                          .ctl("screens", "set",
                               R"([{"name": "Main", "x": 0, "y": 0, "width": 800, "height": 600}])")
                          .exitStatus,
                      0);
          });
        }
        return messages.size() < 2;
      });
  if (changer.joinable()) {
    changer.join();
  }
  ASSERT_EQ(messages.size(), 2U);
  EXPECT_TRUE(messages[0].starts_with("data: ") && isNumber(messages[0].substr(6))) << messages[0];
  EXPECT_NE(messages[1], messages[0]);
  const auto changed = client.Get(view.withToken("/frame"));
  ASSERT_EQ(statusOf(changed), 200);
  EXPECT_EQ(pngSize(changed->body), std::make_pair(800U, 600U));

  EXPECT_EQ(session.stop().exitStatus, 0);
  EXPECT_EQ(view.process().wait(), 0);
}

}  // namespace
