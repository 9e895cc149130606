#pragma once

#include <sys/types.h>

#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "platform/ControlRequest.h"
#include "platform/DesktopEvent.h"
#include "platform/DesktopRecords.h"
#include "platform/DesktopRequest.h"
#include "platform/InterfaceRecords.h"

namespace platform::wire {

// The JSON forms of the desktop's records on the daemon's socket (docs/desktop-protocol.md).
// Decoding never throws: a value of the wrong shape gives nothing.

std::string_view policyName(ActivationPolicy policy);
std::optional<ActivationPolicy> decodePolicy(const nlohmann::json& value);

nlohmann::json encode(const ApplicationIdentity& identity);
std::optional<ApplicationIdentity> decodeIdentity(const nlohmann::json& value);

// "frontmost" is added to the record for readers such as desktopctl: the active application is.
nlohmann::json encode(const RunningApplicationState& application);
std::optional<RunningApplicationState> decodeApplication(const nlohmann::json& value);

nlohmann::json encode(const ScreenDescription& screen);
std::optional<ScreenDescription> decodeScreen(const nlohmann::json& value);

nlohmann::json encode(const NotificationRecord& notification);
std::optional<NotificationRecord> decodeNotification(const nlohmann::json& value);

nlohmann::json encode(const DesktopEvent& event);
std::optional<DesktopEvent> decodeEvent(const nlohmann::json& value);

nlohmann::json encode(const JournalEntry& entry);

// What programs show, and the user's input to them.
nlohmann::json encode(const InterfaceRecord& interface);
std::optional<InterfaceRecord> decodeInterface(const nlohmann::json& value);
nlohmann::json encode(const ViewRecord& view);
// Each element carries its application's bundle identifier as "application".
nlohmann::json encode(const ScreenContents& screen);
std::optional<ScreenContents> decodeScreenContents(const nlohmann::json& value);
nlohmann::json encode(const UserInput& input);
std::optional<UserInput> decodeInput(const nlohmann::json& value);

// A request of either table as its line: the operation and the fields.
std::pair<std::string_view, nlohmann::json> encodeRequest(const ProgramRequest& request);
std::pair<std::string_view, nlohmann::json> encodeRequest(const ControlRequest& request);
// A request read from a line: nothing when `op` is no request of that table; otherwise the
// request, or the name of its first field that is missing or malformed.
std::optional<std::expected<ProgramRequest, std::string>> decodeRequest(
    std::string_view op, const nlohmann::json& fields);
std::optional<std::expected<ControlRequest, std::string>> decodeControlRequest(
    std::string_view op, const nlohmann::json& fields);
nlohmann::json encodeReply(const ProgramReply& reply);
nlohmann::json encodeReply(const ControlReply& reply);
// The answer to `request` read from its reply's result; nothing when it is not one.
std::optional<ProgramReply> decodeReply(const ProgramRequest& request,
                                        const nlohmann::json& result);

// Typed reads of an object's member; nothing when absent or of another type.
std::optional<std::string> stringAt(const nlohmann::json& object, const char* key);
std::optional<bool> boolAt(const nlohmann::json& object, const char* key);
std::optional<double> numberAt(const nlohmann::json& object, const char* key);
std::optional<std::int64_t> integerAt(const nlohmann::json& object, const char* key);
std::optional<std::uint64_t> unsignedAt(const nlohmann::json& object, const char* key);
std::optional<std::vector<std::string>> stringsAt(const nlohmann::json& object, const char* key);
std::optional<std::uint32_t> uint32At(const nlohmann::json& object, const char* key);
// A process identifier: a positive integer that fits pid_t.
std::optional<pid_t> decodePid(const nlohmann::json& value);
std::optional<pid_t> pidAt(const nlohmann::json& object, const char* key);

}  // namespace platform::wire
