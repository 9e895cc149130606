#include "platform/Sound.h"

namespace platform {

void playAlertSound(Application& application) {
  application.desktop().playAlertSound();
}

}  // namespace platform
