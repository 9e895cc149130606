#include "platform/Label.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/StackView.h"
#include "platform/TextMetrics.h"

namespace platform {
namespace {

// Space between the frame and the text, on either side.
constexpr double horizontalPadding = 2;

const char* alignmentName(TextAlignment alignment) {
  switch (alignment) {
    case TextAlignment::left:
      return "left";
    case TextAlignment::center:
      return "center";
    case TextAlignment::right:
      return "right";
    case TextAlignment::natural:
      return "natural";
  }
  return "natural";
}

TruncationPosition truncationPosition(LineBreakMode mode) {
  switch (mode) {
    case LineBreakMode::truncatingHead:
      return TruncationPosition::head;
    case LineBreakMode::truncatingMiddle:
      return TruncationPosition::middle;
    default:
      return TruncationPosition::tail;
  }
}

}  // namespace

Label::Label(Rect frame) : View(frame) {}

std::shared_ptr<Label> Label::labelWithString(std::string text) {
  auto label = std::make_shared<Label>();
  label->text_ = std::move(text);
  return label;
}

std::shared_ptr<Label> Label::wrappingLabelWithString(std::string text) {
  auto label = std::make_shared<Label>();
  label->text_ = std::move(text);
  label->lineBreakMode_ = LineBreakMode::wordWrapping;
  label->maximumNumberOfLines_ = 0;
  return label;
}

void Label::setText(std::string text) {
  text_ = std::move(text);
  contentChanged();
}

void Label::setFont(Font font) {
  font_ = font;
  contentChanged();
}

void Label::setTextColor(Color color) {
  textColor_ = std::move(color);
  changed();
}

void Label::setAlignment(TextAlignment alignment) {
  alignment_ = alignment;
  changed();
}

void Label::setLineBreakMode(LineBreakMode mode) {
  lineBreakMode_ = mode;
  contentChanged();
}

void Label::setMaximumNumberOfLines(std::size_t lines) {
  maximumNumberOfLines_ = lines;
  contentChanged();
}

bool Label::wraps() const {
  return lineBreakMode_ == LineBreakMode::wordWrapping ||
         lineBreakMode_ == LineBreakMode::charWrapping;
}

std::vector<std::string> Label::lines() const {
  const double width =
      frame().width > 0 ? std::max(0.0, frame().width - (2 * horizontalPadding)) : unboundedWidth;
  if (wraps()) {
    return wrappedLines(text_, font_, width, maximumNumberOfLines_,
                        lineBreakMode_ == LineBreakMode::charWrapping ? TextWrapping::byCharacters
                                                                      : TextWrapping::byWords);
  }
  auto result = wrappedLines(text_, font_, unboundedWidth, maximumNumberOfLines_);
  if (lineBreakMode_ != LineBreakMode::clipping) {
    const auto position = truncationPosition(lineBreakMode_);
    for (auto& line : result) {
      line = truncatedLine(line, font_, width, position);
    }
  }
  return result;
}

std::optional<Size> Label::intrinsicContentSize() const {
  return contentSize();
}

Size Label::contentSize() const {
  double widest = 0;
  for (const auto& line : wrappedLines(text_, font_, unboundedWidth, maximumNumberOfLines_)) {
    widest = std::max(widest, textWidth(line, font_));
  }
  return Size{std::ceil(widest) + (2 * horizontalPadding),
              lineHeight(font_) * static_cast<double>(lines().size())};
}

void Label::sizeToFit() {
  Size size = contentSize();
  if (wraps() && frame().width > 0) {
    size.width = frame().width;
  }
  setFrame({frame().x, frame().y, size.width, size.height});
}

void Label::describeProperties(ViewRecord& description) const {
  description.label = LabelRecord{text_, font_, textColor_, alignmentName(alignment_), lines()};
}

void Label::contentChanged() {
  changed();
  if (auto* stack = dynamic_cast<StackView*>(superview())) {
    stack->layout();
  }
}

}  // namespace platform
