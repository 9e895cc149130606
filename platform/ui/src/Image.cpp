#include "platform/Image.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "PictureDecoding.h"
#include "platform/Error.h"
#include "platform/FileManager.h"

namespace platform {
namespace {

constexpr std::string_view pngSignature = "\x89PNG\r\n\x1a\n";
constexpr Size symbolSize{16, 16};

constexpr std::array<std::string_view, 5> knownSymbols = {
    "bolt.circle.fill", "sparkles.rectangle.stack", "keyboard.badge.ellipsis", "trash",
    "externaldrive.badge.minus"};

// A picture is read whole, up to this size; a larger one (or anything but a regular file) is none.
constexpr std::size_t pictureFileLimit = std::size_t{16} << 20U;

std::optional<std::vector<std::uint8_t>> readBytes(const std::filesystem::path& path) {
  const Result<std::string> contents = readRegularFile(path, pictureFileLimit);
  if (!contents) {
    return std::nullopt;
  }
  return std::vector<std::uint8_t>(contents->begin(), contents->end());
}

bool startsWith(const std::vector<std::uint8_t>& bytes, std::string_view prefix) {
  if (bytes.size() < prefix.size()) {
    return false;
  }
  for (std::size_t index = 0; index < prefix.size(); ++index) {
    if (bytes[index] != static_cast<std::uint8_t>(prefix[index])) {
      return false;
    }
  }
  return true;
}

// The pixel size of a JPEG stream, from its frame header: the segments are walked from the start
// of image to the first start-of-frame marker, each checked for a length that fits the data.
std::optional<Size> jpegSize(const std::vector<std::uint8_t>& bytes) {
  const auto word = [&bytes](std::size_t at) {
    return static_cast<std::uint16_t>((bytes[at] << 8U) | bytes[at + 1]);
  };
  std::size_t position = 2;  // after the start-of-image marker
  while (position + 1 < bytes.size()) {
    if (bytes[position] != 0xFF) {
      return std::nullopt;
    }
    ++position;
    while (position < bytes.size() && bytes[position] == 0xFF) {
      ++position;  // fill bytes
    }
    if (position >= bytes.size()) {
      return std::nullopt;
    }
    const std::uint8_t marker = bytes[position++];
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
      continue;  // markers without a segment
    }
    if (marker == 0xD8 || marker == 0xD9 || marker == 0xDA || position + 2 > bytes.size()) {
      return std::nullopt;  // image data or its end before any frame header
    }
    const std::size_t length = word(position);
    if (length < 2 || position + length > bytes.size()) {
      return std::nullopt;
    }
    const bool startOfFrame =
        marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (startOfFrame) {
      if (length < 8) {
        return std::nullopt;
      }
      const std::uint16_t height = word(position + 3);
      const std::uint16_t width = word(position + 5);
      const std::uint8_t components = bytes[position + 7];
      if (width == 0 || height == 0 || components == 0) {
        return std::nullopt;
      }
      return Size{static_cast<double>(width), static_cast<double>(height)};
    }
    position += length;
  }
  return std::nullopt;
}

}  // namespace

Image::Image(Passkey /*key*/, Size size, std::optional<std::filesystem::path> file,
             std::optional<std::string> symbol, std::optional<std::string> accessibilityDescription)
    : size_(size),
      file_(std::move(file)),
      symbol_(std::move(symbol)),
      accessibilityDescription_(std::move(accessibilityDescription)) {}

std::shared_ptr<Image> Image::named(const std::string& name, const Bundle& bundle) {
  const auto path = bundle.pathForResource(name, "png");
  return path ? contentsOfFile(*path) : nullptr;
}

std::shared_ptr<Image> Image::bundled(const std::string& name, const Bundle& bundle) {
  for (const char* extension : {"png", "jpg", "jpeg"}) {
    if (const auto path = bundle.pathForResource(name, extension)) {
      return contentsOfFile(*path);
    }
  }
  return nullptr;
}

std::shared_ptr<Image> Image::contentsOfFile(const std::filesystem::path& path) {
  const auto bytes = readBytes(path);
  if (!bytes) {
    return nullptr;
  }
  std::optional<Size> size;
  if (startsWith(*bytes, pngSignature)) {
    size = decodedPngSize(*bytes);
  } else if (startsWith(*bytes, "\xFF\xD8")) {
    size = jpegSize(*bytes);
  }
  if (!size) {
    return nullptr;
  }
  return std::make_shared<Image>(Passkey{}, *size, path, std::nullopt, std::nullopt);
}

std::shared_ptr<Image> Image::systemSymbol(const std::string& name,
                                           std::optional<std::string> accessibilityDescription) {
  if (std::ranges::find(knownSymbols, name) == knownSymbols.end()) {
    return nullptr;
  }
  return std::make_shared<Image>(Passkey{}, symbolSize, std::nullopt, name,
                                 std::move(accessibilityDescription));
}

ImageRecord Image::describe() const {
  ImageRecord record;
  if (symbol_) {
    record.symbol = symbol_;
    record.accessibilityDescription = accessibilityDescription_;
  } else {
    record.file = file_ ? file_->string() : std::string();
    record.size = size_;
  }
  record.isTemplate = template_;
  return record;
}

}  // namespace platform
