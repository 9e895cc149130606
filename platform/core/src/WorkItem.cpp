#include "platform/WorkItem.h"

#include <utility>

namespace platform {

WorkItem::WorkItem(std::function<void()> block) : block_(std::move(block)) {}

void WorkItem::perform() const {
  if (!isCancelled()) {
    block_();
  }
}

void WorkItem::cancel() {
  cancelled_.store(true);
}

bool WorkItem::isCancelled() const {
  return cancelled_.load();
}

}  // namespace platform
