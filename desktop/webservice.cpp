// A stand-in of the product's web service on 127.0.0.1 for the emulated desktop and the demo: the
// latest published version and the download page.
//
//   webservice [--port N] [--version V]
//
// Prints "http://127.0.0.1:<port>" once it listens, logs "GET <path> <status>" per request on
// standard error and stops cleanly on SIGTERM or SIGINT.

#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <charconv>
#include <chrono>
#include <csignal>
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include <httplib.h>
#include <nlohmann/json.hpp>

namespace {

constexpr const char* usage = "usage: webservice [--port N] [--version V]";

struct Options {
  int port = 0;  // 0: any free port
  std::string version = "1.0.0";
};

std::optional<int> parsePort(std::string_view text) {
  int port = -1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
  if (error != std::errc{} || end != text.data() + text.size() || port < 0 || port > 65535) {
    return std::nullopt;
  }
  return port;
}

// The options, or nothing after a message on standard error.
std::optional<Options> parseOptions(const std::vector<std::string_view>& arguments) {
  Options options;
  for (std::size_t index = 0; index < arguments.size(); index += 2) {
    const std::string_view option = arguments[index];
    if (option != "--port" && option != "--version") {
      std::cerr << "webservice: unknown option " << option << "\n" << usage << "\n";
      return std::nullopt;
    }
    if (index + 1 == arguments.size()) {
      std::cerr << "webservice: " << option << " needs a value\n" << usage << "\n";
      return std::nullopt;
    }
    const std::string_view value = arguments[index + 1];
    if (option == "--version") {
      options.version = value;
    } else if (const std::optional<int> port = parsePort(value)) {
      options.port = *port;
    } else {
      std::cerr << "webservice: the port must be a number from 0 to 65535, not " << value << "\n"
                << usage << "\n";
      return std::nullopt;
    }
  }
  return options;
}

std::string escapedHtml(std::string_view text) {
  std::string escaped;
  for (const char character : text) {
    switch (character) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      default:
        escaped += character;
    }
  }
  return escaped;
}

std::string downloadPage(std::string_view version) {
  return "<!DOCTYPE html>\n<html><head><title>Download Ferrolin</title></head>\n<body><h1>Download "
         "Ferrolin</h1><p>Ferrolin " +
         escapedHtml(version) + " is available for download.</p></body></html>\n";
}

// Listens, prints the address and serves until SIGTERM or SIGINT; returns the exit status.
int serve(const Options& options) {
  // Blocked before any thread starts, so that only the waiter below ever takes these signals.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  httplib::Server server;
  const std::string versionBody = nlohmann::json{{"version", options.version}}.dump();
  const std::string page = downloadPage(options.version);
  server.Get("/api/app/latest-version", [&](const httplib::Request&, httplib::Response& response) {
    response.set_content(versionBody, "application/json");
  });
  server.Get("/download", [&](const httplib::Request&, httplib::Response& response) {
    response.set_content(page, "text/html; charset=utf-8");
  });
  server.set_logger([](const httplib::Request& request, const httplib::Response& response) {
    std::cerr << (request.method + " " + request.path + " " + std::to_string(response.status) +
                  "\n");
  });

  int port = -1;
  if (options.port == 0) {
    port = server.bind_to_any_port("127.0.0.1");
  } else if (server.bind_to_port("127.0.0.1", options.port)) {
    port = options.port;
  }
  if (port <= 0) {
    std::cerr << "webservice: cannot listen on 127.0.0.1 port " << options.port << "\n";
    return 1;
  }
  std::cout << "http://127.0.0.1:" << port << '\n' << std::flush;

  std::atomic<bool> listening = true;
  std::atomic<bool> stoppedBySignal = false;
  std::thread waiter([&] {
    int received = 0;
    sigwait(&stopSignals, &received);
    if (!listening) {
      return;  // woken below after the server ended on its own
    }
    stoppedBySignal = true;
    // httplib ignores stop() until its accept loop runs.
    while (listening && !server.is_running()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    server.stop();
  });
  const bool listened = server.listen_after_bind();
  listening = false;
  if (!stoppedBySignal) {
    // Sent to the process, so the waiter, the only thread that takes it, wakes up.
    kill(getpid(), SIGTERM);
  }
  waiter.join();
  return listened || stoppedBySignal ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const std::optional<Options> options =
        parseOptions(std::vector<std::string_view>(argv + (argc > 0 ? 1 : 0), argv + argc));
    return options ? serve(*options) : 2;
  } catch (const std::exception& exception) {
    std::cerr << "webservice: " << exception.what() << "\n";
    return 1;
  }
}
