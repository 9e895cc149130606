#pragma once

#include <string>

#include "platform/Error.h"
#include "platform/FileManager.h"
#include "suite/HomeLayout.h"

namespace installer {

// Writes the launcher's settings file with the display language the user chose (English for one
// the installer does not offer). A complete file's shortcut and start at login are kept and its
// other keys dropped; without one, the default shortcut and whether the agent file is there.
platform::Result<void> saveLauncherLanguage(const platform::FileManager& files,
                                            const suite::HomeLayout& layout,
                                            const std::string& language);

}  // namespace installer
