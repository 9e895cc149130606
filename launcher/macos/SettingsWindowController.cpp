#include "SettingsWindowController.h"

#include <algorithm>
#include <chrono>
#include <initializer_list>
#include <utility>

#include "platform/AnimationContext.h"
#include "platform/VisualEffectView.h"

namespace launcher {

namespace {

using platform::Font;
using platform::FontWeight;

// The labels that name a section or a setting.
constexpr Font sectionLabelFont{13, FontWeight::semibold};
constexpr double toastFadeIn = 0.18;
constexpr double toastFadeOut = 0.25;
// The window's content size while the toast takes one line.
constexpr platform::Size contentSize{560, 480};
// The toast line: left of the Apply button, one line high unless its message needs more.
constexpr platform::Rect toastFrame{28, 28, 398, 18};

// How long a toast stays before it fades: time to read it, and never less than for a short word.
std::chrono::milliseconds toastShownFor(std::string_view message) {
  using std::chrono::milliseconds;
  // Characters, not bytes: those that do not continue a UTF-8 sequence.
  const auto characters = std::ranges::count_if(
      message, [](char byte) { return (static_cast<unsigned char>(byte) & 0xC0U) != 0x80; });
  return std::max(milliseconds{2200}, milliseconds{1000} + (characters * milliseconds{60}));
}
// Between the download button and the Check button when both are shown.
constexpr double buttonGap = 8;

std::shared_ptr<platform::Label> makeLabel(std::string identifier, std::string text = {}) {
  std::shared_ptr<platform::Label> label = platform::Label::labelWithString(std::move(text));
  label->setIdentifier(std::move(identifier));
  return label;
}

std::shared_ptr<platform::Button> makePushButton(std::string identifier, std::string title) {
  std::shared_ptr<platform::Button> button = platform::Button::pushButton(std::move(title));
  button->setIdentifier(std::move(identifier));
  return button;
}

std::shared_ptr<platform::PopUpButton> makePopUp(std::string identifier) {
  auto popUp = std::make_shared<platform::PopUpButton>();
  popUp->setIdentifier(std::move(identifier));
  return popUp;
}

// Adds the views to the parent, in order (the last one is drawn on top).
void addSubviews(platform::View& parent,
                 std::initializer_list<std::shared_ptr<platform::View>> views) {
  for (const std::shared_ptr<platform::View>& view : views) {
    parent.addSubview(view);
  }
}

// Blanks and line breaks removed at both ends.
std::string trimmed(std::string_view text) {
  constexpr std::string_view blanks = " \t\n\r\v\f";
  const std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) {
    return {};
  }
  return std::string(text.substr(first, text.find_last_not_of(blanks) - first + 1));
}

bool isInAnyLanguage(const std::string& text, const char* LocalizedStrings::*field) {
  return std::ranges::any_of(allLocalizedStrings(),
                             [&](const auto& set) { return set.texts.*field == text; });
}

}  // namespace

SettingsWindowController::SettingsWindowController(SaveHandler onSave,
                                                   std::function<void()> onOpenDownload,
                                                   CheckHandler onCheckForUpdates,
                                                   std::function<bool()> isShortcutRegistered,
                                                   platform::Application& application,
                                                   platform::ScreensAndLanguages& screens)
    : application_(application),
      screens_(screens),
      onSave_(std::move(onSave)),
      onOpenDownload_(std::move(onOpenDownload)),
      onCheckForUpdates_(std::move(onCheckForUpdates)),
      isShortcutRegistered_(std::move(isShortcutRegistered)),
      shortcutCapture_(
          std::make_shared<ShortcutCaptureView>(platform::Rect{0, 0, 380, 56}, application)),
      startupCheckbox_(platform::Button::checkbox("Start Ferrolin at login")),
      languagePopup_(makePopUp("languagePopup")),
      coverMonitorPopup_(makePopUp("coverMonitorPopup")),
      updateLabel_(makeLabel("updateLabel", "Checking for updates...")),
      applyButton_(makePushButton("applyButton", "Apply")),
      openDownloadButton_(makePushButton("openDownloadButton", "Open Download Page")),
      checkUpdatesButton_(makePushButton("checkUpdatesButton", "Check Now")),
      toastLabel_(makeLabel("toastLabel")),
      titleLabel_(makeLabel("titleLabel")),
      shortcutLabel_(makeLabel("shortcutLabel")),
      shortcutStateLabel_(makeLabel("shortcutStateLabel")),
      languageLabel_(makeLabel("languageLabel")),
      coverMonitorLabel_(makeLabel("coverMonitorLabel")),
      updateTitleLabel_(makeLabel("updateTitleLabel")),
      currentStrings_(localizedStrings("en")) {
  shortcutCapture_->setIdentifier("shortcutCapture");
  startupCheckbox_->setIdentifier("startupCheckbox");
}

void SettingsWindowController::show(const LauncherSettings& settings,
                                    const UpdateCheckOutcome& updateResult) {
  if (!window_) {
    buildWindow();
  }
  currentStrings_ = localizedStrings(settings.language);
  capturedShortcut_ = settings.shortcut;
  shortcutCapture_->setShortcutValue(settings.shortcut);
  startupCheckbox_->setState(settings.startAtLogin ? platform::ControlState::on
                                                   : platform::ControlState::off);

  languagePopup_->removeAllItems();
  for (const suite::Language& language : suite::languages) {
    languagePopup_->addItem(std::string(language.label));
  }
  const auto* const stored = std::ranges::find(
      suite::languages, std::string_view(settings.language), &suite::Language::code);
  languagePopup_->selectItemWithTitle(stored != suite::languages.end() ? stored->label : "English");
  applyLocalizedStrings();

  fillCoverMonitorPopup(settings.language, settings.coverMonitor.value_or("primary"));

  shortcutStateLabel_->setHidden(isShortcutRegistered_());
  showUpdateResult(updateResult);
  showToast(std::nullopt, true);

  // Centred every time, even when the user had moved it.
  window_->center();
  window_->makeKeyAndOrderFront();
  application_.activate();
}

void SettingsWindowController::saveSettings() {
  LauncherSettings settings{
      .shortcut = trimmed(capturedShortcut_),
      // A mixed state counts as off.
      .startAtLogin = startupCheckbox_->state() == platform::ControlState::on,
      .language = selectedLanguageCode(),
      .coverMonitor = selectedCoverMonitorCode(),
  };
  const std::optional<std::string> answer = onSave_(settings);
  shortcutStateLabel_->setHidden(isShortcutRegistered_());
  if (answer) {
    showToast(answer, false);
  } else {
    showToast(currentStrings_.applied, true);
  }
}

void SettingsWindowController::checkForUpdates() {
  checkUpdatesButton_->setEnabled(false);
  updateLabel_->setText(currentStrings_.checkingForUpdates);
  onCheckForUpdates_([weak = weak_from_this()](const UpdateCheckOutcome& outcome) {
    const std::shared_ptr<SettingsWindowController> self = weak.lock();
    if (!self) {
      return;
    }
    // The texts in force now: the language may have changed during the check.
    const LocalizedStrings& strings = self->currentStrings_;
    self->checkUpdatesButton_->setEnabled(true);
    if (!outcome) {
      // Not "up to date": the last result known stays, as it does in the menu bar.
      self->showUpdateResult(self->shownUpdate_);
      self->showToast(strings.updateCheckFailed, false);
      return;
    }
    self->showUpdateResult(*outcome);
    self->showToast(*outcome ? strings.updateFound : strings.noUpdatesAvailable, true);
  });
}

void SettingsWindowController::openDownload() {
  onOpenDownload_();
}

void SettingsWindowController::languageSelectionChanged() {
  const std::string code = selectedLanguageCode();
  currentStrings_ = localizedStrings(code);
  applyLocalizedStrings();
  // Read while the pop-up still holds the previous language's labels, so that the same display
  // stays chosen under its new label.
  fillCoverMonitorPopup(code, selectedCoverMonitorCode());
}

void SettingsWindowController::buildWindow() {
  auto window = std::make_unique<platform::Window>(
      platform::Rect{0, 0, contentSize.width, contentSize.height},
      platform::windowStyle::titled | platform::windowStyle::closable,
      platform::BackingStore::buffered, false, application_);
  window->setTitle(currentStrings_.windowTitle);
  // Closing only orders the window out; the next show() fills the same one.
  window->setReleasedWhenClosed(false);
  window->setBackgroundColor(platform::Color::clear());
  window->setOpaque(false);
  window->setToolbarStyle(2);
  window->setTitleVisibility(platform::TitleVisibility::hidden);
  window->setTitlebarAppearsTransparent(false);

  auto content = std::make_shared<platform::VisualEffectView>(
      window->contentView() ? window->contentView()->bounds() : platform::Rect{});
  content->setMaterial(21);
  content->setBlendingMode(0);
  content->setState(1);
  content->setWantsLayer(true);
  content->setAutoresizingMask(platform::autoresizing::widthSizable |
                               platform::autoresizing::heightSizable);

  titleLabel_->setFont(Font::system(20, FontWeight::semibold));
  titleLabel_->setTextColor(platform::Color::named("labelColor"));
  titleLabel_->setFrame({28, 392, 300, 28});

  shortcutSection_ = makeSection({24, 268, 512, 108});
  shortcutSection_->setIdentifier("shortcutSection");
  shortcutLabel_->setFont(sectionLabelFont);
  shortcutLabel_->setFrame({18, 76, 120, 20});
  shortcutCapture_->setFrame({16, 12, 480, 56});
  shortcutCapture_->setOnShortcutCaptured([weak = weak_from_this()](const std::string& shortcut) {
    if (const std::shared_ptr<SettingsWindowController> self = weak.lock()) {
      self->capturedShortcut_ = shortcut;
    }
  });
  shortcutStateLabel_->setFont(Font::system(12));
  shortcutStateLabel_->setTextColor(platform::Color::named("systemRed"));
  shortcutStateLabel_->setAlignment(platform::TextAlignment::right);
  shortcutStateLabel_->setFrame({140, 76, 356, 20});
  addSubviews(*shortcutSection_, {shortcutLabel_, shortcutStateLabel_, shortcutCapture_});

  preferencesSection_ = makeSection({24, 124, 512, 134});
  preferencesSection_->setIdentifier("preferencesSection");
  languageLabel_->setFont(sectionLabelFont);
  languagePopup_->setAction(weakAction(&SettingsWindowController::languageSelectionChanged));
  coverMonitorLabel_->setFont(sectionLabelFont);
  addSubviews(*preferencesSection_, {startupCheckbox_, languageLabel_, languagePopup_,
                                     coverMonitorLabel_, coverMonitorPopup_});

  updateSection_ = makeSection({24, 62, 512, 50});
  updateSection_->setIdentifier("updateSection");
  updateTitleLabel_->setFont(sectionLabelFont);
  updateLabel_->setTextColor(platform::Color::named("secondaryLabelColor"));
  updateLabel_->setLineBreakMode(platform::LineBreakMode::truncatingTail);
  for (const std::shared_ptr<platform::Button>& button :
       {checkUpdatesButton_, openDownloadButton_}) {
    button->setBezelStyle(platform::BezelStyle::rounded);
    button->setFont(Font::system(12));
  }
  checkUpdatesButton_->setAction(weakAction(&SettingsWindowController::checkForUpdates));
  openDownloadButton_->setAction(weakAction(&SettingsWindowController::openDownload));
  openDownloadButton_->setFrame({392, 16, 108, 24});
  addSubviews(*updateSection_,
              {updateTitleLabel_, updateLabel_, checkUpdatesButton_, openDownloadButton_});

  applyButton_->setFrame({438, 20, 98, 32});
  applyButton_->setBezelStyle(platform::BezelStyle::rounded);
  applyButton_->setKeyEquivalent("\r");
  applyButton_->setAction(weakAction(&SettingsWindowController::saveSettings));
  toastLabel_->setFrame(toastFrame);
  toastLabel_->setAlignment(platform::TextAlignment::left);
  toastLabel_->setLineBreakMode(platform::LineBreakMode::wordWrapping);
  toastLabel_->setMaximumNumberOfLines(0);
  toastLabel_->setFont(Font::system(12, FontWeight::medium));
  toastLabel_->setHidden(true);

  addSubviews(*content, {titleLabel_, shortcutSection_, preferencesSection_, updateSection_,
                         applyButton_, toastLabel_});
  window->setContentView(std::move(content));
  window_ = std::move(window);
  // Relabelling lays both sections out as well.
  applyLocalizedStrings();
}

std::shared_ptr<platform::View> SettingsWindowController::makeSection(platform::Rect frame) {
  auto section = std::make_shared<platform::View>(frame);
  platform::Layer& layer = section->layer();
  layer.cornerRadius = 12;
  layer.borderWidth = 1;
  layer.borderColor = platform::Color::named("separatorColor").withAlpha(0.25);
  layer.backgroundColor = platform::Color::named("controlBackgroundColor").withAlpha(0.35);
  return section;
}

void SettingsWindowController::applyLocalizedStrings() {
  const LocalizedStrings& strings = currentStrings_;
  if (window_) {
    window_->setTitle(strings.windowTitle);
  }
  titleLabel_->setText(strings.launcherSettings);
  shortcutLabel_->setText(strings.shortcut);
  shortcutStateLabel_->setText(strings.shortcutNotRegistered);
  shortcutCapture_->setHintText(strings.shortcutHint);
  startupCheckbox_->setTitle(strings.startAtLogin);
  languageLabel_->setText(strings.language);
  coverMonitorLabel_->setText(strings.coverMonitor);
  updateTitleLabel_->setText(strings.update);

  // The status line's own texts follow the language; an update's message stays as it is.
  if (isInAnyLanguage(updateLabel_->text(), &LocalizedStrings::checkingForUpdates)) {
    updateLabel_->setText(strings.checkingForUpdates);
  } else if (isInAnyLanguage(updateLabel_->text(), &LocalizedStrings::upToDate)) {
    updateLabel_->setText(strings.upToDate);
  } else if (isInAnyLanguage(updateLabel_->text(), &LocalizedStrings::updateCheckFailed)) {
    updateLabel_->setText(strings.updateCheckFailed);
  }

  checkUpdatesButton_->setTitle(strings.checkNow);
  openDownloadButton_->setTitle(strings.openDownloadPage);
  applyButton_->setTitle(strings.apply);
  layoutPreferencesSection();
  layoutUpdateSection();
}

void SettingsWindowController::layoutPreferencesSection() {
  if (!preferencesSection_) {
    return;
  }
  const double width = preferencesSection_->frame().width;
  languageLabel_->sizeToFit();
  coverMonitorLabel_->sizeToFit();
  const double labelWidth =
      std::max(languageLabel_->frame().width, coverMonitorLabel_->frame().width);
  const double popUpX = 16 + labelWidth + 14;
  const double popUpWidth = std::max(160.0, width - popUpX - 16);

  startupCheckbox_->setFrame({16, 96, width - 32, 22});
  languageLabel_->setFrame({16, 72, labelWidth, 20});
  languagePopup_->setFrame({popUpX, 66, popUpWidth, 28});
  coverMonitorLabel_->setFrame({16, 32, labelWidth, 20});
  coverMonitorPopup_->setFrame({popUpX, 26, popUpWidth, 28});
}

void SettingsWindowController::layoutUpdateSection() {
  if (!updateSection_) {
    return;
  }
  const double width = updateSection_->frame().width;
  const double checkWidth = std::min(
      150.0,
      std::max(96.0,
               checkUpdatesButton_->intrinsicContentSize().value_or(platform::Size{}).width + 24));

  updateTitleLabel_->sizeToFit();
  const double titleWidth = updateTitleLabel_->frame().width;
  updateTitleLabel_->setFrame({16, 15, titleWidth, 20});

  const double checkX = width - 16 - checkWidth;
  checkUpdatesButton_->setFrame({checkX, 13, checkWidth, 24});

  // Shown, the download button sits left of the Check button and the status line ends before it;
  // hidden, it keeps the frame it was built with.
  double lineEnd = checkX;
  if (openDownloadButton_->isHidden()) {
    openDownloadButton_->setFrame({392, 16, 108, 24});
  } else {
    const double downloadWidth = std::max(
        108.0, openDownloadButton_->intrinsicContentSize().value_or(platform::Size{}).width);
    const double downloadX = checkX - buttonGap - downloadWidth;
    openDownloadButton_->setFrame({downloadX, 13, downloadWidth, 24});
    lineEnd = downloadX;
  }

  const double lineX = 16 + titleWidth + 12;
  updateLabel_->setFrame({lineX, 16, std::max(100.0, lineEnd - 12 - lineX), 18});
}

void SettingsWindowController::showUpdateResult(const UpdateCheckOutcome& result) {
  shownUpdate_ = result;
  const std::optional<VersionCheckResult> found = result.value_or(std::nullopt);
  updateLabel_->setText(found    ? found->message()
                        : result ? currentStrings_.upToDate
                                 : currentStrings_.updateCheckFailed);
  setDownloadButtonShown(found.has_value());
}

void SettingsWindowController::setDownloadButtonShown(bool shown) {
  openDownloadButton_->setHidden(!shown);
  layoutUpdateSection();
}

void SettingsWindowController::showToast(const std::optional<std::string>& message, bool success) {
  if (toastResetWorkItem_) {
    toastResetWorkItem_->cancel();
  }
  // A fade-out already running belongs to an earlier message and must not hide this one.
  const std::uint64_t serial = ++toastSerial_;
  if (!message || message->empty()) {
    hideToast();
    return;
  }
  toastLabel_->setText(*message);
  // Wrapped to the line's width, the whole message shows; the window grows to make room for it.
  toastLabel_->setFrame(toastFrame);
  toastLabel_->sizeToFit();
  const double height = std::max(toastFrame.height, toastLabel_->frame().height);
  toastLabel_->setFrame({toastFrame.x, toastFrame.y, toastFrame.width, height});
  makeRoomForToast(height - toastFrame.height);
  toastLabel_->setTextColor(platform::Color::named(success ? "systemGreen" : "systemRed"));
  toastLabel_->setAlphaValue(0);
  toastLabel_->setHidden(false);
  platform::AnimationContext::runAnimationGroup(
      application_.loop(), toastFadeIn, [label = toastLabel_] { label->setAlphaValue(1); },
      nullptr);

  toastResetWorkItem_ = std::make_shared<platform::WorkItem>([weak = weak_from_this(), serial] {
    if (const std::shared_ptr<SettingsWindowController> self = weak.lock()) {
      self->fadeOutToast(serial);
    }
  });
  application_.loop().asyncAfter(toastShownFor(*message), toastResetWorkItem_);
}

void SettingsWindowController::hideToast() {
  toastLabel_->setHidden(true);
  makeRoomForToast(0);
}

void SettingsWindowController::makeRoomForToast(double room) {
  const double by = room - toastRoom_;
  if (by == 0 || !window_) {
    return;
  }
  toastRoom_ = room;
  // The toast and the Apply button keep their places at the bottom; everything above moves up.
  for (platform::View* view :
       std::initializer_list<platform::View*>{titleLabel_.get(), shortcutSection_.get(),
                                              preferencesSection_.get(), updateSection_.get()}) {
    platform::Rect frame = view->frame();
    frame.y += by;
    view->setFrame(frame);
  }
  window_->setContentSize({contentSize.width, contentSize.height + room});
}

void SettingsWindowController::fadeOutToast(std::uint64_t serial) {
  platform::AnimationContext::runAnimationGroup(
      application_.loop(), toastFadeOut, [label = toastLabel_] { label->setAlphaValue(0); },
      [weak = weak_from_this(), serial] {
        const std::shared_ptr<SettingsWindowController> self = weak.lock();
        if (self && self->toastSerial_ == serial) {
          self->hideToast();
        }
      });
}

std::vector<CoverMonitorOption> SettingsWindowController::buildCoverMonitorOptions(
    std::string_view languageCode) const {
  return coverMonitorOptions(localizedStrings(languageCode), screens_);
}

void SettingsWindowController::fillCoverMonitorPopup(std::string_view languageCode,
                                                     std::string_view selectedValue) {
  coverMonitorOptions_ = buildCoverMonitorOptions(languageCode);
  coverMonitorPopup_->removeAllItems();
  for (const CoverMonitorOption& option : coverMonitorOptions_) {
    coverMonitorPopup_->addItem(option.label);
  }
  // Exact text comparison; a display no longer attached leaves the primary entry chosen.
  const auto option =
      std::ranges::find(coverMonitorOptions_, selectedValue, &CoverMonitorOption::id);
  coverMonitorPopup_->selectItemWithTitle(
      option != coverMonitorOptions_.end() ? option->label : currentStrings_.primaryDisplay);
}

std::string SettingsWindowController::selectedLanguageCode() const {
  const std::string title = languagePopup_->titleOfSelectedItem().value_or("English");
  const auto* const language =
      std::ranges::find(suite::languages, std::string_view(title), &suite::Language::label);
  return std::string(language != suite::languages.end() ? language->code : "en");
}

std::string SettingsWindowController::selectedCoverMonitorCode() const {
  const std::string title =
      coverMonitorPopup_->titleOfSelectedItem().value_or(currentStrings_.primaryDisplay);
  const auto option = std::ranges::find(coverMonitorOptions_, title, &CoverMonitorOption::label);
  return option != coverMonitorOptions_.end() ? option->id : "primary";
}

platform::Control::Action SettingsWindowController::weakAction(
    void (SettingsWindowController::*action)()) {
  return [weak = weak_from_this(), action](platform::Control& /*sender*/) {
    if (const std::shared_ptr<SettingsWindowController> self = weak.lock()) {
      ((*self).*action)();
    }
  };
}

}  // namespace launcher
