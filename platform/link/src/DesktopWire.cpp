#include "platform/DesktopWire.h"

#include <array>
#include <limits>
#include <utility>

#include <nlohmann/json.hpp>

namespace platform::wire {

namespace {

const nlohmann::json* member(const nlohmann::json& object, const char* key) {
  if (!object.is_object()) {
    return nullptr;
  }
  const auto found = object.find(key);
  return found == object.end() ? nullptr : &*found;
}

template <typename T>
void putOptional(nlohmann::json& object, const char* key, const std::optional<T>& value) {
  if (value) {
    object[key] = *value;
  } else {
    object[key] = nullptr;
  }
}

// An optional text member: absent and null give an empty optional; another type is an error.
bool optionalString(const nlohmann::json& object, const char* key,
                    std::optional<std::string>& out) {
  const nlohmann::json* value = member(object, key);
  if (value == nullptr || value->is_null()) {
    out.reset();
    return true;
  }
  if (!value->is_string()) {
    return false;
  }
  out = value->get<std::string>();
  return true;
}

constexpr std::array<std::pair<DesktopEvent::Kind, std::string_view>, 6> eventNames{{
    {DesktopEvent::Kind::hotKeyPressed, "hotKeyPressed"},
    {DesktopEvent::Kind::hide, "hide"},
    {DesktopEvent::Kind::unhide, "unhide"},
    {DesktopEvent::Kind::activate, "activate"},
    {DesktopEvent::Kind::terminate, "terminate"},
    {DesktopEvent::Kind::input, "input"},
}};

}  // namespace

std::optional<std::string> stringAt(const nlohmann::json& object, const char* key) {
  const nlohmann::json* value = member(object, key);
  if (value == nullptr || !value->is_string()) {
    return std::nullopt;
  }
  return value->get<std::string>();
}

std::optional<bool> boolAt(const nlohmann::json& object, const char* key) {
  const nlohmann::json* value = member(object, key);
  if (value == nullptr || !value->is_boolean()) {
    return std::nullopt;
  }
  return value->get<bool>();
}

std::optional<double> numberAt(const nlohmann::json& object, const char* key) {
  const nlohmann::json* value = member(object, key);
  if (value == nullptr || !value->is_number()) {
    return std::nullopt;
  }
  return value->get<double>();
}

std::optional<std::int64_t> integerAt(const nlohmann::json& object, const char* key) {
  const nlohmann::json* value = member(object, key);
  if (value == nullptr || !value->is_number_integer()) {
    return std::nullopt;
  }
  if (value->is_number_unsigned() &&
      value->get<std::uint64_t>() >
          static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
    return std::nullopt;
  }
  return value->get<std::int64_t>();
}

std::optional<std::uint64_t> unsignedAt(const nlohmann::json& object, const char* key) {
  const nlohmann::json* value = member(object, key);
  if (value == nullptr || !value->is_number_unsigned()) {
    return std::nullopt;
  }
  return value->get<std::uint64_t>();
}

std::optional<std::vector<std::string>> stringsAt(const nlohmann::json& object, const char* key) {
  const nlohmann::json* value = member(object, key);
  if (value == nullptr || !value->is_array()) {
    return std::nullopt;
  }
  std::vector<std::string> strings;
  for (const nlohmann::json& element : *value) {
    if (!element.is_string()) {
      return std::nullopt;
    }
    strings.push_back(element.get<std::string>());
  }
  return strings;
}

std::optional<std::uint32_t> uint32At(const nlohmann::json& object, const char* key) {
  const auto value = unsignedAt(object, key);
  if (!value || *value > std::numeric_limits<std::uint32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::uint32_t>(*value);
}

std::optional<pid_t> decodePid(const nlohmann::json& value) {
  if (!value.is_number_integer()) {
    return std::nullopt;
  }
  constexpr auto largest = static_cast<std::uint64_t>(std::numeric_limits<pid_t>::max());
  if (value.is_number_unsigned()) {
    const auto pid = value.get<std::uint64_t>();
    return pid > 0 && pid <= largest ? std::optional(static_cast<pid_t>(pid)) : std::nullopt;
  }
  const auto pid = value.get<std::int64_t>();
  return pid > 0 && static_cast<std::uint64_t>(pid) <= largest
             ? std::optional(static_cast<pid_t>(pid))
             : std::nullopt;
}

std::optional<pid_t> pidAt(const nlohmann::json& object, const char* key) {
  const nlohmann::json* value = member(object, key);
  return value != nullptr ? decodePid(*value) : std::nullopt;
}

std::string_view policyName(ActivationPolicy policy) {
  switch (policy) {
    case ActivationPolicy::regular:
      return "regular";
    case ActivationPolicy::accessory:
      return "accessory";
    case ActivationPolicy::prohibited:
      return "prohibited";
  }
  return "regular";
}

std::optional<ActivationPolicy> decodePolicy(const nlohmann::json& value) {
  if (!value.is_string()) {
    return std::nullopt;
  }
  for (const ActivationPolicy policy :
       {ActivationPolicy::regular, ActivationPolicy::accessory, ActivationPolicy::prohibited}) {
    if (value.get<std::string>() == policyName(policy)) {
      return policy;
    }
  }
  return std::nullopt;
}

nlohmann::json encode(const ApplicationIdentity& identity) {
  nlohmann::json object = {{"pid", identity.pid}};
  putOptional(object, "bundleIdentifier", identity.bundleIdentifier);
  putOptional(object, "bundlePath", identity.bundlePath);
  putOptional(object, "executablePath", identity.executablePath);
  return object;
}

std::optional<ApplicationIdentity> decodeIdentity(const nlohmann::json& value) {
  ApplicationIdentity identity;
  const std::optional<pid_t> pid = pidAt(value, "pid");
  if (!pid || !optionalString(value, "bundleIdentifier", identity.bundleIdentifier) ||
      !optionalString(value, "bundlePath", identity.bundlePath) ||
      !optionalString(value, "executablePath", identity.executablePath)) {
    return std::nullopt;
  }
  identity.pid = *pid;
  return identity;
}

nlohmann::json encode(const RunningApplicationState& application) {
  nlohmann::json object = {{"pid", application.pid},
                           {"activationPolicy", policyName(application.activationPolicy)},
                           {"hidden", application.hidden},
                           {"active", application.active},
                           {"terminated", application.terminated},
                           {"frontmost", application.active}};
  putOptional(object, "bundleIdentifier", application.bundleIdentifier);
  putOptional(object, "bundlePath", application.bundlePath);
  return object;
}

std::optional<RunningApplicationState> decodeApplication(const nlohmann::json& value) {
  RunningApplicationState application;
  const std::optional<pid_t> pid = pidAt(value, "pid");
  const nlohmann::json* policy = member(value, "activationPolicy");
  const std::optional<ActivationPolicy> decodedPolicy =
      policy != nullptr ? decodePolicy(*policy) : std::nullopt;
  const auto hidden = boolAt(value, "hidden");
  const auto active = boolAt(value, "active");
  const auto terminated = boolAt(value, "terminated");
  if (!pid || !decodedPolicy || !hidden || !active || !terminated ||
      !optionalString(value, "bundleIdentifier", application.bundleIdentifier) ||
      !optionalString(value, "bundlePath", application.bundlePath)) {
    return std::nullopt;
  }
  application.pid = *pid;
  application.activationPolicy = *decodedPolicy;
  application.hidden = *hidden;
  application.active = *active;
  application.terminated = *terminated;
  return application;
}

nlohmann::json encode(const ScreenDescription& screen) {
  nlohmann::json object = {{"name", screen.localizedName},  {"x", screen.frame.x},
                           {"y", screen.frame.y},           {"width", screen.frame.width},
                           {"height", screen.frame.height}, {"scale", screen.backingScaleFactor}};
  putOptional(object, "displayNumber", screen.displayNumber);
  return object;
}

std::optional<ScreenDescription> decodeScreen(const nlohmann::json& value) {
  const auto name = stringAt(value, "name");
  const auto x = numberAt(value, "x");
  const auto y = numberAt(value, "y");
  const auto width = numberAt(value, "width");
  const auto height = numberAt(value, "height");
  if (!name || !x || !y || !width || !height) {
    return std::nullopt;
  }
  ScreenDescription screen;
  screen.localizedName = *name;
  screen.frame = Rect{*x, *y, *width, *height};
  if (const nlohmann::json* scale = member(value, "scale"); scale != nullptr) {
    if (!scale->is_number()) {
      return std::nullopt;
    }
    screen.backingScaleFactor = scale->get<double>();
  }
  if (const nlohmann::json* number = member(value, "displayNumber");
      number != nullptr && !number->is_null()) {
    screen.displayNumber = uint32At(value, "displayNumber");
    if (!screen.displayNumber) {
      return std::nullopt;
    }
  }
  return screen;
}

nlohmann::json encode(const NotificationRecord& notification) {
  return {{"identifier", notification.identifier},
          {"title", notification.title},
          {"body", notification.body},
          {"defaultSound", notification.defaultSound}};
}

std::optional<NotificationRecord> decodeNotification(const nlohmann::json& value) {
  const auto identifier = stringAt(value, "identifier");
  const auto title = stringAt(value, "title");
  const auto body = stringAt(value, "body");
  if (!identifier || !title || !body) {
    return std::nullopt;
  }
  return NotificationRecord{*identifier, *title, *body,
                            boolAt(value, "defaultSound").value_or(false)};
}

nlohmann::json encode(const DesktopEvent& event) {
  std::string_view name = "input";
  for (const auto& [kind, text] : eventNames) {
    if (kind == event.kind) {
      name = text;
    }
  }
  nlohmann::json object = {{"event", name}};
  if (event.kind == DesktopEvent::Kind::hotKeyPressed) {
    object["signature"] = event.hotKeySignature;
    object["hotKeyId"] = event.hotKeyId;
  }
  if (event.kind == DesktopEvent::Kind::input) {
    object["input"] = encode(event.input);
  }
  return object;
}

std::optional<DesktopEvent> decodeEvent(const nlohmann::json& value) {
  const std::optional<std::string> name = stringAt(value, "event");
  if (!name) {
    return std::nullopt;
  }
  for (const auto& [kind, text] : eventNames) {
    if (*name != text) {
      continue;
    }
    DesktopEvent event;
    event.kind = kind;
    if (kind == DesktopEvent::Kind::hotKeyPressed) {
      const auto signature = uint32At(value, "signature");
      const auto id = uint32At(value, "hotKeyId");
      if (!signature || !id) {
        return std::nullopt;
      }
      event.hotKeySignature = *signature;
      event.hotKeyId = *id;
    }
    if (kind == DesktopEvent::Kind::input) {
      const nlohmann::json* input = member(value, "input");
      std::optional<UserInput> decoded =
          input != nullptr ? decodeInput(*input) : std::optional<UserInput>();
      if (!decoded) {
        return std::nullopt;
      }
      event.input = std::move(*decoded);
    }
    return event;
  }
  return std::nullopt;
}

nlohmann::json encode(const JournalEntry& entry) {
  switch (entry.kind) {
    case JournalEntry::Kind::programStarted:
      return {{"kind", "programStarted"},
              {"pid", entry.pid},
              {"path", entry.path},
              {"arguments", entry.arguments}};
    case JournalEntry::Kind::urlOpened:
      return {{"kind", "urlOpened"}, {"pid", entry.pid}, {"url", entry.url}};
    case JournalEntry::Kind::notificationDelivered:
      return {{"kind", "notificationDelivered"},
              {"pid", entry.pid},
              {"identifier", entry.notification.identifier},
              {"title", entry.notification.title},
              {"body", entry.notification.body}};
    case JournalEntry::Kind::alertSound:
      return {{"kind", "alertSound"}, {"pid", entry.pid}};
  }
  return nlohmann::json::object();
}

}  // namespace platform::wire
