#pragma once

#include <filesystem>
#include <string_view>

#include "platform/Error.h"

namespace suite {

// The user's home folder as every program of the suite checks it before it writes or removes
// anything under it: resolved, symbolic links included, it must be an existing folder other than
// "/", named by an absolute path. Returns the resolved folder, or an error in `errorDomain` whose
// sentence says why the home folder was refused and ends with `consequence`, for example
// "Your home folder is the root of the disk, so nothing was removed." for ", so nothing was
// removed".
platform::Result<std::filesystem::path> trustedHomeFolder(const std::filesystem::path& home,
                                                          std::string_view errorDomain,
                                                          std::string_view consequence);

}  // namespace suite
