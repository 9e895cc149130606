// The daemon's side of the desktop's wire: one line a program or a tool sent, read as the daemon
// reads it into a typed request of either table. A request it reads must survive being written and
// read again unchanged.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "FuzzSupport.h"
#include "platform/DesktopWire.h"
#include "platform/JsonText.h"

namespace {

template <typename Decoded, typename Decode>
void requireRoundTrip(const Decoded& decoded, const std::string& op, Decode decode) {
  if (!decoded || !decoded->has_value()) {
    return;
  }
  const auto [writtenOp, fields] = platform::wire::encodeRequest(**decoded);
  fuzz::require(writtenOp == op, "a request is written under the name it was read by");
  const auto again = decode(writtenOp, fields);
  if (!again || !again->has_value()) {
    fuzz::fail("a written request reads back");
  }
  fuzz::require(platform::wire::encodeRequest(**again).second == fields,
                "a written request reads back the same");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const nlohmann::json line = platform::parseJson(fuzz::text(data, size));
  const std::optional<std::string> op = platform::wire::stringAt(line, "op");
  if (!line.is_object() || !op) {
    return 0;
  }
  const auto decodeProgram = [](std::string_view name, const nlohmann::json& fields) {
    return platform::wire::decodeRequest(name, fields);
  };
  const auto decodeControl = [](std::string_view name, const nlohmann::json& fields) {
    return platform::wire::decodeControlRequest(name, fields);
  };
  requireRoundTrip(decodeProgram(*op, line), *op, decodeProgram);
  requireRoundTrip(decodeControl(*op, line), *op, decodeControl);
  return 0;
}
