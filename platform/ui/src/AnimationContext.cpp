#include "platform/AnimationContext.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <utility>

#include "platform/WorkItem.h"

namespace platform {

void AnimationContext::runAnimationGroup(EventLoop& loop, double duration,
                                         const std::function<void()>& changes,
                                         std::function<void()> completion) {
  if (changes) {
    changes();
  }
  if (!completion) {
    return;
  }
  const auto delay = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
      std::chrono::duration<double>(std::max(duration, 0.0)));
  loop.asyncAfter(delay, std::make_shared<WorkItem>(std::move(completion)));
}

}  // namespace platform
