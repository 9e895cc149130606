#pragma once

#include <optional>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

#include "platform/DesktopConnection.h"
#include "platform/EmulatedDesktop.h"

namespace platform::wire {

// The JSON forms of the desktop's records on the daemon's socket (docs/desktop-protocol.md).
// Decoding never throws: a value of the wrong shape gives nothing.

std::string_view policyName(ActivationPolicy policy);
std::optional<ActivationPolicy> decodePolicy(const nlohmann::json& value);

nlohmann::json encode(const ApplicationIdentity& identity);
std::optional<ApplicationIdentity> decodeIdentity(const nlohmann::json& value);

// `frontmost` is the desktop's view, added to the record for readers such as desktopctl.
nlohmann::json encode(const RunningApplicationState& application, bool frontmost);
std::optional<RunningApplicationState> decodeApplication(const nlohmann::json& value);

nlohmann::json encode(const ScreenDescription& screen);
std::optional<ScreenDescription> decodeScreen(const nlohmann::json& value);

nlohmann::json encode(const NotificationRecord& notification);
std::optional<NotificationRecord> decodeNotification(const nlohmann::json& value);

nlohmann::json encode(const DesktopEvent& event);
std::optional<DesktopEvent> decodeEvent(const nlohmann::json& value);

nlohmann::json encode(const JournalEntry& entry);

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
