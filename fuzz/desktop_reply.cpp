// The program's side of the desktop's wire: one line the daemon sent, read as the program's channel
// reads it: an event, or the reply to the request chosen by the input's first byte, or (past the
// requests) an interface record. What it reads must survive being written and read again.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <variant>

#include <nlohmann/json.hpp>

#include "FuzzSupport.h"
#include "platform/DesktopRequest.h"
#include "platform/DesktopWire.h"
#include "platform/JsonText.h"

namespace {

constexpr std::size_t requestCount = std::variant_size_v<platform::ProgramRequest>;

template <std::size_t... Index>
std::array<platform::ProgramRequest, requestCount> everyRequest(
    std::index_sequence<Index...> /*unused*/) {
  return {platform::ProgramRequest(std::in_place_index<Index>)...};
}

void readReply(const platform::ProgramRequest& request, const nlohmann::json& message) {
  const auto ok = message.find("ok");
  if (ok == message.end() || *ok != true) {
    return;
  }
  const nlohmann::json result = message.value("result", nlohmann::json());
  const auto reply = platform::wire::decodeReply(request, result);
  if (reply) {
    fuzz::require(
        platform::wire::decodeReply(request, platform::wire::encodeReply(*reply)) == reply,
        "a written reply reads back the same");
  }
}

// A record read with `decode` must be written and read back the same.
template <typename Decode>
void readAndWriteBack(const nlohmann::json& message, Decode decode, std::string_view what) {
  const auto record = decode(message);
  if (record) {
    const nlohmann::json written = platform::wire::encode(*record);
    const auto again = decode(written);
    fuzz::require(again && platform::wire::encode(*again) == written, what);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  static const auto requests = everyRequest(std::make_index_sequence<requestCount>());
  const std::size_t choice = data[0];
  const nlohmann::json message = platform::parseJson(fuzz::text(data + 1, size - 1));
  if (!message.is_object()) {
    return 0;
  }
  if (choice >= requestCount) {
    readAndWriteBack(
        message, [](const nlohmann::json& value) { return platform::wire::decodeInterface(value); },
        "a written interface reads back the same");
  } else if (message.contains("event")) {
    readAndWriteBack(
        message, [](const nlohmann::json& value) { return platform::wire::decodeEvent(value); },
        "a written event reads back the same");
  } else {
    readReply(requests.at(choice), message);
  }
  return 0;
}
