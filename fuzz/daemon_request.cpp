// The daemon's side of the desktop's wire: one line a program sent, read as the daemon reads it
// into a typed request. A request it reads must survive being written and read again unchanged.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "FuzzSupport.h"
#include "platform/DesktopWire.h"
#include "platform/JsonText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const nlohmann::json line = platform::parseJson(fuzz::text(data, size));
  const std::optional<std::string> op = platform::wire::stringAt(line, "op");
  if (!line.is_object() || !op) {
    return 0;
  }
  const auto decoded = platform::wire::decodeRequest(*op, line);
  if (!decoded || !decoded->has_value()) {
    return 0;
  }
  const auto [writtenOp, fields] = platform::wire::encodeRequest(**decoded);
  fuzz::require(writtenOp == *op, "a request is written under the name it was read by");
  const auto again = platform::wire::decodeRequest(writtenOp, fields);
  if (!again || !again->has_value()) {
    fuzz::fail("a written request reads back");
  }
  fuzz::require(platform::wire::encodeRequest(**again).second == fields,
                "a written request reads back the same");
  return 0;
}
