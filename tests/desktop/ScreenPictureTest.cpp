#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "picture/ScreenPicture.h"
#include "support/TemporaryFolder.h"

namespace {

using desktop::PictureOptions;
using desktop::ScreenPicture;
using desktop::ScreenScene;
using platform::Rect;
using platform::ViewRecord;

struct Rgb {
  int red;
  int green;
  int blue;
};

Rgb rgb(std::uint32_t pixel) {
  return {static_cast<int>((pixel >> 16U) & 0xFFU), static_cast<int>((pixel >> 8U) & 0xFFU),
          static_cast<int>(pixel & 0xFFU)};
}

bool isAccent(Rgb colour) {
  return colour.red < 40 && colour.green > 90 && colour.blue > 220;
}
bool isWhite(Rgb colour) {
  return colour.red > 245 && colour.green > 245 && colour.blue > 245;
}
bool isRed(Rgb colour) {
  return colour.red > 220 && colour.green < 40 && colour.blue < 40;
}

ViewRecord view(std::string identifier, std::string kind, Rect frame) {
  ViewRecord made;
  made.identifier = std::move(identifier);
  made.kind = std::move(kind);
  made.frame = frame;
  return made;
}

ViewRecord button(std::string identifier, Rect frame, std::string type, std::string state,
                  std::string keyEquivalent) {
  ViewRecord made = view(std::move(identifier), "button", frame);
  made.control = platform::ControlRecord{};
  made.button = platform::ButtonRecord{"", std::move(type), std::move(state),
                                       std::move(keyEquivalent), "rounded"};
  return made;
}

ViewRecord label(std::string identifier, Rect frame, bool hidden) {
  ViewRecord made = view(std::move(identifier), "label", frame);
  made.hidden = hidden;
  made.label = platform::LabelRecord{"MMMMMMMM",
                                     platform::Font::system(20),
                                     platform::Color::named("labelColor"),
                                     "left",
                                     {"MMMMMMMM"}};
  return made;
}

ViewRecord imageView(Rect frame, platform::ImageRecord image) {
  ViewRecord made = view("", "imageView", frame);
  made.imageView = platform::ImageViewRecord{std::move(image), "proportionallyUpOrDown"};
  return made;
}

// A 2 by 1 pixel picture file, solid red.
std::string redPicture(const testsupport::TemporaryFolder& folder) {
  const std::string path = (folder / "red.png").string();
  const std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
      cairo_image_surface_create(CAIRO_FORMAT_RGB24, 2, 1), &cairo_surface_destroy);
  const std::unique_ptr<cairo_t, decltype(&cairo_destroy)> cairo(cairo_create(surface.get()),
                                                                 &cairo_destroy);
  cairo_set_source_rgb(cairo.get(), 1, 0, 0);
  cairo_paint(cairo.get());
  cairo_surface_write_to_png(surface.get(), path.c_str());
  return path;
}

// One window at (50, 50) on a 400 by 300 point screen at scale 2, its content 300 by 172 points
// under a 28-point title bar.
ScreenScene sceneWith(std::vector<ViewRecord> views) {
  ScreenScene scene;
  scene.screen = {"Built-in Display", 1, {0, 0, 400, 300}, 2};
  platform::WindowRecord window;
  window.title = "Things";
  window.frame = {50, 50, 300, 200};
  window.visible = true;
  window.key = true;
  window.styleMask = 3;
  window.backgroundColor = platform::Color::named("windowBackgroundColor");
  window.contentView = view("", "view", {0, 0, 300, 172});
  window.contentView->subviews = std::move(views);
  scene.contents.windows.push_back({"org.example.things", std::move(window)});
  return scene;
}

// The colour in the middle of a view placed directly in the window's content.
Rgb middleOf(const ScreenPicture& picture, const Rect& frame) {
  const platform::Point at =
      picture.pixelOf({50 + frame.x + (frame.width / 2), 50 + frame.y + (frame.height / 2)});
  return rgb(picture.pixel(static_cast<int>(at.x), static_cast<int>(at.y)));
}

// Whether any pixel inside the view's frame is dark, as text is.
bool hasDarkPixels(const ScreenPicture& picture, const Rect& frame) {
  const platform::Point topLeft = picture.pixelOf({50 + frame.x, 50 + frame.maxY()});
  const platform::Point bottomRight = picture.pixelOf({50 + frame.maxX(), 50 + frame.y});
  for (int y = static_cast<int>(topLeft.y); y < static_cast<int>(bottomRight.y); ++y) {
    for (int x = static_cast<int>(topLeft.x); x < static_cast<int>(bottomRight.x); ++x) {
      if (const Rgb colour = rgb(picture.pixel(x, y)); colour.red + colour.green < 200) {
        return true;
      }
    }
  }
  return false;
}

TEST(ScreenPicture, DrawsWhatTheControlsSay) {
  const testsupport::TemporaryFolder folder;
  const Rect defaultButton{10, 10, 100, 32};
  const Rect plainButton{120, 10, 100, 32};
  const Rect checked{10, 60, 20, 20};
  const Rect unchecked{40, 60, 20, 20};
  const Rect shownLabel{10, 90, 140, 30};
  const Rect hiddenLabel{160, 90, 130, 30};
  const Rect picture{230, 10, 60, 40};
  const Rect symbol{230, 130, 60, 40};
  platform::ImageRecord pictureFile;
  pictureFile.file = redPicture(folder);
  pictureFile.size = {2, 1};
  platform::ImageRecord trash;
  trash.symbol = "trash";
  const ScreenScene scene = sceneWith({
      button("ok", defaultButton, "push", "off", "\r"),
      button("cancel", plainButton, "push", "off", ""),
      button("on", checked, "checkbox", "on", ""),
      button("off", unchecked, "checkbox", "off", ""),
      label("shown", shownLabel, false),
      label("hidden", hiddenLabel, true),
      imageView(picture, pictureFile),
      imageView(symbol, trash),
  });

  const auto drawn = ScreenPicture::draw(scene, {});
  ASSERT_TRUE(drawn) << drawn.error().localizedDescription;
  EXPECT_EQ(drawn->width(), 800);
  EXPECT_EQ(drawn->height(), 600);
  EXPECT_TRUE(isAccent(middleOf(*drawn, defaultButton)));
  EXPECT_TRUE(isWhite(middleOf(*drawn, plainButton)));
  // inside the box, clear of the check mark
  EXPECT_TRUE(isAccent(middleOf(*drawn, {checked.x + 4, checked.y + 12, 2, 2})));
  EXPECT_TRUE(isWhite(middleOf(*drawn, {unchecked.x + 4, unchecked.y + 12, 2, 2})));
  EXPECT_TRUE(hasDarkPixels(*drawn, shownLabel));
  EXPECT_FALSE(hasDarkPixels(*drawn, hiddenLabel));
  // the picture file covers its frame; a symbol is drawn in the accent colour, never the file's
  EXPECT_TRUE(isRed(middleOf(*drawn, {picture.x, picture.y, 4, 4})));
  EXPECT_TRUE(isRed(middleOf(*drawn, picture)));
  EXPECT_FALSE(isRed(middleOf(*drawn, symbol)));
  EXPECT_FALSE(hasDarkPixels(*drawn, {symbol.x, symbol.y, 2, 2}));

  // the same screen gives the same file
  EXPECT_EQ(drawn->png(), ScreenPicture::draw(scene, {})->png());
  EXPECT_TRUE(drawn->png().starts_with("\x89PNG\r\n\x1a\n"));
}

TEST(ScreenPicture, CropsToAWindowAndRefusesWhatItCannotDraw) {
  const ScreenScene scene = sceneWith({});
  PictureOptions window;
  window.window = "Things";
  const auto cropped = ScreenPicture::draw(scene, window);
  ASSERT_TRUE(cropped);
  // the window and 24 points round it for the shadow
  EXPECT_EQ(cropped->width(), (300 + 48) * 2);
  EXPECT_EQ(cropped->height(), (200 + 48) * 2);

  window.window = "Nothing";
  const auto missing = ScreenPicture::draw(scene, window);
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error().localizedDescription,
            "No window or alert called “Nothing” is on screen.");
  PictureOptions menu;
  menu.menu = "org.example.things";
  EXPECT_FALSE(ScreenPicture::draw(scene, menu));

  for (const platform::ScreenDescription& screen :
       {platform::ScreenDescription{"Wide", 1, {0, 0, 3e9, 900}, 1},
        platform::ScreenDescription{"Retina", 1, {0, 0, 17000, 900}, 2},
        platform::ScreenDescription{"Unscaled", 1, {0, 0, 400, 300}, 0}}) {
    ScreenScene tooLarge = scene;
    tooLarge.screen = screen;
    const auto drawn = ScreenPicture::draw(tooLarge, {});
    ASSERT_FALSE(drawn) << screen.localizedName;
    EXPECT_EQ(drawn.error().localizedDescription,
              "The screen cannot be drawn: a picture has at most 16384 pixels on a side, at a "
              "scale above 0.");
  }
}

}  // namespace
