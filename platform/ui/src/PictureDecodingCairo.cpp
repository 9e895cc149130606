#include <cairo.h>

#include <algorithm>
#include <memory>

#include "PictureDecoding.h"

namespace platform {

std::optional<Size> decodedPngSize(std::span<const std::uint8_t> bytes) {
  std::span<const std::uint8_t> rest = bytes;
  const auto read = [](void* closure, unsigned char* data, unsigned int length) {
    auto& unread = *static_cast<std::span<const std::uint8_t>*>(closure);
    if (unread.size() < length) {
      return CAIRO_STATUS_READ_ERROR;
    }
    std::ranges::copy(unread.first(length), data);
    unread = unread.subspan(length);
    return CAIRO_STATUS_SUCCESS;
  };
  const std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
      cairo_image_surface_create_from_png_stream(read, &rest), &cairo_surface_destroy);
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
    return std::nullopt;
  }
  const int width = cairo_image_surface_get_width(surface.get());
  const int height = cairo_image_surface_get_height(surface.get());
  if (width <= 0 || height <= 0) {
    return std::nullopt;
  }
  return Size{static_cast<double>(width), static_cast<double>(height)};
}

}  // namespace platform
