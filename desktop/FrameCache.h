#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace desktop {

// The latest frame drawn for the view, by the count of screen changes it shows and the backing
// scale it was drawn at, so that a second fetch of the same frame is not drawn again.
class FrameCache {
 public:
  // The PNG drawn for that count at that scale, or null.
  [[nodiscard]] std::shared_ptr<const std::string> find(std::uint64_t count, double scale) const;
  // Kept unless a frame of a later count is kept already.
  void keep(std::uint64_t count, double scale, std::shared_ptr<const std::string> png);

 private:
  mutable std::mutex mutex_;
  std::uint64_t count_ = 0;
  double scale_ = 0;
  std::shared_ptr<const std::string> png_;
};

}  // namespace desktop
