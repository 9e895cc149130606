#include "platform/ImageView.h"

#include <utility>

namespace platform {
namespace {

const char* scalingName(ImageScaling scaling) {
  switch (scaling) {
    case ImageScaling::proportionallyDown:
      return "proportionallyDown";
    case ImageScaling::axesIndependently:
      return "axesIndependently";
    case ImageScaling::none:
      return "none";
    case ImageScaling::proportionallyUpOrDown:
      return "proportionallyUpOrDown";
  }
  return "proportionallyDown";
}

}  // namespace

ImageView::ImageView(Rect frame) : View(frame) {}

void ImageView::setImage(std::shared_ptr<Image> image) {
  image_ = std::move(image);
  changed();
}

void ImageView::setImageScaling(ImageScaling scaling) {
  imageScaling_ = scaling;
  changed();
}

std::optional<Size> ImageView::intrinsicContentSize() const {
  if (!image_) {
    return std::nullopt;
  }
  return image_->size();
}

void ImageView::describeProperties(ViewRecord& description) const {
  ImageViewRecord record;
  if (image_) {
    record.image = image_->describe();
  }
  record.imageScaling = scalingName(imageScaling_);
  description.imageView = std::move(record);
}

}  // namespace platform
