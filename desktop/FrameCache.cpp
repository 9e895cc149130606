#include "FrameCache.h"

#include <utility>

namespace desktop {

std::shared_ptr<const std::string> FrameCache::find(std::uint64_t count, double scale) const {
  const std::scoped_lock lock(mutex_);
  return png_ && count_ == count && scale_ == scale ? png_ : nullptr;
}

void FrameCache::keep(std::uint64_t count, double scale, std::shared_ptr<const std::string> png) {
  const std::scoped_lock lock(mutex_);
  if (png_ && count < count_) {
    return;
  }
  count_ = count;
  scale_ = scale;
  png_ = std::move(png);
}

}  // namespace desktop
