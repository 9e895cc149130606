#include "platform/Locale.h"

namespace platform {

std::vector<std::string> Locale::preferredLanguages(ScreensAndLanguages& desktop) {
  return desktop.preferredLanguages();
}

}  // namespace platform
