#pragma once

#include <cstdint>
#include <string>

namespace desktop {

// An opaque picture (rows top to bottom, pixels 0x00RRGGBB) as the bytes of a PNG file: 8-bit
// RGB, compressed for speed rather than size.
std::string encodePng(const std::uint32_t* pixels, int width, int height);

}  // namespace desktop
