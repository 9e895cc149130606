#include "platform/Image.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "platform/Bundle.h"
#include "support/TemporaryFolder.h"

namespace {

using platform::Image;
using platform::Size;
using testsupport::readFile;
using testsupport::TemporaryFolder;
using testsupport::writeFile;

// A real PNG file of the given pixel size, drawn and encoded by cairo.
void writePng(const std::filesystem::path& path, int width, int height) {
  const std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height), &cairo_surface_destroy);
  const std::unique_ptr<cairo_t, decltype(&cairo_destroy)> context(cairo_create(surface.get()),
                                                                   &cairo_destroy);
  cairo_set_source_rgb(context.get(), 0.2, 0.4, 0.8);
  cairo_paint(context.get());
  ASSERT_EQ(cairo_surface_write_to_png(surface.get(), path.c_str()), CAIRO_STATUS_SUCCESS);
}

// The head of a baseline JPEG file: start of image, a JFIF segment, and a frame header of
// 640 by 480 pixels with three components.
std::string jpegHead(const std::string& frameSize = std::string("\x01\xE0\x02\x80", 4)) {
  return std::string("\xFF\xD8", 2) +
         std::string("\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 18) +
         std::string("\xFF\xC0\x00\x11\x08", 5) + frameSize +
         std::string("\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01", 10);
}

TEST(ImageTest, DecodesPngFilesWrittenByCairo) {
  const TemporaryFolder folder;
  writePng(folder / "hero.png", 30, 20);
  const auto image = Image::contentsOfFile(folder / "hero.png");
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->size(), (Size{30, 20}));
  EXPECT_EQ(image->file(), folder / "hero.png");
  EXPECT_EQ(image->describe(), (nlohmann::json{{"file", (folder / "hero.png").string()},
                                               {"size", {30, 20}},
                                               {"template", false}}));

  // The contents decide, not the name; a damaged file is not an image.
  std::filesystem::copy_file(folder / "hero.png", folder / "hero.jpeg");
  EXPECT_NE(Image::contentsOfFile(folder / "hero.jpeg"), nullptr);
  const std::string bytes = readFile(folder / "hero.png");
  writeFile(folder / "cut.png", bytes.substr(0, bytes.size() / 2));
  EXPECT_EQ(Image::contentsOfFile(folder / "cut.png"), nullptr);
}

TEST(ImageTest, ReadsTheSizeOfJpegFilesFromTheirFrameHeader) {
  const TemporaryFolder folder;
  writeFile(folder / "data.jpeg", jpegHead() + std::string("\xFF\xD9", 2));
  const auto image = Image::contentsOfFile(folder / "data.jpeg");
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->size(), (Size{640, 480}));

  // Image data before any frame header, a frame of no pixels, a segment running past the end.
  writeFile(folder / "scan.jpg", std::string("\xFF\xD8\xFF\xDA\x00\x02", 6));
  writeFile(folder / "empty.jpg", jpegHead(std::string("\x00\x00\x02\x80", 4)));
  writeFile(folder / "short.jpg", jpegHead().substr(0, 26));
  EXPECT_EQ(Image::contentsOfFile(folder / "scan.jpg"), nullptr);
  EXPECT_EQ(Image::contentsOfFile(folder / "empty.jpg"), nullptr);
  EXPECT_EQ(Image::contentsOfFile(folder / "short.jpg"), nullptr);
}

TEST(ImageTest, FilesThatAreNotImagesGiveNone) {
  const TemporaryFolder folder;
  writeFile(folder / "notes.png", "not a picture\n");
  writeFile(folder / "blank.png", "");
  EXPECT_EQ(Image::contentsOfFile(folder / "notes.png"), nullptr);
  EXPECT_EQ(Image::contentsOfFile(folder / "blank.png"), nullptr);
  EXPECT_EQ(Image::contentsOfFile(folder / "missing.png"), nullptr);
  EXPECT_EQ(Image::contentsOfFile(folder.path()), nullptr);
}

TEST(ImageTest, NamedImagesAreTheBundlesPngResources) {
  const TemporaryFolder folder;
  const auto bundle = platform::Bundle::forExecutable(folder / "Installer");
  writePng(folder / "installer-hero.png", 52, 19);
  writeFile(folder / "installer-shortcuts.jpg", jpegHead());
  writeFile(folder / "broken.png", "broken");

  const auto hero = Image::named("installer-hero", bundle);
  ASSERT_NE(hero, nullptr);
  EXPECT_EQ(hero->size(), (Size{52, 19}));
  EXPECT_EQ(Image::named("installer-shortcuts", bundle), nullptr);
  EXPECT_EQ(Image::named("broken", bundle), nullptr);
  EXPECT_EQ(Image::named("uninstaller-hero", bundle), nullptr);
}

TEST(ImageTest, KnowsTheSystemSymbolsTheProgramsShow) {
  for (const char* name : {"bolt.circle.fill", "sparkles.rectangle.stack",
                           "keyboard.badge.ellipsis", "trash", "externaldrive.badge.minus"}) {
    EXPECT_NE(Image::systemSymbol(name, std::nullopt), nullptr) << name;
  }
  EXPECT_EQ(Image::systemSymbol("bolt.circle", std::nullopt), nullptr);
  EXPECT_EQ(Image::systemSymbol("", std::nullopt), nullptr);

  const auto icon = Image::systemSymbol("bolt.circle.fill", "Ferrolin Launcher");
  ASSERT_NE(icon, nullptr);
  EXPECT_FALSE(icon->isTemplate());
  icon->setTemplate(true);
  EXPECT_EQ(icon->describe(), (nlohmann::json{{"symbol", "bolt.circle.fill"},
                                              {"accessibilityDescription", "Ferrolin Launcher"},
                                              {"template", true}}));
}

}  // namespace
