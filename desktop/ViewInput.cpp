#include "ViewInput.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

#include <nlohmann/json.hpp>

#include "model/KeyNames.h"
#include "platform/JsonText.h"

namespace desktop {
namespace {

constexpr double lowestScale = 1;
constexpr double highestScale = 3;

// The body as a JSON object with exactly one member of that name.
std::optional<nlohmann::json> onlyMember(std::string_view body, const char* name) {
  const nlohmann::json object = platform::parseJson(body);
  if (!object.is_object() || object.size() != 1 || !object.contains(name)) {
    return std::nullopt;
  }
  return object.at(name);
}

std::optional<double> finiteNumber(const nlohmann::json& object, const char* name) {
  const auto found = object.find(name);
  if (found == object.end() || !found->is_number()) {
    return std::nullopt;
  }
  const auto number = found->get<double>();
  return std::isfinite(number) ? std::optional(number) : std::nullopt;
}

}  // namespace

std::optional<platform::Point> readClickPoint(std::string_view body) {
  const nlohmann::json object = platform::parseJson(body);
  if (!object.is_object() || object.size() != 2) {
    return std::nullopt;
  }
  const auto x = finiteNumber(object, "x");
  const auto y = finiteNumber(object, "y");
  if (!x || !y) {
    return std::nullopt;
  }
  return platform::Point{*x, *y};
}

std::optional<std::string> readShortcut(std::string_view body) {
  const auto shortcut = onlyMember(body, "shortcut");
  if (!shortcut || !shortcut->is_string() ||
      !platform::parseKeyChord(shortcut->get<std::string>())) {
    return std::nullopt;
  }
  return shortcut->get<std::string>();
}

std::optional<std::size_t> readAppIndex(std::string_view body, std::size_t count) {
  const auto index = onlyMember(body, "app");
  if (!index || !index->is_number_unsigned() || index->get<std::size_t>() >= count) {
    return std::nullopt;
  }
  return index->get<std::size_t>();
}

std::optional<double> readScale(std::string_view text) {
  double scale = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), scale);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size() ||
      !std::isfinite(scale)) {
    return std::nullopt;
  }
  return std::clamp(scale, lowestScale, highestScale);
}

}  // namespace desktop
