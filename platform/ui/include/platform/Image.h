#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/Bundle.h"
#include "platform/Geometry.h"
#include "platform/InterfaceRecords.h"

namespace platform {

// An image: a decoded PNG or JPEG file, or a system symbol drawn by the desktop. Shared and mutable
// (the template flag), made only by the factories below. Main thread only.
class Image {
  struct Passkey {};

 public:
  // The bundle's resource "<name>.png"; nullptr when it is missing or not a valid image.
  static std::shared_ptr<Image> named(const std::string& name, const Bundle& bundle);
  // The bundle's picture of that name: the first of the resources "<name>.png", "<name>.jpg" and
  // "<name>.jpeg" that is there decides; nullptr when none is there or that one is not an image.
  static std::shared_ptr<Image> bundled(const std::string& name, const Bundle& bundle);

  // A PNG or JPEG file, recognised by its contents; nullptr when the file cannot be read or is not
  // a valid image of either kind. Its size in points is its size in pixels.
  static std::shared_ptr<Image> contentsOfFile(const std::filesystem::path& path);

  // A system symbol ("bolt.circle.fill", "sparkles.rectangle.stack", "keyboard.badge.ellipsis",
  // "trash", "externaldrive.badge.minus"), 16 by 16 points; nullptr for an unknown name.
  static std::shared_ptr<Image> systemSymbol(const std::string& name,
                                             std::optional<std::string> accessibilityDescription);

  Image(Passkey /*key*/, Size size, std::optional<std::filesystem::path> file,
        std::optional<std::string> symbol, std::optional<std::string> accessibilityDescription);

  Size size() const { return size_; }
  // The file it was read from, or the symbol it shows.
  const std::optional<std::filesystem::path>& file() const { return file_; }
  const std::optional<std::string>& symbolName() const { return symbol_; }
  const std::optional<std::string>& accessibilityDescription() const {
    return accessibilityDescription_;
  }

  // A template image is drawn by its alpha only, tinted by where it is shown (the menu bar).
  bool isTemplate() const { return template_; }
  void setTemplate(bool isTemplate) { template_ = isTemplate; }

  // The image as the desktop shows it: the symbol's name and description, or the file and its size.
  ImageRecord describe() const;

 private:
  Size size_;
  std::optional<std::filesystem::path> file_;
  std::optional<std::string> symbol_;
  std::optional<std::string> accessibilityDescription_;
  bool template_ = false;
};

}  // namespace platform
