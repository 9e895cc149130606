#pragma once

#include <string>
#include <vector>

#include "platform/DesktopRecords.h"

namespace platform {

// The attached screens, in the desktop's order (the first is the main screen), and the user's
// preferred languages. Main thread only.
class ScreensAndLanguages {
 public:
  virtual ~ScreensAndLanguages() = default;

  virtual std::vector<ScreenDescription> screens() = 0;
  virtual std::vector<std::string> preferredLanguages() = 0;
};

}  // namespace platform
