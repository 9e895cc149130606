#include "platform/JsonText.h"

#include <nlohmann/json.hpp>

namespace platform {

namespace {

// Whether the text opens more than maximumJsonDepth arrays and objects at once, counting only
// brackets outside strings. Linear, and it allocates nothing.
bool nestsTooDeep(std::string_view text) {
  std::size_t depth = 0;
  bool inString = false;
  bool escaped = false;
  for (const char c : text) {
    if (inString) {
      if (escaped) {
        escaped = false;
      } else if (c == '\\') {
        escaped = true;
      } else if (c == '"') {
        inString = false;
      }
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > maximumJsonDepth) {
        return true;
      }
    } else if ((c == ']' || c == '}') && depth > 0) {
      --depth;
    }
  }
  return false;
}

}  // namespace

nlohmann::json parseJson(std::string_view text) {
  if (nestsTooDeep(text)) {
    return nlohmann::json(nlohmann::json::value_t::discarded);
  }
  return nlohmann::json::parse(text, /*cb=*/nullptr, /*allow_exceptions=*/false);
}

}  // namespace platform
