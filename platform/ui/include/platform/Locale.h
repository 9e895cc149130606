#pragma once

#include <string>
#include <vector>

#include "platform/ScreensAndLanguages.h"

namespace platform {

struct Locale {
  // The user's preferred languages as language tags (such as "de-DE" or "pt_BR"), most preferred
  // first; empty when the user has none.
  static std::vector<std::string> preferredLanguages(ScreensAndLanguages& desktop);
};

}  // namespace platform
