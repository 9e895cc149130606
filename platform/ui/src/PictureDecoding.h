#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "platform/Geometry.h"

namespace platform {

// The pixel size of PNG data, decoded whole so that damaged data is refused. The desktop backend
// decodes it (with cairo for the emulated desktop; a build without pictures checks the data's
// structure whole instead, PictureDecodingPngChunks.cpp).
std::optional<Size> decodedPngSize(std::span<const std::uint8_t> bytes);

}  // namespace platform
