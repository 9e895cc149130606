#pragma once

#include <memory>
#include <string>
#include <vector>

#include "model/EmulatedDesktop.h"

namespace testsupport {

// Answers the next modal alerts on the desktop in turn, each with a button's title or "Escape",
// and records each as "<style> <title>: <informative text>" in the returned list.
std::shared_ptr<std::vector<std::string>> answerDialogs(platform::EmulatedDesktop& desktop,
                                                        const std::vector<std::string>& answers);

}  // namespace testsupport
