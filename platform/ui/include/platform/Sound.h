#pragma once

#include "platform/Application.h"

namespace platform {

// Plays the system alert sound (the beep for a refused key).
void playAlertSound(Application& application);

}  // namespace platform
