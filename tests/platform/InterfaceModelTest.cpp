// The interface model's rules that the installer's and uninstaller's dialogs rely on and that the
// launcher's settings window and status menu do not reach.

#include <cairo.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "model/EmulatedDesktop.h"
#include "platform/Alert.h"
#include "platform/Bundle.h"
#include "platform/Button.h"
#include "platform/Image.h"
#include "platform/ImageView.h"
#include "platform/Label.h"
#include "platform/Menu.h"
#include "platform/PollEventLoop.h"
#include "platform/PopUpButton.h"
#include "platform/ProgressIndicator.h"
#include "platform/StackView.h"
#include "platform/Window.h"
#include "platform/WorkItem.h"
#include "support/DesktopProgram.h"
#include "support/TemporaryFolder.h"

namespace {

using namespace platform;
using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

TEST(TextModelTest, LabelsMeasureWrapAndTruncateTheirTextAndSizeToFitIt) {
  using enum LineBreakMode;
  struct Case {
    std::string text;
    Font font;
    LineBreakMode mode;
    std::size_t maxLines;  // 0: any number
    double frameWidth;     // 0: unbounded; the text gets 2 points less on either side
    Lines lines;
    Size fitted;  // the widest line rounded up and the padding, by ceil(1.2 * size) a line
  };
  // 0 9 .56 em, blank i l . ’ .28, m w .8, M W .86, ~ .6, É .66, e ā ß .52, a combining accent 0:
  // 8.94 em. A p p l y: 2.5 em. Medium draws 1.03 times as wide, bold 1.09.
  const std::string classes = "09 il.\u2019mM wW~\u00c9e\u0301\u0101\u00df";
  // At 10 points: one = 15.6, two = 18.4, three = 26, "one two" = 36.8, a to h 5.2, the ellipsis 6.
  const Font ten = Font::system(10);
  const std::vector<Case> cases = {
      {classes, Font::system(50), clipping, 1, 0, {classes}, {451, 60}},
      {"Apply", Font::system(40, FontWeight::medium), clipping, 1, 0, {"Apply"}, {107, 48}},
      {"Apply", Font::system(40, FontWeight::bold), clipping, 1, 0, {"Apply"}, {113, 48}},
      {"Apply", Font::system(11), clipping, 1, 0, {"Apply"}, {32, 14}},
      {"Apply", Font::system(15), clipping, 1, 0, {"Apply"}, {42, 18}},
      {"OK\nApply", ten, wordWrapping, 0, 0, {"OK", "Apply"}, {29, 24}},
      {"one two three", ten, wordWrapping, 0, 40.8, {"one two", "three"}, {40.8, 24}},
      {"one two three", ten, wordWrapping, 0, 40.7, {"one", "two", "three"}, {40.7, 36}},
      {"one two three", ten, wordWrapping, 2, 40.7, {"one", "two"}, {40.7, 24}},
      {"one\n\ntwo", ten, wordWrapping, 0, 100, {"one", "", "two"}, {100, 36}},
      {"x abcdefghij", ten, wordWrapping, 0, 24, {"x", "abc", "def", "ghij"}, {24, 48}},
      {"ab cd", ten, charWrapping, 0, 19, {"ab ", "cd"}, {19, 24}},
      {"e\u0301e\u0301", ten, charWrapping, 0, 10, {"e\u0301", "e\u0301"}, {10, 24}},
      {"abcdef", ten, truncatingTail, 1, 29, {"abc\u2026"}, {36, 12}},
      {"abcdef", ten, truncatingHead, 1, 29, {"\u2026def"}, {36, 12}},
      {"abcdef", ten, truncatingMiddle, 1, 29, {"ab\u2026f"}, {36, 12}},
      {"abcdef", ten, truncatingTail, 1, 35.2, {"abcdef"}, {36, 12}},
      {"abcdef", ten, truncatingTail, 1, 5, {"\u2026"}, {36, 12}},
      {"\u00e9\u00e9\u00e9\u00e9", ten, truncatingTail, 1, 21, {"\u00e9\u00e9\u2026"}, {25, 12}},
  };
  for (const Case& c : cases) {
    const auto label = Label::labelWithString(c.text);
    label->setFont(c.font);
    label->setLineBreakMode(c.mode);
    label->setMaximumNumberOfLines(c.maxLines);
    label->setFrame({16, 32, c.frameWidth, 0});
    EXPECT_EQ(label->describe().label.transform([](const LabelRecord& r) { return r.lines; }),
              c.lines)
        << c.text << " " << c.frameWidth;
    label->sizeToFit();
    EXPECT_EQ(label->frame(), (Rect{16, 32, c.fitted.width, c.fitted.height})) << c.text;
  }
  // A label shows one line of the 13-point system font, clipped; a wrapping label, any number.
  const auto label = Label::labelWithString("one two\nthree");
  label->setFrame({0, 0, 30, 0});
  EXPECT_EQ(label->lines(), Lines{"one two"});
  EXPECT_EQ(label->intrinsicContentSize(), (Size{52, 16}));  // 3.68 em
  const auto wrapping = Label::wrappingLabelWithString("one two three\nfour");
  wrapping->setFrame({0, 0, 80, 0});
  EXPECT_EQ(wrapping->lines(), (Lines{"one two", "three", "four"}));
}

// A real PNG file of the given pixel size, encoded by cairo.
void writePng(const std::filesystem::path& path, int width, int height) {
  const std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height), &cairo_surface_destroy);
  ASSERT_EQ(cairo_surface_write_to_png(surface.get(), path.c_str()), CAIRO_STATUS_SUCCESS);
}

// The head of a baseline JPEG file: start of image, a JFIF segment and a frame header of the given
// height and width (two bytes each) with three components.
std::string jpegHead(const std::string& frameSize) {
  return std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 20) +
         std::string("\xFF\xC0\x00\x11\x08", 5) + frameSize +
         std::string("\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01", 10);
}

TEST(ImageTest, FilesAreKnownByTheirContentsAndNamedImagesAreTheBundlesPngFiles) {
  const testsupport::TemporaryFolder folder;
  writePng(folder / "hero.png", 30, 20);
  const std::string png = testsupport::readFile(folder / "hero.png");
  const std::string jpeg = jpegHead(std::string("\x01\xE0\x02\x80", 4));
  const std::vector<std::tuple<std::string, std::string, std::optional<Size>>> files = {
      {"renamed.jpeg", png, Size{30, 20}},
      {"cut.png", png.substr(0, png.size() / 2), std::nullopt},
      {"photo.jpg", jpeg + std::string("\xFF\xD9", 2), Size{640, 480}},
      // Image data before any frame header, a frame of no pixels, a segment past the end.
      {"scan.jpg", std::string("\xFF\xD8\xFF\xDA\x00\x02", 6), std::nullopt},
      {"empty.jpg", jpegHead(std::string("\x00\x00\x02\x80", 4)), std::nullopt},
      {"short.jpg", jpeg.substr(0, 26), std::nullopt},
      {"notes.png", "not a picture\n", std::nullopt},
      {"blank.png", "", std::nullopt},
  };
  for (const auto& [name, contents, size] : files) {
    testsupport::writeFile(folder / name, contents);
    const auto image = Image::contentsOfFile(folder / name);
    EXPECT_EQ(image ? std::optional(image->size()) : std::nullopt, size) << name;
  }
  EXPECT_EQ(Image::contentsOfFile(folder / "missing.png"), nullptr);
  EXPECT_EQ(Image::contentsOfFile(folder.path()), nullptr);
  const auto bundle = Bundle::forExecutable(folder / "Installer");
  EXPECT_EQ(Image::named("hero", bundle)->describe().file, (folder / "hero.png").string());
  for (const char* name : {"photo", "cut", "uninstaller-hero"}) {
    EXPECT_EQ(Image::named(name, bundle), nullptr) << name;
  }
  // An unknown symbol gives none, so that the caller can show something else.
  EXPECT_EQ(Image::systemSymbol("bolt.circle", std::nullopt), nullptr);
}

TEST(ViewTreeTest, AViewHasOneOwningSuperviewNeitherItselfNorADescendantFoundDepthFirst) {
  const auto root = std::make_shared<View>();
  const auto other = std::make_shared<View>();
  auto child = std::make_shared<View>();
  const auto label = Label::labelWithString("apply");
  root->addSubview(child);
  root->addSubview(label);
  other->addSubview(child);
  other->addSubview(label);
  other->addSubview(child);  // to the top again
  EXPECT_TRUE(root->subviews().empty());
  EXPECT_EQ(other->subviews(), (std::vector<std::shared_ptr<View>>{label, child}));
  const auto grandchild = std::make_shared<View>();
  child->addSubview(grandchild);
  grandchild->addSubview(other);
  child->addSubview(child);
  EXPECT_EQ(other->superview(), nullptr);
  EXPECT_EQ(child->subviews(), std::vector<std::shared_ptr<View>>{grandchild});

  // Identifiers first, depth first, then titles and texts.
  const auto later = std::make_shared<View>();
  other->addSubview(later);
  grandchild->setIdentifier("apply");
  later->setIdentifier("apply");
  EXPECT_EQ(other->findView("apply"), grandchild.get());
  grandchild->setIdentifier("");
  later->setIdentifier("");
  EXPECT_EQ(other->findView("apply"), label.get());

  // Taken out, a view only its superview held goes; a view forgets a superview that went.
  const std::weak_ptr<View> watched = child;
  child.reset();
  watched.lock()->removeFromSuperview();
  EXPECT_TRUE(watched.expired());
  EXPECT_EQ(grandchild->superview(), nullptr);
}

// A view that takes the keyboard focus unless told otherwise and records the keys it gets.
class FocusView : public View {
 public:
  explicit FocusView(std::string identifier) { setIdentifier(std::move(identifier)); }
  bool acceptsFirstResponder() const override { return true; }
  bool becomeFirstResponder() override { return takesFocus; }
  bool resignFirstResponder() override {
    ++resigns;
    return givesUpFocus;
  }
  void keyDown(const KeyEvent& event) override { keys.push_back(event.keyCode); }

  bool takesFocus = true;
  bool givesUpFocus = true;
  int resigns = 0;
  std::vector<std::uint16_t> keys;
};

// A program of this test on the in-process desktop, with a titled window of 560 by 480 points
// holding two views that take the focus, a plain view and an Apply button that Return presses.
class InterfaceOnDesktopTest : public testing::Test {
 protected:
  InterfaceOnDesktopTest() {
    for (const auto& view : std::vector<std::shared_ptr<View>>{field, other, plain, apply}) {
      window.contentView()->addSubview(view);
    }
    apply->setKeyEquivalent("\r");
    apply->setAction([this](Control& /*sender*/) { ++applied; });
    // Should an alert never be answered, it is closed after a while, so that the test fails
    // instead of hanging.
    loop.asyncAfter(10s, std::make_shared<WorkItem>([this] {
                      if (Alert* shown = program.application.modalAlert()) {
                        shown->dismiss();
                      }
                    }));
  }

  EmulatedDesktop desktop;
  PollEventLoop loop;
  testsupport::DesktopProgram program{desktop, loop, 4301, "com.quorrel.uninstaller"};
  Window window{Rect{0, 0, 560, 480}, windowStyle::titled, BackingStore::buffered, false,
                program.application};
  std::shared_ptr<FocusView> field = std::make_shared<FocusView>("field");
  std::shared_ptr<FocusView> other = std::make_shared<FocusView>("other");
  std::shared_ptr<View> plain = std::make_shared<View>();
  std::shared_ptr<Button> apply = Button::pushButton("Apply");
  int applied = 0;
};

TEST_F(InterfaceOnDesktopTest, EveryChangeToAShownViewReachesTheDesktop) {
  const auto label = Label::labelWithString("Apply");
  plain->addSubview(label);
  window.makeKeyAndOrderFront();
  const Rect moved{1, 2, 3, 4};
  const std::vector<std::function<void()>> changes = {
      [&] { plain->setFrame(moved); },
      [&] { plain->setHidden(true); },
      [&] { plain->setAlphaValue(0.5); },
      [&] { plain->setIdentifier("section"); },
      [&] { plain->setWantsLayer(true); },
      [&] { plain->layer().cornerRadius = 12; },
      [&] { label->setText("Applied"); },
      [&] { label->setTextColor(Color::named("systemGreen")); },
      [&] { label->setFont(Font::system(12, FontWeight::medium)); },
      [&] { label->removeFromSuperview(); },
  };
  for (std::size_t index = 0; index < changes.size(); ++index) {
    loop.runUntilIdle();
    const ScreenContents before = desktop.describeScreen();
    changes[index]();
    loop.runUntilIdle();
    EXPECT_NE(desktop.describeScreen(), before) << "change " << index;
  }
}

TEST_F(InterfaceOnDesktopTest, TheFocusMovesOnlyWhenBothViewsAgreeAndLeavesWithItsSubtree) {
  EXPECT_TRUE(window.makeFirstResponder(field.get()));
  EXPECT_FALSE(window.makeFirstResponder(plain.get()));
  EXPECT_FALSE(window.makeFirstResponder(std::make_shared<FocusView>("stranger").get()));
  field->givesUpFocus = false;
  EXPECT_FALSE(window.makeFirstResponder(other.get()));
  EXPECT_EQ(window.firstResponder(), field.get());
  // Given up but not taken: nobody has the focus.
  field->givesUpFocus = true;
  other->takesFocus = false;
  EXPECT_FALSE(window.makeFirstResponder(other.get()));
  EXPECT_EQ(window.firstResponder(), nullptr);

  other->takesFocus = true;
  plain->addSubview(other);
  EXPECT_TRUE(window.click("other"));
  EXPECT_EQ(window.describe().firstResponder, "other");
  plain->removeFromSuperview();
  EXPECT_EQ(window.firstResponder(), nullptr);
  EXPECT_EQ(other->resigns, 1);
  ASSERT_TRUE(window.makeFirstResponder(field.get()));
  apply->removeFromSuperview();
  EXPECT_EQ(window.firstResponder(), field.get());
}

TEST_F(InterfaceOnDesktopTest, ClicksReachShownControlsAndReturnTheEnabledDefaultButton) {
  constexpr std::uint16_t returnKey = 36;
  const auto download = Button::pushButton("Open Download Page");
  download->setHidden(true);
  window.contentView()->addSubview(download);
  // Without a focused view Return still presses the default button; other keys go nowhere.
  EXPECT_TRUE(window.keyDown({returnKey, 0, false}));
  EXPECT_FALSE(window.keyDown({11, modifierFlag::command, false}));
  EXPECT_TRUE(window.click("field"));
  EXPECT_TRUE(window.click("Apply"));
  EXPECT_FALSE(window.click("Open Download Page"));
  EXPECT_EQ(window.firstResponder(), field.get());
  // Caps Lock is no modifier; with command, Return is the focused view's key.
  EXPECT_TRUE(window.keyDown({returnKey, modifierFlag::capsLock, false}));
  EXPECT_TRUE(window.keyDown({returnKey, modifierFlag::command, false}));
  apply->setEnabled(false);
  EXPECT_TRUE(window.click("Apply"));
  EXPECT_TRUE(window.keyDown({returnKey, 0, false}));
  EXPECT_EQ(applied, 3);
  EXPECT_EQ(field->keys, (std::vector<std::uint16_t>{returnKey, returnKey}));
}

TEST_F(InterfaceOnDesktopTest, WindowsCentreOnTheFirstScreenAndAReleasedOneLeavesOnClose) {
  ASSERT_TRUE(desktop.setScreens({}));
  window.center();
  EXPECT_EQ(window.frame(), (Rect{0, 0, 560, 480 + Window::titleBarHeight}));
  ASSERT_TRUE(desktop.setScreens(
      {{"Built-in", 1, {0, 0, 1440, 900}, 2.0}, {"Studio", 2, {1440, 0, 2560, 1440}, 1.0}}));
  window.center();
  EXPECT_EQ(window.frame(), (Rect{440, 196, 560, 508}));
  window.makeKeyAndOrderFront();
  loop.runUntilIdle();
  EXPECT_TRUE(desktop.click("Apply"));
  EXPECT_FALSE(desktop.click("Cancel"));
  EXPECT_FALSE(desktop.select("Deutsch"));
  window.orderOut();
  loop.runUntilIdle();
  EXPECT_FALSE(desktop.click("Apply")) << "a window off screen takes no clicks";
  window.setReleasedWhenClosed(true);
  window.makeKeyAndOrderFront();
  window.close();
  EXPECT_TRUE(program.application.windows().empty());
}

TEST(ControlsTest, ACheckboxTogglesBeforeItsActionAndDisabledControlsAndItemsIgnoreClicks) {
  const auto checkbox = Button::checkbox("Remember");
  const auto push = Button::pushButton("Apply");
  std::vector<ControlState> seen;
  for (const auto& button : {checkbox, push}) {
    button->setAction(
        [&seen](Control& sender) { seen.push_back(dynamic_cast<Button&>(sender).state()); });
  }
  checkbox->setState(ControlState::mixed);
  checkbox->mouseDown();
  push->performClick();
  for (const auto& button : {checkbox, push}) {
    button->setEnabled(false);
    button->performClick();
    button->mouseDown();
  }
  EXPECT_EQ(seen, (std::vector{ControlState::on, ControlState::off}));
  Menu menu;
  menu.addItem(
          "Ferrolin Launcher", [&seen] { seen.clear(); }, "")
      .setEnabled(false);
  EXPECT_FALSE(menu.chooseItem("Ferrolin Launcher"));
  EXPECT_EQ(seen.size(), 2U);
}

TEST(ControlsTest, APopUpSelectsOneOfItsItemsWhoseTitlesAreUnique) {
  PopUpButton popUp;
  int actions = 0;
  popUp.setAction([&actions](Control& /*sender*/) { ++actions; });
  // An item with a title already there replaces the old one; the first item is selected.
  popUp.addItems({"Studio", "Office", "Studio", "Home"});
  EXPECT_EQ(popUp.itemTitles(), (Lines{"Office", "Studio", "Home"}));
  EXPECT_EQ(popUp.titleOfSelectedItem(), "Office");
  popUp.itemAt(1)->setRepresentedObject("index:1");
  EXPECT_TRUE(popUp.chooseItem("Studio"));
  EXPECT_FALSE(popUp.chooseItem("Garage"));
  EXPECT_EQ(popUp.selectedItem()->representedObject(), "index:1");
  for (const int index : {-1, 3}) {
    popUp.selectItem(index);
    EXPECT_EQ(
        popUp.describe().popUp.transform([](const PopUpRecord& r) { return r.selectedIndex; }), -1)
        << index;
  }
  popUp.setEnabled(false);
  EXPECT_FALSE(popUp.chooseItem("Office"));
  EXPECT_EQ(actions, 1);
}

// The uninstaller's first dialog.
void addChoices(Alert& alert) {
  alert.setMessageText("Remove Ferrolin");
  for (const char* title : {"Remove App and Keep Data", "Remove App and Data", "Cancel"}) {
    alert.addButton(title);
  }
}

TEST_F(InterfaceOnDesktopTest, AnAlertAnswersByItsButtonsInOrderOrNoneOnEscapeOrQuit) {
  window.makeKeyAndOrderFront();
  // A button's title, or none for Escape.
  for (const auto& [choice, response] : std::vector<std::pair<std::string, ModalResponse>>{
           {"Remove App and Keep Data", Alert::firstButtonReturn},
           {"Remove App and Data", Alert::secondButtonReturn},
           {"Cancel", Alert::thirdButtonReturn},
           {"", Alert::abortResponse}}) {
    Alert alert(program.application);
    addChoices(alert);
    EXPECT_FALSE(alert.dismiss());
    alert.clickButton("Cancel");  // not running yet: no answer
    desktop.whenAlertAppears([&](EmulatedDesktop& user) {
      EXPECT_EQ(program.application.modalAlert(), &alert);
      // The window behind the alert takes no input meanwhile.
      EXPECT_FALSE(user.click("Apply"));
      user.key("return");
      EXPECT_TRUE(choice.empty() ? user.dismissAlert() : user.click(choice));
    });
    EXPECT_EQ(alert.runModal(), response) << choice;
    EXPECT_EQ(program.application.modalAlert(), nullptr);
    EXPECT_TRUE(desktop.describeScreen().alerts.empty());
  }
  EXPECT_EQ(applied, 0);
  // The modal run keeps the loop's timers going.
  Alert alert(program.application);
  loop.asyncAfter(1ms, std::make_shared<WorkItem>([this] { program.application.terminate(); }));
  EXPECT_EQ(alert.runModal(), Alert::abortResponse);
}

// The installer's first dialog: a column of a picture, the steps, a row of controls, a checkbox and
// a hint that is hidden once the picture is found. Labels are 13-point, 16 high.
TEST_F(InterfaceOnDesktopTest, TheDesktopUsesAStackedAccessoryAndAnswersAlertsRunFromABlock) {
  Alert alert(program.application);
  addChoices(alert);
  const auto column = std::make_shared<StackView>(Rect{0, 0, 200, 300});
  column->setOrientation(StackOrientation::vertical);
  column->setAlignment(StackAlignment::leading);
  column->activateWidthConstraint(200);
  const auto picture = std::make_shared<ImageView>();
  picture->setImage(Image::systemSymbol("trash", "Remove"));
  picture->activateWidthConstraint(200);
  picture->activateHeightConstraint(100);
  const auto steps =
      Label::wrappingLabelWithString("1. The launcher\n2. Start at login for faster access");
  const auto row = std::make_shared<StackView>();
  const auto language = Label::labelWithString("Language");
  const auto popUp = std::make_shared<PopUpButton>(Rect{0, 0, 60, 28});
  popUp->addItems({"English", "Français"});
  const auto progress = std::make_shared<ProgressIndicator>(Rect{0, 0, 50, 18});
  progress->setIndeterminate(false);
  progress->setDoubleValue(0.25);
  for (const auto& view : std::vector<std::shared_ptr<View>>{language, popUp, progress}) {
    row->addArrangedSubview(view);
  }
  const auto remember = Button::checkbox("Remember");
  const auto hint = Label::labelWithString("Image placeholder");
  hint->setHidden(true);
  for (const auto& view : std::vector<std::shared_ptr<View>>{picture, steps, row, remember, hint}) {
    column->addArrangedSubview(view);
  }
  alert.setAccessoryView(column);
  // Choosing a language words the open alert anew.
  popUp->setAction([&alert](Control& /*sender*/) { alert.setMessageText("Supprimer Ferrolin"); });
  std::string screen;
  desktop.whenAlertAppears([this, &screen](EmulatedDesktop& user) {
    screen = user.renderText();
    EXPECT_TRUE(user.select("Français"));
    EXPECT_FALSE(user.select("Deutsch"));
    EXPECT_TRUE(user.click("Remember"));
    // Answered once the modal run has handled the selection and shown its result.
    loop.async([this, &user] {
      loop.async([&user] {
        EXPECT_EQ(user.describeScreen().alerts[0].element.messageText, "Supprimer Ferrolin");
        EXPECT_TRUE(user.click("Remove App and Data"));
      });
    });
  });
  desktop.whenAlertAppears([](EmulatedDesktop& user) { EXPECT_TRUE(user.click("OK")); });
  std::vector<ModalResponse> responses;
  // The result follows the choice at once, from inside a block.
  loop.async([&] {
    responses.push_back(alert.runModal());
    Alert result(program.application);
    result.setMessageText("Ferrolin uninstalled");
    responses.push_back(result.runModal());
  });
  loop.runUntil([&] { return responses.size() == 2; }, 20s);
  EXPECT_EQ(responses, (std::vector{Alert::secondButtonReturn, Alert::firstButtonReturn}));
  EXPECT_EQ(popUp->titleOfSelectedItem(), "Français");
  EXPECT_EQ(remember->state(), ControlState::on);
  // The steps wrap at 196 after "faster"; "Language" is 4.3 em, "Remember" 4.86.
  EXPECT_EQ(screen.substr(screen.find("Alerts:")),
            "Alerts:\n"
            "  warning \"Remove Ferrolin\" of com.quorrel.uninstaller\n"
            "    \"\"\n"
            "    buttons: [Remove App and Keep Data] [Remove App and Data] [Cancel]\n"
            "    stackView [0,0,200,300]\n"
            "      imageView image trash [0,200,200,100]\n"
            "      label \"1. The launcher\\n2. Start at login for faster access\" [0,144,200,48]\n"
            "      stackView [0,108,186,28]\n"
            "        label \"Language\" [0,6,60,16]\n"
            "        popUpButton {English* | Français} [68,0,60,28]\n"
            "        progressIndicator value 0.25 [136,5,50,18]\n"
            "      button \"Remember\" [off] [0,82,82,18]\n"
            "      label \"Image placeholder\" (hidden) [0,0,0,0]\n"
            "Notifications:\n");
  EXPECT_EQ(column->fittingSize(), (Size{200, 100 + 8 + 48 + 8 + 28 + 8 + 18}));

  // New texts lay the column out again, also through the row; a view taken out is not arranged.
  steps->setText("1. Short");
  EXPECT_EQ(steps->frame(), (Rect{0, 176, 55, 16}));
  language->setText("Idioma");  // 3.3 em
  EXPECT_EQ(row->frame(), (Rect{0, 140, 47 + 8 + 60 + 8 + 50, 28}));
  EXPECT_EQ(popUp->frame().x, 55);
  row->setAlignment(StackAlignment::top);
  EXPECT_EQ(language->frame().y, 12);
  row->setAlignment(StackAlignment::bottom);
  EXPECT_EQ(language->frame().y, 0);
  steps->removeFromSuperview();
  column->layout();
  EXPECT_EQ(column->arrangedSubviews().size(), 4U);
  EXPECT_EQ(row->frame().y, 164);
}

TEST_F(InterfaceOnDesktopTest, AnAlertIsSizedToItsContentWhenLaidOut) {
  Alert alert(program.application);
  addChoices(alert);
  alert.layout();
  // 20 of margin round a column of at least 260: the icon, 12, the message, 20, the buttons.
  const Size bare{300, 20 + 64 + 12 + 16 + 20 + 24 + 20};
  EXPECT_EQ(alert.size(), bare);
  alert.setInformativeText("This removes Ferrolin and its launcher.\nYou can keep your settings.");
  alert.setAccessoryView(std::make_shared<View>(Rect{0, 0, 520, 340}));
  EXPECT_EQ(alert.size(), bare);
  alert.layout();
  EXPECT_EQ(alert.size(), (Size{520 + 40, bare.height + 6 + 28 + 12 + 340}));
}

}  // namespace
