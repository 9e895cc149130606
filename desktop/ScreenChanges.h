#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>

namespace desktop {

// How often the screen changed, as the daemon reports it, and the event streams that wait for the
// next change. A waiting stream sleeps on a condition variable: nothing runs while nothing
// changes. A browser that went away leaves its stream waiting until the next change shows the
// connection closed, so at most `streamLimit` streams wait at once and a new one retires the
// oldest.
class ScreenChanges {
 public:
  explicit ScreenChanges(std::size_t streamLimit) : streamLimit_(streamLimit) {}

  [[nodiscard]] std::uint64_t count() const;
  void changed();
  // Ends every stream's wait for good.
  void close();

  // A ticket for a new stream.
  std::uint64_t openStream();
  // Blocks until the count differs from `seen` and returns it; nothing once the stream was retired
  // or everything closed.
  std::optional<std::uint64_t> waitPast(std::uint64_t ticket, std::uint64_t seen);

 private:
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::uint64_t count_ = 0;
  std::uint64_t nextTicket_ = 0;
  std::size_t streamLimit_;
  bool closed_ = false;
};

}  // namespace desktop
