#pragma once

#include <functional>

#include "platform/EventLoop.h"

namespace platform {

// Animation groups. The desktop shows end states only, so the changes take their final values at
// once; the duration is honoured only for the completion.
class AnimationContext {
 public:
  AnimationContext() = delete;

  // Runs changes now and, when completion is set, queues it on loop to run duration seconds later.
  static void runAnimationGroup(EventLoop& loop, double duration,
                                const std::function<void()>& changes,
                                std::function<void()> completion);
};

}  // namespace platform
