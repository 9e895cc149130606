#pragma once

#include <chrono>
#include <functional>

namespace testsupport {

// Polls until the condition holds (every 20 ms); false when it still does not after the deadline,
// which is generous because it only bounds a wait that normally ends at once.
bool eventually(const std::function<bool()>& condition,
                std::chrono::milliseconds deadline = std::chrono::seconds(30));

}  // namespace testsupport
