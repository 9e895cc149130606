#include <algorithm>
#include <array>
#include <cstddef>
#include <string>

#include "PictureDecoding.h"

// PNG without a decoder: the file's structure is checked whole, chunk by chunk (the signature, each
// chunk's length and CRC-32, an image header of a valid kind first, image data, the end chunk
// last), and the size is the header's. What this accepts, a decoder reads unless the compressed
// image data itself is damaged in a way its CRC-32 does not show.

namespace platform {
namespace {

constexpr std::array<std::uint8_t, 8> signature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr std::uint32_t largestValue = 0x7fffffff;  // PNG's limit for lengths and sizes

constexpr std::array<std::uint32_t, 256> crcTable = [] {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < table.size(); ++n) {
    std::uint32_t c = n;
    for (int bit = 0; bit < 8; ++bit) {
      c = (c & 1U) != 0 ? 0xedb88320U ^ (c >> 1U) : c >> 1U;
    }
    table.at(n) = c;
  }
  return table;
}();

std::uint32_t crc32(std::span<const std::uint8_t> bytes) {
  std::uint32_t c = 0xffffffffU;
  for (const std::uint8_t byte : bytes) {
    c = crcTable.at((c ^ byte) & 0xffU) ^ (c >> 8U);
  }
  return c ^ 0xffffffffU;
}

std::uint32_t bigEndian32(std::span<const std::uint8_t> bytes) {
  return (std::uint32_t{bytes[0]} << 24U) | (std::uint32_t{bytes[1]} << 16U) |
         (std::uint32_t{bytes[2]} << 8U) | std::uint32_t{bytes[3]};
}

// The bit depths PNG allows for each colour type.
bool validKind(std::uint8_t bitDepth, std::uint8_t colourType) {
  const auto depthIsOneOf = [bitDepth](std::initializer_list<std::uint8_t> depths) {
    return std::ranges::find(depths, bitDepth) != depths.end();
  };
  switch (colourType) {
    case 0:
      return depthIsOneOf({1, 2, 4, 8, 16});
    case 3:
      return depthIsOneOf({1, 2, 4, 8});
    case 2:
    case 4:
    case 6:
      return depthIsOneOf({8, 16});
    default:
      return false;
  }
}

}  // namespace

std::optional<Size> decodedPngSize(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < signature.size() ||
      !std::ranges::equal(bytes.first(signature.size()), signature)) {
    return std::nullopt;
  }
  std::span<const std::uint8_t> rest = bytes.subspan(signature.size());
  std::optional<Size> size;
  bool sawImageData = false;
  while (rest.size() >= 12) {
    const std::uint32_t length = bigEndian32(rest);
    if (length > largestValue || rest.size() - 12 < length) {
      return std::nullopt;
    }
    const auto typeAndData = rest.subspan(4, 4 + std::size_t{length});
    if (crc32(typeAndData) != bigEndian32(rest.subspan(8 + std::size_t{length}))) {
      return std::nullopt;
    }
    const std::string type(typeAndData.begin(), typeAndData.begin() + 4);
    const auto data = typeAndData.subspan(4);
    rest = rest.subspan(12 + std::size_t{length});
    if (!size) {
      if (type != "IHDR" || length != 13) {
        return std::nullopt;
      }
      const std::uint32_t width = bigEndian32(data);
      const std::uint32_t height = bigEndian32(data.subspan(4));
      if (width == 0 || height == 0 || width > largestValue || height > largestValue ||
          !validKind(data[8], data[9]) || data[10] != 0 || data[11] != 0 || data[12] > 1) {
        return std::nullopt;
      }
      size = Size{static_cast<double>(width), static_cast<double>(height)};
    } else if (type == "IDAT") {
      sawImageData = true;
    } else if (type == "IEND") {
      return sawImageData && rest.empty() ? size : std::nullopt;
    } else if (type == "IHDR") {
      return std::nullopt;
    }
  }
  return std::nullopt;
}

}  // namespace platform
