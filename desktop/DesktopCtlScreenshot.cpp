#include "DesktopCtl.h"

#include <string>
#include <utility>

#include "SceneReading.h"
#include "picture/ScreenPicture.h"

// desktopctl's screenshot: the daemon's screen read and drawn as a picture (desktop_picture: cairo
// and Pango).

namespace desktop {

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
