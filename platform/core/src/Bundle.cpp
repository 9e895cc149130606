#include "platform/Bundle.h"

#include <system_error>
#include <utility>

#include <nlohmann/json.hpp>

#include "SystemFiles.h"
#include "platform/PropertyList.h"

namespace platform {
namespace {

// Absolute and lexically normal, without a trailing separator ("X.app/" is X.app).
std::filesystem::path normalPath(const std::filesystem::path& path) {
  std::error_code ignored;
  std::filesystem::path result = std::filesystem::absolute(path, ignored).lexically_normal();
  if (!result.has_filename() && result.has_relative_path()) {
    result = result.parent_path();
  }
  return result;
}

std::optional<std::string> stringValue(const nlohmann::json& dictionary, const char* key) {
  if (!dictionary.is_object()) {
    return std::nullopt;
  }
  const auto found = dictionary.find(key);
  if (found == dictionary.end() || !found->is_string()) {
    return std::nullopt;
  }
  return found->get<std::string>();
}

bool marksUIElement(const nlohmann::json& dictionary) {
  if (!dictionary.is_object()) {
    return false;
  }
  const auto found = dictionary.find("LSUIElement");
  return found != dictionary.end() && ((found->is_boolean() && found->get<bool>()) ||
                                       (found->is_string() && found->get<std::string>() == "1"));
}

// The Info.plist's top-level dictionary; null when it is missing or not a property list.
nlohmann::json readInfoDictionary(const std::filesystem::path& bundlePath) {
  auto contents = readPropertyList(bundlePath / "Contents" / "Info.plist");
  return contents ? std::move(*contents) : nlohmann::json();
}

}  // namespace

const Bundle& Bundle::main() {
  static const Bundle bundle = forExecutable(systemFiles::executablePath());
  return bundle;
}

Bundle Bundle::forExecutable(const std::filesystem::path& executable) {
  Bundle bundle;
  const std::filesystem::path exe = normalPath(executable);
  const std::filesystem::path macOS = exe.parent_path();
  const std::filesystem::path contents = macOS.parent_path();
  const std::filesystem::path app = contents.parent_path();
  bundle.executablePath_ = exe;
  if (macOS.filename() == "MacOS" && contents.filename() == "Contents" &&
      app.extension() == ".app") {
    bundle.bundlePath_ = app;
    bundle.resourcePath_ = contents / "Resources";
    const nlohmann::json info = readInfoDictionary(app);
    bundle.bundleIdentifier_ = stringValue(info, "CFBundleIdentifier");
    bundle.uiElement_ = marksUIElement(info);
  } else {
    bundle.bundlePath_ = macOS;
    bundle.resourcePath_ = macOS;
  }
  return bundle;
}

std::optional<Bundle> Bundle::atPath(const std::filesystem::path& bundlePath) {
  Bundle bundle;
  bundle.bundlePath_ = normalPath(bundlePath);
  std::error_code ignored;
  if (!std::filesystem::is_directory(bundle.bundlePath_, ignored)) {
    return std::nullopt;
  }
  bundle.resourcePath_ = bundle.bundlePath_ / "Contents" / "Resources";
  const nlohmann::json info = readInfoDictionary(bundle.bundlePath_);
  bundle.bundleIdentifier_ = stringValue(info, "CFBundleIdentifier");
  bundle.uiElement_ = marksUIElement(info);
  if (auto executableName = stringValue(info, "CFBundleExecutable")) {
    bundle.executablePath_ =
        (bundle.bundlePath_ / "Contents" / "MacOS" / *executableName).lexically_normal();
  }
  return bundle;
}

std::optional<std::filesystem::path> Bundle::pathForResource(const std::string& name,
                                                             const std::string& extension) const {
  std::filesystem::path candidate =
      resourcePath_ / (extension.empty() ? name : name + "." + extension);
  std::error_code ignored;
  if (!std::filesystem::exists(candidate, ignored)) {
    return std::nullopt;
  }
  return candidate;
}

}  // namespace platform
