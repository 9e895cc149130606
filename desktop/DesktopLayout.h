#pragma once

#include <filesystem>

#include "platform/Error.h"
#include "platform/FileManager.h"

namespace desktop {

// Lays out an emulated desktop's folder as `desktopctl start` leaves it for the daemon:
// root/bin/launchctl and root/usr/bin/open are symbolic links to the launchctl and open stand-ins
// in toolFolder, and root/Applications is the system applications folder. Missing folders are
// created; links already there are pointed anew. Anything else in a link's place is left alone and
// reported as an error.
platform::Result<void> layOutDesktopFolder(const std::filesystem::path& desktopFolder,
                                           const std::filesystem::path& toolFolder,
                                           const platform::FileManager& files);

}  // namespace desktop
