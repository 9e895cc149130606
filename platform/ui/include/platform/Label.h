#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Appearance.h"
#include "platform/View.h"

namespace platform {

enum class TextAlignment { left, center, right, natural };

enum class LineBreakMode {
  wordWrapping,
  charWrapping,
  clipping,
  truncatingHead,
  truncatingTail,
  truncatingMiddle,
};

// A text field in label style: static, not editable or selectable, drawn without bezel or
// background. Its text is laid out by the text model of TextMetrics.h inside its frame, less two
// points of padding on either side. A label directly in a stack view has the stack lay out again
// when its size may have changed.
class Label : public View {
 public:
  explicit Label(Rect frame = {});

  // A one-line label that clips what does not fit.
  static std::shared_ptr<Label> labelWithString(std::string text);
  // A label that wraps by words, with no limit on the number of lines.
  static std::shared_ptr<Label> wrappingLabelWithString(std::string text);

  const std::string& text() const { return text_; }
  void setText(std::string text);
  // The system font at 13 points, regular, unless changed.
  const Font& font() const { return font_; }
  void setFont(Font font);
  // "labelColor" unless changed.
  const Color& textColor() const { return textColor_; }
  void setTextColor(Color color);
  TextAlignment alignment() const { return alignment_; }
  void setAlignment(TextAlignment alignment);
  LineBreakMode lineBreakMode() const { return lineBreakMode_; }
  void setLineBreakMode(LineBreakMode mode);
  // 0: no limit.
  std::size_t maximumNumberOfLines() const { return maximumNumberOfLines_; }
  void setMaximumNumberOfLines(std::size_t lines);

  // The lines as drawn in the current frame: wrapped or truncated to its width (unbounded while
  // the frame has no width), at most maximumNumberOfLines of them.
  std::vector<std::string> lines() const;

  // Width: the widest line it shows, unwrapped, rounded up, plus the padding; height: one line
  // height for each line drawn in the current frame.
  std::optional<Size> intrinsicContentSize() const override;
  // Sets the frame's size to the intrinsic size; a wrapping label that has a width keeps it and
  // takes the height of its wrapped lines.
  void sizeToFit();

  std::string kind() const override { return "label"; }
  std::string addressableText() const override { return text_; }

 protected:
  // "text", "font": {"size", "weight"}, "textColor": {"role", "alpha"}, "alignment", "lines".
  void describeProperties(ViewRecord& description) const override;

 private:
  bool wraps() const;
  Size contentSize() const;
  // Tells the host, and a stack view holding the label, that its content changed.
  void contentChanged();

  std::string text_;
  Font font_ = Font::system(13);
  Color textColor_ = Color::named("labelColor");
  TextAlignment alignment_ = TextAlignment::natural;
  LineBreakMode lineBreakMode_ = LineBreakMode::clipping;
  std::size_t maximumNumberOfLines_ = 1;
};

}  // namespace platform
