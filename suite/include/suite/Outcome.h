#pragma once

#include <string>

namespace suite {

// How the installation or the removal ended, worded for its result dialog.
struct Outcome {
  bool success = false;
  std::string title;
  std::string message;
  friend bool operator==(const Outcome&, const Outcome&) = default;
};

}  // namespace suite
