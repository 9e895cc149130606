#include "platform/Sound.h"

namespace platform {

void playAlertSound(Application& application) {
  application.windowServer().playAlertSound();
}

}  // namespace platform
