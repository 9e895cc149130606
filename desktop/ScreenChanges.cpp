#include "ScreenChanges.h"

namespace desktop {

std::uint64_t ScreenChanges::count() const {
  const std::scoped_lock lock(mutex_);
  return count_;
}

void ScreenChanges::changed() {
  {
    const std::scoped_lock lock(mutex_);
    ++count_;
  }
  wake_.notify_all();
}

void ScreenChanges::close() {
  {
    const std::scoped_lock lock(mutex_);
    closed_ = true;
  }
  wake_.notify_all();
}

std::uint64_t ScreenChanges::openStream() {
  std::uint64_t ticket = 0;
  {
    const std::scoped_lock lock(mutex_);
    ticket = nextTicket_++;
  }
  wake_.notify_all();  // the stream this one retires, if any
  return ticket;
}

std::optional<std::uint64_t> ScreenChanges::waitPast(std::uint64_t ticket, std::uint64_t seen) {
  std::unique_lock lock(mutex_);
  const auto retired = [&] { return closed_ || nextTicket_ - ticket > streamLimit_; };
  wake_.wait(lock, [&] { return retired() || count_ != seen; });
  if (retired()) {
    return std::nullopt;
  }
  return count_;
}

}  // namespace desktop
