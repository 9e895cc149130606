#include "platform/Locale.h"

namespace platform {

std::vector<std::string> Locale::preferredLanguages(DesktopConnection& desktop) {
  return desktop.preferredLanguages();
}

}  // namespace platform
