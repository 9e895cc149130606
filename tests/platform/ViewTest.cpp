#include "platform/View.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/AnimationContext.h"
#include "platform/EventLoop.h"
#include "platform/Image.h"
#include "platform/ImageView.h"
#include "platform/Label.h"
#include "platform/ProgressIndicator.h"
#include "platform/StackView.h"
#include "platform/VisualEffectView.h"

namespace {

using namespace std::chrono_literals;
using platform::Color;
using platform::Font;
using platform::FontWeight;
using platform::ImageView;
using platform::Label;
using platform::Rect;
using platform::StackAlignment;
using platform::StackOrientation;
using platform::StackView;
using platform::View;

// A window's part as the views see it: counts the change notices and keeps the focus.
class RecordingHost : public platform::ViewHost {
 public:
  void viewTreeChanged() override { ++changes; }
  bool makeFirstResponder(View* view) override {
    responder = view;
    return true;
  }
  View* firstResponder() const override { return responder; }

  int changes = 0;
  View* responder = nullptr;
};

std::vector<View*> subviewPointers(const View& view) {
  std::vector<View*> pointers;
  for (const auto& subview : view.subviews()) {
    pointers.push_back(subview.get());
  }
  return pointers;
}

TEST(ViewTreeTest, AddingMovesAViewOutOfItsOldSuperview) {
  const auto first = std::make_shared<View>();
  const auto second = std::make_shared<View>();
  const auto child = std::make_shared<View>();
  const auto sibling = std::make_shared<View>();

  first->addSubview(child);
  first->addSubview(sibling);
  EXPECT_EQ(child->superview(), first.get());
  EXPECT_EQ(subviewPointers(*first), (std::vector<View*>{child.get(), sibling.get()}));

  second->addSubview(child);
  EXPECT_EQ(child->superview(), second.get());
  EXPECT_EQ(subviewPointers(*first), std::vector<View*>{sibling.get()});
  EXPECT_EQ(subviewPointers(*second), std::vector<View*>{child.get()});

  // Adding again to the same superview brings the view to the top.
  second->addSubview(sibling);
  second->addSubview(child);
  EXPECT_EQ(subviewPointers(*second), (std::vector<View*>{sibling.get(), child.get()}));
}

TEST(ViewTreeTest, RemovingReleasesAViewOnlyItsSuperviewHeld) {
  const auto parent = std::make_shared<View>();
  std::weak_ptr<View> watched;
  {
    auto child = std::make_shared<View>();
    watched = child;
    parent->addSubview(std::move(child));
  }
  ASSERT_FALSE(watched.expired());
  watched.lock()->removeFromSuperview();
  EXPECT_TRUE(watched.expired());
  EXPECT_TRUE(parent->subviews().empty());
}

TEST(ViewTreeTest, RefusesCyclesAndForgetsADestroyedSuperview) {
  const auto child = std::make_shared<View>();
  {
    const auto parent = std::make_shared<View>();
    const auto grandchild = std::make_shared<View>();
    parent->addSubview(child);
    child->addSubview(grandchild);

    grandchild->addSubview(parent);
    child->addSubview(child);
    EXPECT_EQ(parent->superview(), nullptr);
    EXPECT_EQ(subviewPointers(*child), std::vector<View*>{grandchild.get()});
  }
  EXPECT_EQ(child->superview(), nullptr);
}

TEST(ViewTreeTest, EverySetterTellsTheHostOfTheTree) {
  RecordingHost host;
  const auto root = std::make_shared<View>();
  const auto child = std::make_shared<View>();
  const auto label = Label::labelWithString("Apply");
  root->setHost(&host);
  root->addSubview(child);
  child->addSubview(label);
  EXPECT_EQ(label->host(), &host);

  const std::vector<std::function<void()>> setters = {
      [&] {
        child->setFrame({1, 2, 3, 4});
      },
      [&] { child->setHidden(true); },
      [&] { child->setAlphaValue(0.5); },
      [&] { child->setAutoresizingMask(platform::autoresizing::widthSizable); },
      [&] { child->setIdentifier("panel"); },
      [&] { child->setWantsLayer(true); },
      [&] { child->layer().cornerRadius = 12; },
      [&] { child->setTranslatesAutoresizingMaskIntoConstraints(false); },
      [&] { child->activateWidthConstraint(520); },
      [&] { child->activateHeightConstraint(190); },
      [&] { label->setText("Applied"); },
      [&] { label->setTextColor(Color::named("systemGreen")); },
      [&] { label->setFont(Font::system(12, FontWeight::medium)); },
  };
  for (std::size_t index = 0; index < setters.size(); ++index) {
    const int before = host.changes;
    setters[index]();
    EXPECT_GT(host.changes, before) << "setter " << index;
  }

  // A view out of the tree tells nobody; taking it out tells the tree it left.
  const int before = host.changes;
  child->removeFromSuperview();
  EXPECT_EQ(host.changes, before + 1);
  EXPECT_EQ(label->host(), nullptr);
  label->setText("Elsewhere");
  EXPECT_EQ(host.changes, before + 1);
}

TEST(ViewTreeTest, RemovingTheFocusedSubtreeTakesTheFocusAway) {
  RecordingHost host;
  const auto root = std::make_shared<View>();
  const auto section = std::make_shared<View>();
  const auto field = std::make_shared<View>();
  const auto other = std::make_shared<View>();
  root->setHost(&host);
  root->addSubview(section);
  root->addSubview(other);
  section->addSubview(field);

  host.responder = other.get();
  section->removeFromSuperview();
  EXPECT_EQ(host.responder, other.get());

  root->addSubview(section);
  host.responder = field.get();
  section->removeFromSuperview();
  EXPECT_EQ(host.responder, nullptr);
}

TEST(ViewTreeTest, FindsByIdentifierBeforeText) {
  const auto root = std::make_shared<View>();
  const auto section = std::make_shared<View>();
  const auto textMatch = Label::labelWithString("applyButton");
  const auto deep = std::make_shared<View>();
  const auto later = Label::labelWithString("Apply");
  deep->setIdentifier("applyButton");
  root->addSubview(textMatch);
  root->addSubview(section);
  section->addSubview(deep);
  root->addSubview(later);

  EXPECT_EQ(root->findView("applyButton"), deep.get());
  EXPECT_EQ(root->findView("Apply"), later.get());
  EXPECT_EQ(section->findView("Apply"), nullptr);
  EXPECT_EQ(root->findView("missing"), nullptr);
  EXPECT_EQ(root->findView(""), nullptr);

  // Depth first: the first match in drawing order wins.
  const auto first = std::make_shared<View>();
  const auto nested = std::make_shared<View>();
  first->addSubview(nested);
  nested->setIdentifier("twin");
  later->setIdentifier("twin");
  root->addSubview(first);
  EXPECT_EQ(root->findView("twin"), later.get());
}

TEST(ViewDescriptionTest, DescribesATreeWithLayersAndKinds) {
  const auto root = std::make_shared<platform::VisualEffectView>(Rect{0, 0, 560, 480});
  root->setMaterial(21);
  root->setState(1);
  const auto section = std::make_shared<View>(Rect{24, 268, 512, 108});
  auto& layer = section->layer();
  layer.cornerRadius = 12;
  layer.borderWidth = 1;
  layer.borderColor = Color::named("separatorColor").withAlpha(0.25);
  layer.contents = platform::Image::systemSymbol("trash", std::nullopt);
  layer.contentsGravity = platform::ContentsGravity::resizeAspectFill;
  layer.contentsScale = 2;
  const auto label = Label::labelWithString("Shortcut");
  label->setIdentifier("shortcutLabel");
  label->setFont(Font::system(13, FontWeight::semibold));
  label->setFrame({18, 76, 120, 20});
  const auto bar = std::make_shared<platform::ProgressIndicator>(Rect{26, 96, 400, 18});
  bar->setIndeterminate(false);
  bar->setMaxValue(1);
  bar->setDoubleValue(0.02);
  bar->setHidden(true);
  root->addSubview(section);
  section->addSubview(label);
  root->addSubview(bar);

  const nlohmann::json expected = R"({
    "identifier": "", "kind": "visualEffectView", "frame": [0, 0, 560, 480], "hidden": false,
    "alpha": 1.0, "material": 21, "blendingMode": 0, "state": 1,
    "subviews": [
      {"identifier": "", "kind": "view", "frame": [24, 268, 512, 108], "hidden": false,
       "alpha": 1.0,
       "layer": {"cornerRadius": 12.0, "borderWidth": 1.0,
                 "borderColor": {"role": "separatorColor", "alpha": 0.25},
                 "backgroundColor": null, "masksToBounds": false,
                 "contents": {"symbol": "trash", "accessibilityDescription": null,
                              "template": false},
                 "contentsGravity": "resizeAspectFill", "contentsScale": 2.0},
       "subviews": [
         {"identifier": "shortcutLabel", "kind": "label", "frame": [18, 76, 120, 20],
          "hidden": false, "alpha": 1.0, "text": "Shortcut",
          "font": {"size": 13.0, "weight": "semibold"},
          "textColor": {"role": "labelColor", "alpha": 1.0}, "alignment": "natural",
          "lines": ["Shortcut"]}]},
      {"identifier": "", "kind": "progressIndicator", "frame": [26, 96, 400, 18], "hidden": true,
       "alpha": 1.0, "style": "bar", "indeterminate": false, "minValue": 0.0, "maxValue": 1.0,
       "doubleValue": 0.02, "controlSize": "regular", "animating": false}]
  })"_json;
  EXPECT_EQ(root->describe(), expected) << root->describe().dump(2);
}

// The onboarding column of the installer's first dialog: picture, headline, numbered steps, the
// language row, and a hint that is hidden once the picture is found.
TEST(StackViewTest, ColumnPlacesViewsFromTheTopWithTheirSizes) {
  const auto column = std::make_shared<StackView>(Rect{0, 0, 520, 380});
  column->setOrientation(StackOrientation::vertical);
  column->setAlignment(StackAlignment::leading);
  column->setSpacing(8);
  column->setTranslatesAutoresizingMaskIntoConstraints(false);

  const auto picture = std::make_shared<ImageView>(Rect{0, 0, 520, 190});
  picture->setImage(platform::Image::systemSymbol("sparkles.rectangle.stack", std::nullopt));
  picture->activateWidthConstraint(520);
  picture->activateHeightConstraint(190);
  const auto headline = Label::labelWithString("What You Get");
  headline->setFont(Font::system(13, FontWeight::semibold));
  const auto steps = Label::wrappingLabelWithString(
      "1. Launcher added to ~/Applications/Ferrolin.app\n"
      "2. Main app stored in ~/Library/Application Support/Ferrolin\n"
      "3. Optional auto-start at login for faster access, with a line long enough to wrap onto a "
      "second line");
  steps->setFont(Font::system(12));
  const auto row = std::make_shared<StackView>();
  row->setSpacing(10);
  const auto languageLabel = Label::labelWithString("Display language");
  languageLabel->setFont(Font::system(12, FontWeight::semibold));
  const auto popup = std::make_shared<View>(Rect{0, 0, 160, 28});
  row->addArrangedSubview(languageLabel);
  row->addArrangedSubview(popup);
  const auto hint = Label::labelWithString("Image placeholder: add installer-hero.");
  hint->setHidden(true);

  for (const auto& view : std::vector<std::shared_ptr<View>>{picture, headline, steps, row, hint}) {
    column->addArrangedSubview(view);
  }
  column->activateWidthConstraint(520);

  // "Display language" is 7.5 em wide: 12 * 7.5 * 1.06 = 95.4, so the label is 100 by 15.
  const double labelWidth = 100;
  EXPECT_EQ(languageLabel->frame(), (Rect{0, 6.5, labelWidth, 15}));
  EXPECT_EQ(popup->frame(), (Rect{labelWidth + 10, 0, 160, 28}));
  const double rowWidth = labelWidth + 10 + 160;

  EXPECT_EQ(picture->frame(), (Rect{0, 190, 520, 190}));
  EXPECT_EQ(headline->frame(), (Rect{0, 166, 92, 16}));
  // Three paragraphs, the last one wrapped once at the column's width: four lines of 15.
  EXPECT_EQ(steps->frame(), (Rect{0, 98, 520, 60}));
  EXPECT_EQ(steps->lines().size(), 4U);
  EXPECT_EQ(row->frame(), (Rect{0, 62, rowWidth, 28}));
  EXPECT_EQ(hint->frame(), (Rect{}));
  EXPECT_EQ(column->fittingSize(), (platform::Size{520, 190 + 8 + 16 + 8 + 60 + 8 + 28}));

  // New texts lay the column out again, also through the nested row.
  steps->setText("1. Short");
  EXPECT_EQ(steps->frame(), (Rect{0, 143, 51, 15}));
  EXPECT_EQ(row->frame().y, 107);
  languageLabel->setText("Idioma de la interfaz");
  EXPECT_GT(row->frame().width, rowWidth);
  EXPECT_EQ(popup->frame().x, languageLabel->frame().width + 10);

  // A view taken out of the stack is no longer arranged.
  headline->removeFromSuperview();
  column->layout();
  EXPECT_EQ(column->arrangedSubviews().size(), 4U);
  EXPECT_EQ(steps->frame().y, 167);
}

TEST(StackViewTest, RowAlignsAcrossAndAdvancesToTheRight) {
  const auto row = std::make_shared<StackView>(Rect{0, 0, 300, 40});
  const auto small = std::make_shared<View>(Rect{0, 0, 20, 10});
  const auto tall = std::make_shared<View>(Rect{0, 0, 30, 50});
  row->setSpacing(5);
  row->addArrangedSubview(small);
  row->addArrangedSubview(tall);
  EXPECT_EQ(small->frame(), (Rect{0, 15, 20, 10}));
  // Taller than the row: limited to its height.
  EXPECT_EQ(tall->frame(), (Rect{25, 0, 30, 40}));

  row->setAlignment(StackAlignment::top);
  EXPECT_EQ(small->frame(), (Rect{0, 30, 20, 10}));
  row->setAlignment(StackAlignment::bottom);
  EXPECT_EQ(small->frame(), (Rect{0, 0, 20, 10}));
  EXPECT_EQ(row->fittingSize(), (platform::Size{55, 40}));
}

TEST(AnimationContextTest, AppliesChangesAtOnceAndCompletesOnTheLoopLater) {
  platform::EventLoop loop;
  const auto toast = Label::labelWithString("Applied");
  toast->setAlphaValue(0);
  std::vector<std::string> order;

  platform::AnimationContext::runAnimationGroup(
      loop, 0.05, [&] { toast->setAlphaValue(1); }, [&] { order.emplace_back("completed"); });
  EXPECT_EQ(toast->alphaValue(), 1);
  loop.async([&] { order.emplace_back("queued block"); });
  loop.runUntilIdle();
  EXPECT_EQ(order, std::vector<std::string>{"queued block"});

  EXPECT_TRUE(loop.runUntil([&] { return order.size() == 2; }, 10s));
  EXPECT_EQ(order, (std::vector<std::string>{"queued block", "completed"}));
}

}  // namespace
