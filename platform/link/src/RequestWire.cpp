// The requests of the desktop's tables (programs' and tools') on the daemon's line: one generic
// coder reads each request's fields from its table, so a new request needs no code here unless it
// brings a new type of field or answer.

#include <limits>
#include <tuple>
#include <utility>
#include <variant>

#include <nlohmann/json.hpp>

#include "platform/DesktopWire.h"

namespace platform::wire {
namespace {

using Json = nlohmann::json;

// ---- the values of fields and answers

Json toJson(const Done& /*done*/) {
  return nullptr;
}
Json toJson(bool value) {
  return value;
}
Json toJson(std::uint32_t value) {
  return value;
}
Json toJson(std::uint64_t value) {
  return value;
}
Json toJson(pid_t pid) {
  return pid;
}
Json toJson(const std::string& text) {
  return text;
}
Json toJson(ActivationPolicy policy) {
  return policyName(policy);
}
Json toJson(const ApplicationIdentity& identity) {
  return encode(identity);
}
Json toJson(const NotificationRecord& notification) {
  return encode(notification);
}
Json toJson(const InterfaceRecord& interface) {
  return encode(interface);
}
Json toJson(const RunningApplicationState& application) {
  return encode(application);
}
Json toJson(const ScreenDescription& screen) {
  return encode(screen);
}
Json toJson(const HotKeyResult& result) {
  return {{"status", result.status}, {"registration", result.registration}};
}
Json toJson(const std::optional<pid_t>& pid) {
  return pid ? Json(*pid) : Json(nullptr);
}
Json toJson(double value) {
  return value;
}
Json toJson(const Rect& rect) {
  return {{"x", rect.x}, {"y", rect.y}, {"width", rect.width}, {"height", rect.height}};
}
Json toJson(const ProgramLaunch& launch) {
  return {{"pid", launch.pid}, {"alreadyRunning", launch.alreadyRunning}};
}
Json toJson(const AgentStart& start) {
  return {{"pid", start.pid}};
}
Json toJson(const AgentDescription& agent) {
  return {{"label", agent.label},
          {"path", agent.path},
          {"programArguments", agent.programArguments},
          {"runAtLoad", agent.runAtLoad},
          {"pid", toJson(agent.pid)}};
}
Json toJson(const ShownScreen& shown) {
  Json notifications = Json::array();
  for (const NotificationRecord& notification : shown.notifications) {
    notifications.push_back(toJson(notification));
  }
  Json openMenu = nullptr;
  if (shown.openMenu) {
    openMenu = {{"application", shown.openMenu->application},
                {"popUp", shown.openMenu->popUp ? Json(*shown.openMenu->popUp) : Json(nullptr)}};
  }
  return {{"screen", encode(shown.screen)},
          {"notifications", std::move(notifications)},
          {"openMenu", std::move(openMenu)},
          {"text", shown.text}};
}
// The entries, after one that counts the older entries dropped, if any were.
Json toJson(const JournalReport& journal) {
  Json entries = Json::array();
  if (journal.dropped > 0) {
    entries.push_back({{"kind", "dropped"}, {"count", journal.dropped}});
  }
  for (const JournalEntry& entry : journal.entries) {
    entries.push_back(encode(entry));
  }
  return entries;
}
template <typename T>
Json toJson(const std::vector<T>& values) {
  Json list = Json::array();
  for (const T& value : values) {
    list.push_back(toJson(value));
  }
  return list;
}

bool fromJson(const Json& /*value*/, Done& /*out*/) {
  return true;
}
bool fromJson(const Json& value, bool& out) {
  if (!value.is_boolean()) {
    return false;
  }
  out = value.get<bool>();
  return true;
}
// A whole number of at least zero, however the JSON value holds it.
std::optional<std::uint64_t> nonNegative(const Json& value) {
  if (value.is_number_unsigned()) {
    return value.get<std::uint64_t>();
  }
  if (value.is_number_integer() && value.get<std::int64_t>() >= 0) {
    return static_cast<std::uint64_t>(value.get<std::int64_t>());
  }
  return std::nullopt;
}
bool fromJson(const Json& value, std::uint32_t& out) {
  const auto number = nonNegative(value);
  if (!number || *number > std::numeric_limits<std::uint32_t>::max()) {
    return false;
  }
  out = static_cast<std::uint32_t>(*number);
  return true;
}
bool fromJson(const Json& value, std::uint64_t& out) {
  const auto number = nonNegative(value);
  out = number.value_or(0);
  return number.has_value();
}
// The table's only signed integers are process identifiers.
bool fromJson(const Json& value, pid_t& out) {
  const auto pid = decodePid(value);
  out = pid.value_or(0);
  return pid.has_value();
}
bool fromJson(const Json& value, double& out) {
  if (!value.is_number()) {
    return false;
  }
  out = value.get<double>();
  return true;
}
bool fromJson(const Json& value, std::string& out) {
  if (!value.is_string()) {
    return false;
  }
  out = value.get<std::string>();
  return true;
}
template <typename T>
bool assign(std::optional<T> decoded, T& out) {
  if (!decoded) {
    return false;
  }
  out = std::move(*decoded);
  return true;
}
bool fromJson(const Json& value, ActivationPolicy& out) {
  return assign(decodePolicy(value), out);
}
bool fromJson(const Json& value, ApplicationIdentity& out) {
  return assign(decodeIdentity(value), out);
}
bool fromJson(const Json& value, NotificationRecord& out) {
  return assign(decodeNotification(value), out);
}
bool fromJson(const Json& value, InterfaceRecord& out) {
  return assign(decodeInterface(value), out);
}
bool fromJson(const Json& value, RunningApplicationState& out) {
  return assign(decodeApplication(value), out);
}
bool fromJson(const Json& value, ScreenDescription& out) {
  return assign(decodeScreen(value), out);
}
bool fromJson(const Json& value, HotKeyResult& out) {
  const auto status = integerAt(value, "status");
  if (!status || *status < std::numeric_limits<std::int32_t>::min() ||
      *status > std::numeric_limits<std::int32_t>::max()) {
    return false;
  }
  out.status = static_cast<std::int32_t>(*status);
  if (out.status == noErr) {
    const auto registration = unsignedAt(value, "registration");
    out.registration = registration.value_or(0);
    return registration.has_value();
  }
  return true;
}
bool fromJson(const Json& value, std::optional<pid_t>& out) {
  out = decodePid(value);
  return true;
}
// A list keeps the elements it can read.
template <typename T>
bool fromJson(const Json& value, std::vector<T>& out) {
  if (!value.is_array()) {
    return false;
  }
  for (const Json& element : value) {
    T decoded{};
    if (fromJson(element, decoded)) {
      out.push_back(std::move(decoded));
    }
  }
  return true;
}

// ---- requests

template <typename T>
constexpr bool isOptional = false;
template <typename T>
constexpr bool isOptional<std::optional<T>> = true;
template <typename T>
constexpr bool isList = false;
template <typename T>
constexpr bool isList<std::vector<T>> = true;

template <typename Value>
void writeField(Json& fields, std::string_view name, const Value& value) {
  if constexpr (isOptional<Value>) {
    if (value) {
      fields[std::string(name)] = toJson(*value);
    }
  } else {
    fields[std::string(name)] = toJson(value);
  }
}

// A field of a request reads whole or not at all: a list with an element that is not of its type
// is malformed, and an optional field may be missing or null but not of another type.
template <typename Value>
bool readField(const Json& fields, std::string_view name, Value& out) {
  const auto found = fields.find(std::string(name));
  if constexpr (isOptional<Value>) {
    if (found == fields.end() || found->is_null()) {
      out.reset();
      return true;
    }
    typename Value::value_type value{};
    if (!fromJson(*found, value)) {
      return false;
    }
    out = std::move(value);
    return true;
  } else if constexpr (isList<Value>) {
    if (found == fields.end() || !found->is_array()) {
      return false;
    }
    for (const Json& element : *found) {
      typename Value::value_type decoded{};
      if (!fromJson(element, decoded)) {
        return false;
      }
      out.push_back(std::move(decoded));
    }
    return true;
  } else {
    return found != fields.end() && fromJson(*found, out);
  }
}

template <typename Request>
Json encodeFields(const Request& request) {
  Json fields = Json::object();
  std::apply(
      [&](const auto&... field) { (writeField(fields, field.name, request.*field.member), ...); },
      Request::fields());
  return fields;
}

template <typename Request>
std::expected<Request, std::string> decodeFields(const Json& fields) {
  Request request{};
  std::string malformed;
  auto read = [&](const auto& field) {
    if (!malformed.empty()) {
      return;
    }
    if (!readField(fields, field.name, request.*field.member)) {
      malformed = std::string(field.name);
    }
  };
  std::apply([&](const auto&... field) { (read(field), ...); }, Request::fields());
  if (!malformed.empty()) {
    return std::unexpected(std::move(malformed));
  }
  return request;
}

// The request of the table `Table` named `op`, read from its fields.
template <typename Table, std::size_t Index = 0>
std::optional<std::expected<Table, std::string>> decodeAt(std::string_view op, const Json& fields) {
  if constexpr (Index == std::variant_size_v<Table>) {
    return std::nullopt;
  } else {
    using Request = std::variant_alternative_t<Index, Table>;
    if (op != Request::op) {
      return decodeAt<Table, Index + 1>(op, fields);
    }
    auto request = decodeFields<Request>(fields);
    if (!request) {
      return std::unexpected(std::move(request.error()));
    }
    return Table{std::move(*request)};
  }
}

template <typename Table>
std::pair<std::string_view, Json> encodeAny(const Table& request) {
  return std::visit(
      [](const auto& typed) {
        return std::pair{std::decay_t<decltype(typed)>::op, encodeFields(typed)};
      },
      request);
}

template <typename Table>
std::optional<std::expected<Table, std::string>> decodeAny(std::string_view op,
                                                           const Json& fields) {
  if (!fields.is_object()) {
    return std::nullopt;
  }
  return decodeAt<Table>(op, fields);
}

}  // namespace

std::pair<std::string_view, Json> encodeRequest(const ProgramRequest& request) {
  return encodeAny(request);
}

std::pair<std::string_view, Json> encodeRequest(const ControlRequest& request) {
  return encodeAny(request);
}

std::optional<std::expected<ProgramRequest, std::string>> decodeRequest(std::string_view op,
                                                                        const Json& fields) {
  return decodeAny<ProgramRequest>(op, fields);
}

std::optional<std::expected<ControlRequest, std::string>> decodeControlRequest(std::string_view op,
                                                                               const Json& fields) {
  return decodeAny<ControlRequest>(op, fields);
}

Json encodeReply(const ProgramReply& reply) {
  return std::visit([](const auto& answer) { return toJson(answer); }, reply);
}

Json encodeReply(const ControlReply& reply) {
  return std::visit([](const auto& answer) { return toJson(answer); }, reply);
}

std::optional<ProgramReply> decodeReply(const ProgramRequest& request, const Json& result) {
  return std::visit(
      [&](const auto& typed) -> std::optional<ProgramReply> {
        typename std::decay_t<decltype(typed)>::Reply answer{};
        if (!fromJson(result, answer)) {
          return std::nullopt;
        }
        return ProgramReply{std::move(answer)};
      },
      request);
}

}  // namespace platform::wire
