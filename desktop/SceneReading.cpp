#include "SceneReading.h"

#include <optional>
#include <string>
#include <utility>

#include <nlohmann/json.hpp>

#include "platform/ControlRequest.h"
#include "platform/DesktopWire.h"

namespace desktop {
namespace {

platform::Error malformedReply(const char* what) {
  return {platform::errorDomain::desktop, 1,
          std::string("The desktop daemon's description of the ") + what + " is not readable."};
}

}  // namespace

platform::Result<ScreenScene> readScene(platform::DesktopChannel& channel) {
  const auto screens = channel.request(platform::request::Screens{});
  if (!screens) {
    return std::unexpected(screens.error());
  }
  const auto shown = channel.request(platform::control::Show{});
  if (!shown) {
    return std::unexpected(shown.error());
  }
  const auto applications = channel.request(platform::control::Apps{});
  if (!applications) {
    return std::unexpected(applications.error());
  }
  ScreenScene scene;
  for (const nlohmann::json& element :
       applications->is_array() ? *applications : nlohmann::json()) {
    if (const auto application = platform::wire::decodeApplication(element);
        application && application->active) {
      scene.frontmostApplication = application->bundleIdentifier;
    }
  }
  std::optional<platform::ScreenDescription> main;
  if (screens->is_array() && !screens->empty()) {
    main = platform::wire::decodeScreen(screens->front());
  }
  auto contents = platform::wire::decodeScreenContents(shown->value("screen", nlohmann::json()));
  if (!main || !contents) {
    return std::unexpected(malformedReply(main ? "screen's contents" : "screens"));
  }
  scene.screen = *main;
  scene.contents = std::move(*contents);
  for (const nlohmann::json& element : shown->value("notifications", nlohmann::json::array())) {
    if (auto notification = platform::wire::decodeNotification(element)) {
      scene.notifications.push_back(std::move(*notification));
    }
  }
  const nlohmann::json openMenu = shown->value("openMenu", nlohmann::json());
  if (const auto application = platform::wire::stringAt(openMenu, "application")) {
    scene.openMenu = platform::OpenMenu{*application, platform::wire::stringAt(openMenu, "popUp")};
  }
  return scene;
}

}  // namespace desktop
