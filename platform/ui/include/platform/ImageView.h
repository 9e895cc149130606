#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/Image.h"
#include "platform/View.h"

namespace platform {

// How an image view fits its image into its bounds.
enum class ImageScaling { proportionallyDown, axesIndependently, none, proportionallyUpOrDown };

// Shows one image, centred in its bounds and scaled by its imageScaling.
class ImageView : public View {
 public:
  explicit ImageView(Rect frame = {});

  const std::shared_ptr<Image>& image() const { return image_; }
  void setImage(std::shared_ptr<Image> image);
  // proportionallyDown unless changed.
  ImageScaling imageScaling() const { return imageScaling_; }
  void setImageScaling(ImageScaling scaling);

  // The image's size; none without an image.
  std::optional<Size> intrinsicContentSize() const override;

  std::string kind() const override { return "imageView"; }

 protected:
  // "image": the image's description or null, "imageScaling".
  void describeProperties(ViewRecord& description) const override;

 private:
  std::shared_ptr<Image> image_;
  ImageScaling imageScaling_ = ImageScaling::proportionallyDown;
};

}  // namespace platform
