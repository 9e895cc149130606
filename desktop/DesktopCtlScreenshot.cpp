#include "DesktopCtl.h"

#include <string>
#include <utility>

#include <nlohmann/json.hpp>

#include "picture/ScreenPicture.h"
#include "platform/DesktopWire.h"

// desktopctl's screenshot: the daemon's screen read with three requests and drawn as a picture
// (desktop_picture: cairo and Pango).

namespace desktop {
namespace {

platform::Error malformedReply(const char* what) {
  return {platform::errorDomain::desktop, 1,
          std::string("The desktop daemon's description of the ") + what + " is not readable."};
}

// What the daemon's screen shows, read with three requests: the screens, the screen's contents
// and the running applications (for the active one).
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
  return scene;
}

}  // namespace

int DesktopCtl::screenshot(const CtlCommand& command) {
  auto channel = connect();
  if (!channel) {
    return failed(channel.error());
  }
  const auto scene = readScene(*channel);
  if (!scene) {
    return failed(scene.error());
  }
  const auto picture = ScreenPicture::draw(*scene, command.picture);
  if (!picture) {
    return failed(picture.error());
  }
  // A picture is not worth a flush to disk: it can always be drawn again.
  if (auto written = files_->writeAtomically(command.pictureFile, picture->png(),
                                             platform::FileManager::Durability::notFlushed);
      !written) {
    return failed(written.error());
  }
  return 0;
}

}  // namespace desktop
