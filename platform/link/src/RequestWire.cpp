// The program requests of the desktop's table on the daemon's line: one generic coder reads each
// request's fields from the table, so a new request needs no code here unless it brings a new
// type of field or answer.

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

template <typename Request>
Json encodeFields(const Request& request) {
  Json fields = Json::object();
  std::apply(
      [&](const auto&... field) {
        ((fields[std::string(field.name)] = toJson(request.*field.member)), ...);
      },
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
    const auto found = fields.find(std::string(field.name));
    if (found == fields.end() || !fromJson(*found, request.*field.member)) {
      malformed = std::string(field.name);
    }
  };
  std::apply([&](const auto&... field) { (read(field), ...); }, Request::fields());
  if (!malformed.empty()) {
    return std::unexpected(std::move(malformed));
  }
  return request;
}

template <std::size_t Index = 0>
std::optional<std::expected<ProgramRequest, std::string>> decodeAt(std::string_view op,
                                                                   const Json& fields) {
  if constexpr (Index == std::variant_size_v<ProgramRequest>) {
    return std::nullopt;
  } else {
    using Request = std::variant_alternative_t<Index, ProgramRequest>;
    if (op != Request::op) {
      return decodeAt<Index + 1>(op, fields);
    }
    auto request = decodeFields<Request>(fields);
    if (!request) {
      return std::unexpected(std::move(request.error()));
    }
    return ProgramRequest{std::move(*request)};
  }
}

}  // namespace

std::pair<std::string_view, Json> encodeRequest(const ProgramRequest& request) {
  return std::visit(
      [](const auto& typed) {
        return std::pair{std::decay_t<decltype(typed)>::op, encodeFields(typed)};
      },
      request);
}

std::optional<std::expected<ProgramRequest, std::string>> decodeRequest(std::string_view op,
                                                                        const Json& fields) {
  if (!fields.is_object()) {
    return std::nullopt;
  }
  return decodeAt(op, fields);
}

Json encodeReply(const ProgramReply& reply) {
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
