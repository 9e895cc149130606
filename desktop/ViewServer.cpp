#include "ViewServer.h"

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include <nlohmann/json.hpp>

#include "SceneReading.h"
#include "ViewInput.h"
#include "ViewPage.h"
#include "picture/ScreenPicture.h"

namespace desktop {
namespace {

// Bodies are a few words of JSON.
constexpr std::size_t largestBody = 4096;
// A browser keeps an event stream per page; a few pages may be open at once.
constexpr std::size_t streamLimit = 4;
// How long the open stand-in may take to start a bundle.
constexpr std::chrono::seconds openLimit{10};

constexpr int forbidden = 403;
constexpr int badRequest = 400;
constexpr int unavailable = 503;
constexpr int failedInside = 500;

void refuse(httplib::Response& response, int status) {
  response.status = status;
  response.set_content("", "text/plain");
}

std::vector<std::string> bundleNames(const std::vector<std::filesystem::path>& bundles) {
  std::vector<std::string> names;
  names.reserve(bundles.size());
  for (const auto& bundle : bundles) {
    names.push_back(bundle.stem().string());
  }
  return names;
}

}  // namespace

ViewServer::ViewServer(platform::DesktopChannel control, ViewSettings settings,
                       platform::ProcessLauncher launcher)
    : settings_(std::move(settings)),
      page_(viewPage(bundleNames(settings_.appBundles))),
      launcher_(std::move(launcher)),
      control_(std::move(control)),
      changes_(streamLimit) {
  // httplib's wait for a kept-alive connection's next request wakes up every few milliseconds:
  // one request per connection keeps an idle view asleep.
  server_.set_keep_alive_max_count(1);
  server_.set_payload_max_length(largestBody);
  route();
}

std::optional<int> ViewServer::bind(int port) {
  int bound = -1;
  if (port == 0) {
    bound = server_.bind_to_any_port("127.0.0.1");
  } else if (server_.bind_to_port("127.0.0.1", port)) {
    bound = port;
  }
  if (bound <= 0) {
    return std::nullopt;
  }
  access_.emplace(settings_.token, bound);
  return bound;
}

bool ViewServer::listen() {
  const bool served = server_.listen_after_bind();
  listenEnded_ = true;
  return served;
}

void ViewServer::stop() {
  changes_.close();
  // httplib ignores stop() until its accept loop runs.
  while (!listenEnded_ && !server_.is_running()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  server_.stop();
}

void ViewServer::route() {
  server_.set_pre_routing_handler(
      [this](const httplib::Request& request, httplib::Response& response) {
        if (access_ && access_->allows(request.remote_addr, request.get_header_value("Host"),
                                       request.get_param_value("token"))) {
          return httplib::Server::HandlerResponse::Unhandled;
        }
        refuse(response, forbidden);
        return httplib::Server::HandlerResponse::Handled;
      });
  server_.Get("/", [this](const httplib::Request&, httplib::Response& response) {
    response.set_header("Cache-Control", "no-store");
    response.set_content(page_, "text/html; charset=utf-8");
  });
  server_.Get("/frame", [this](const httplib::Request& request, httplib::Response& response) {
    serveFrame(request, response);
  });
  server_.Get("/events", [this](const httplib::Request&, httplib::Response& response) {
    serveEvents(response);
  });
  server_.Post("/click", [this](const httplib::Request& request, httplib::Response& response) {
    click(request, response);
  });
  server_.Post("/key", [this](const httplib::Request& request, httplib::Response& response) {
    key(request, response);
  });
  server_.Post("/open", [this](const httplib::Request& request, httplib::Response& response) {
    open(request, response);
  });
}

void ViewServer::serveFrame(const httplib::Request& request, httplib::Response& response) {
  const auto scale = request.has_param("scale") ? readScale(request.get_param_value("scale")) : 1.0;
  if (!scale) {
    refuse(response, badRequest);
    return;
  }
  // Read before the scene, so the frame shows at least this count's screen.
  const std::uint64_t count = changes_.count();
  auto png = frames_.find(count, *scale);
  if (!png) {
    platform::Result<ScreenScene> scene;
    {
      const std::scoped_lock lock(controlMutex_);
      scene = readScene(control_);
    }
    if (!scene) {
      refuse(response, unavailable);
      return;
    }
    PictureOptions options;
    options.scale = scale;
    const auto picture = ScreenPicture::draw(*scene, options);
    if (!picture) {
      refuse(response, failedInside);
      return;
    }
    png = std::make_shared<const std::string>(picture->png());
    frames_.keep(count, *scale, png);
  }
  response.set_header("Cache-Control", "no-store");
  response.set_content(*png, "image/png");
}

void ViewServer::serveEvents(httplib::Response& response) {
  response.set_header("Cache-Control", "no-store");
  const std::uint64_t ticket = changes_.openStream();
  auto seen = std::make_shared<std::optional<std::uint64_t>>();
  response.set_chunked_content_provider(
      "text/event-stream", [this, ticket, seen](std::size_t, httplib::DataSink& sink) {
        // The first message at once, then one per change.
        const std::optional<std::uint64_t> count =
            *seen ? changes_.waitPast(ticket, **seen) : changes_.count();
        if (!count) {
          sink.done();
          return true;
        }
        *seen = count;
        const std::string message = "data: " + std::to_string(*count) + "\n\n";
        return sink.write(message.data(), message.size());
      });
}

void ViewServer::click(const httplib::Request& request, httplib::Response& response) {
  const auto point = readClickPoint(request.body);
  if (!point) {
    refuse(response, badRequest);
    return;
  }
  const std::scoped_lock lock(controlMutex_);
  answer(control_.request(platform::control::ClickAt{point->x, point->y}), response);
}

void ViewServer::key(const httplib::Request& request, httplib::Response& response) {
  const auto shortcut = readShortcut(request.body);
  if (!shortcut) {
    refuse(response, badRequest);
    return;
  }
  const std::scoped_lock lock(controlMutex_);
  answer(control_.request(platform::control::Type{*shortcut}), response);
}

void ViewServer::open(const httplib::Request& request, httplib::Response& response) {
  const auto index = readAppIndex(request.body, settings_.appBundles.size());
  if (!index) {
    refuse(response, badRequest);
    return;
  }
  const auto status =
      launcher_.run(settings_.openTool, {settings_.appBundles[*index].string()}, openLimit);
  response.set_content(nlohmann::json{{"done", status && *status == 0}}.dump(), "application/json");
}

void ViewServer::answer(const platform::Result<nlohmann::json>& result,
                        httplib::Response& response) {
  if (!result && result.error().code == platform::controlStatus::badRequest) {
    refuse(response, badRequest);
    return;
  }
  if (!result && result.error().code != platform::controlStatus::notThere) {
    refuse(response, unavailable);
    return;
  }
  response.set_content(nlohmann::json{{"done", result.has_value()}}.dump(), "application/json");
}

}  // namespace desktop
