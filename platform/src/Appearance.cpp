#include "platform/Appearance.h"

#include <nlohmann/json.hpp>

namespace platform {
namespace {

const char* weightName(FontWeight weight) {
  switch (weight) {
    case FontWeight::regular:
      return "regular";
    case FontWeight::medium:
      return "medium";
    case FontWeight::semibold:
      return "semibold";
    case FontWeight::bold:
      return "bold";
  }
  return "regular";
}

}  // namespace

void to_json(nlohmann::json& description, const Color& color) {
  description = {{"role", color.role}, {"alpha", color.alpha}};
}

void to_json(nlohmann::json& description, const Font& font) {
  description = {{"size", font.pointSize}, {"weight", weightName(font.weight)}};
}

}  // namespace platform
