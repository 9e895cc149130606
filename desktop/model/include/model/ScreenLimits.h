#pragma once

#include <optional>
#include <vector>

#include "platform/DesktopRecords.h"
#include "platform/Error.h"

namespace platform {

// Why a desktop cannot have these screens, as a sentence for the user; nothing when it can. A
// screen's position must be finite, its size and scale positive and finite, and neither a screen
// nor the area all of them span may need more than maximumScreenPixels on a side.
std::optional<Error> screensProblem(const std::vector<ScreenDescription>& screens);

}  // namespace platform
