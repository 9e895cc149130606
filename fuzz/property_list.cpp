// Property-list files (XML or binary), as bundles' Info.plist files and launch agents are read.

#include <cstddef>
#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "FuzzSupport.h"
#include "platform/PropertyList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const fuzz::ScratchFolder folder;
  const std::filesystem::path file = folder.path() / "Info.plist";
  fuzz::writeFile(file, fuzz::text(data, size));
  const auto contents = platform::readPropertyList(file);
  if (contents) {
    // What a reader does with it: look keys up, and show it (the daemon's replies).
    static_cast<void>(contents->dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
  } else {
    fuzz::require(!contents.error().localizedDescription.empty(), "a refusal says why");
  }
  return 0;
}
