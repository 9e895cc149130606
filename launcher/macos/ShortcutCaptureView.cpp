#include "ShortcutCaptureView.h"

#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "ShortcutGrammar.h"
#include "platform/KeyCodeNames.h"
#include "platform/Sound.h"

namespace launcher {

namespace {

constexpr const char* separatorColor = "separatorColor";
constexpr const char* accentColor = "controlAccentColor";

}  // namespace

ShortcutCaptureView::ShortcutCaptureView(platform::Rect frame, platform::Application& application)
    : Control(frame),
      application_(application),
      valueLabel_(platform::Label::labelWithString("")),
      hintLabel_(platform::Label::labelWithString("Click then press your shortcut")) {
  platform::Layer& backing = layer();
  backing.cornerRadius = 10;
  backing.borderWidth = 1;
  backing.borderColor = platform::Color::named(separatorColor);
  backing.backgroundColor = platform::Color::named("controlBackgroundColor").withAlpha(0.5);

  valueLabel_->setFont(platform::Font::system(15, platform::FontWeight::semibold));
  valueLabel_->setFrame({14, 22, 330, 22});
  hintLabel_->setFont(platform::Font::system(11));
  hintLabel_->setTextColor(platform::Color::named("secondaryLabelColor"));
  hintLabel_->setFrame({14, 8, 330, 14});
  addSubview(valueLabel_);
  addSubview(hintLabel_);
}

void ShortcutCaptureView::setShortcutValue(std::string value) {
  shortcutValue_ = std::move(value);
  valueLabel_->setText(prettyHotkey(shortcutValue_));
}

void ShortcutCaptureView::setHintText(std::string text) {
  hintLabel_->setText(std::move(text));
}

void ShortcutCaptureView::setOnShortcutCaptured(
    std::function<void(const std::string&)> onCaptured) {
  onShortcutCaptured_ = std::move(onCaptured);
}

bool ShortcutCaptureView::resignFirstResponder() {
  layer().borderColor = platform::Color::named(separatorColor);
  return Control::resignFirstResponder();
}

void ShortcutCaptureView::mouseDown() {
  if (platform::ViewHost* const window = host()) {
    window->makeFirstResponder(this);
  }
  layer().borderColor = platform::Color::named(accentColor);
  Control::mouseDown();
}

void ShortcutCaptureView::keyDown(const platform::KeyEvent& event) {
  // Caps Lock, Fn and the keypad flag are neither modifiers here nor part of the text.
  const std::uint32_t flags = event.modifierFlags;
  const bool control = (flags & platform::modifierFlag::control) != 0;
  const bool option = (flags & platform::modifierFlag::option) != 0;
  const bool shift = (flags & platform::modifierFlag::shift) != 0;
  const bool command = (flags & platform::modifierFlag::command) != 0;
  const std::optional<std::string_view> key = platform::hotKeyWord(event.keyCode);
  if (!(control || option || shift || command) || !key) {
    platform::playAlertSound(application_);
    return;
  }

  std::string text;
  for (const auto& [held, word] : {std::pair{control, "control+"}, std::pair{option, "option+"},
                                   std::pair{shift, "shift+"}, std::pair{command, "command+"}}) {
    if (held) {
      text += word;
    }
  }
  text += *key;
  // Key repeat is not filtered: a held combination is captured again with the same text.
  setShortcutValue(std::move(text));
  if (onShortcutCaptured_) {
    onShortcutCaptured_(shortcutValue_);
  }
}

}  // namespace launcher
