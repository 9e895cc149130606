#include "LauncherConfig.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/JsonText.h"
#include "suite/Identity.h"

namespace launcher {
namespace {

std::optional<std::string> stringValue(const nlohmann::json& document, const char* key) {
  const auto found = document.find(key);
  if (found == document.end() || !found->is_string()) {
    return std::nullopt;
  }
  return found->get<std::string>();
}

std::optional<std::vector<std::string>> stringList(const nlohmann::json& document,
                                                   const char* key) {
  const auto found = document.find(key);
  if (found == document.end() || !found->is_array()) {
    return std::nullopt;
  }
  std::vector<std::string> list;
  list.reserve(found->size());
  for (const auto& element : *found) {
    if (!element.is_string()) {
      return std::nullopt;
    }
    list.push_back(element.get<std::string>());
  }
  return list;
}

// The folder of the executable as started (the first argument without its last component), with
// "launcher-config.json" in it. A trailing separator does not count as a component.
std::filesystem::path besideExecutable(const std::string& firstArgument) {
  std::filesystem::path executable(firstArgument);
  if (!executable.has_filename() && executable.has_relative_path()) {
    executable = executable.parent_path();
  }
  return executable.parent_path() / "launcher-config.json";
}

}  // namespace

const LauncherConfig& LauncherConfig::fallback() {
  static const LauncherConfig builtIn{
      .targetAppName = std::string(suite::productName),
      .bundleIdentifier = std::string(suite::targetBundleIdentifier),
      .currentVersion = "1.0.0",
      .apiOrigin = "https://ferrolin.app",
      .hotkeys = {"command+option+b"},
  };
  return builtIn;
}

std::optional<LauncherConfig> LauncherConfig::decode(const nlohmann::json& document) {
  if (!document.is_object()) {
    return std::nullopt;
  }
  auto targetAppName = stringValue(document, targetAppNameKey);
  auto bundleIdentifier = stringValue(document, bundleIdentifierKey);
  auto currentVersion = stringValue(document, currentVersionKey);
  auto apiOrigin = stringValue(document, apiOriginKey);
  auto hotkeys = stringList(document, hotkeysKey);
  if (!targetAppName || !bundleIdentifier || !currentVersion || !apiOrigin || !hotkeys) {
    return std::nullopt;
  }
  return LauncherConfig{
      .targetAppName = std::move(*targetAppName),
      .bundleIdentifier = std::move(*bundleIdentifier),
      .currentVersion = std::move(*currentVersion),
      .apiOrigin = std::move(*apiOrigin),
      .hotkeys = std::move(*hotkeys),
  };
}

std::optional<LauncherConfig> LauncherConfig::decodeText(std::string_view text) {
  const nlohmann::json document = platform::parseJson(text);
  if (document.is_discarded()) {
    return std::nullopt;
  }
  return decode(document);
}

LauncherConfig LauncherConfig::load(const platform::ProcessInfo& process,
                                    const platform::Bundle& bundle,
                                    const platform::FileManager& fileManager) {
  // Each candidate is looked for only when the ones before it gave nothing usable.
  auto fromFile = [&](const std::filesystem::path& path) -> std::optional<LauncherConfig> {
    const auto contents = fileManager.contentsOfFile(path);
    if (!contents) {
      return std::nullopt;
    }
    return decodeText(*contents);
  };

  if (const auto variable = process.environmentValue("QUORREL_LAUNCHER_CONFIG")) {
    if (auto config = fromFile(*variable)) {
      return std::move(*config);
    }
  }
  if (const auto resource = bundle.pathForResource("launcher-config", "json")) {
    if (auto config = fromFile(*resource)) {
      return std::move(*config);
    }
  }
  if (const auto& arguments = process.arguments(); !arguments.empty()) {
    if (auto config = fromFile(besideExecutable(arguments.front()))) {
      return std::move(*config);
    }
  }
  return fallback();
}

}  // namespace launcher
