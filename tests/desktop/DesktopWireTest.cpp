// The daemon's line: every request of the desktop's two tables, and everything a program shows,
// crosses it as it was made; malformed lines are refused by name.

#include <gtest/gtest.h>

#include <cstddef>
#include <expected>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include <nlohmann/json.hpp>

#include "model/EmulatedDesktop.h"
#include "platform/Alert.h"
#include "platform/Button.h"
#include "platform/DesktopWire.h"
#include "platform/Image.h"
#include "platform/ImageView.h"
#include "platform/JsonText.h"
#include "platform/Label.h"
#include "platform/Menu.h"
#include "platform/PollEventLoop.h"
#include "platform/PopUpButton.h"
#include "platform/ProgressIndicator.h"
#include "platform/StackView.h"
#include "platform/StatusItem.h"
#include "platform/VisualEffectView.h"
#include "platform/Window.h"
#include "support/DesktopProgram.h"

namespace {

using namespace platform;
namespace wire = platform::wire;

// What a value looks like once it has been a line on the socket.
nlohmann::json overTheSocket(const nlohmann::json& value) {
  return nlohmann::json::parse(value.dump());
}

// A request of a table read back from its line, or why it was refused: the field it gets wrong,
// or "unknown".
template <typename Table>
std::expected<Table, std::string> readBack(std::string_view op, const nlohmann::json& fields) {
  std::optional<std::expected<Table, std::string>> read;
  if constexpr (std::is_same_v<Table, ProgramRequest>) {
    read = wire::decodeRequest(op, overTheSocket(fields));
  } else {
    read = wire::decodeControlRequest(op, overTheSocket(fields));
  }
  return read.value_or(std::unexpected(std::string("unknown")));
}

template <typename Table = ProgramRequest>
std::string refusal(std::string_view op, const nlohmann::json& fields) {
  const auto read = readBack<Table>(op, fields);
  return read ? std::string() : read.error();
}

// Each request comes back as the same record, and the list holds one of each of the table's.
template <typename Table>
void expectEachCrossesTheWire(const std::vector<Table>& requests) {
  std::set<std::size_t> kinds;
  for (const Table& made : requests) {
    kinds.insert(made.index());
    const auto [op, fields] = wire::encodeRequest(made);
    const auto read = readBack<Table>(op, fields);
    ASSERT_TRUE(read.has_value()) << op << ": " << read.error();
    EXPECT_EQ(read->index(), made.index()) << op;
    EXPECT_EQ(wire::encodeRequest(*read).second, fields) << op;
  }
  EXPECT_EQ(kinds.size(), std::variant_size_v<Table>);
}

// A program showing one of every kind of view, a status item with its menu and an alert.
InterfaceRecord everythingShown(Application& application) {
  Window window({10, 20, 480, 320}, windowStyle::titled | windowStyle::closable,
                BackingStore::buffered, false, application);
  window.setTitle("Every view");
  const auto stack = std::make_shared<StackView>(Rect{0, 0, 480, 320});
  stack->setOrientation(StackOrientation::vertical);
  const auto label = Label::wrappingLabelWithString("A label that wraps in its width");
  label->setIdentifier("label");
  label->setFrame({0, 0, 90, 0});
  label->layer().backgroundColor = Color::named("systemGreen").withAlpha(0.5);
  const auto checkbox = Button::checkbox("Remember");
  checkbox->setState(ControlState::on);
  checkbox->setEnabled(false);
  const auto popUp = std::make_shared<PopUpButton>();
  popUp->setIdentifier("languagePopup");
  popUp->addItems({"English", "Deutsch"});
  const auto image = std::make_shared<ImageView>();
  image->setImage(Image::systemSymbol("trash", "Remove"));
  const auto progress = std::make_shared<ProgressIndicator>();
  progress->setDoubleValue(42.5);
  for (const std::shared_ptr<View>& view : std::vector<std::shared_ptr<View>>{
           label, checkbox, popUp, image, progress, std::make_shared<VisualEffectView>()}) {
    stack->addArrangedSubview(view);
  }
  window.setContentView(stack);
  window.makeKeyAndOrderFront();

  const std::shared_ptr<StatusItem> item = StatusBar::system(application).statusItem(-1);
  item->button()->setImage(Image::systemSymbol("bolt.circle.fill", std::nullopt));
  const auto menu = std::make_shared<Menu>();
  menu->addItem(
      "Settings…", [] {}, ",");
  menu->addItem(MenuItem::separator());
  item->setMenu(menu);

  Alert alert(application);
  alert.setMessageText("Remove Ferrolin?");
  alert.addButton("Remove");
  alert.addButton("Cancel");
  alert.setAccessoryView(Button::checkbox("Also remove its data"));

  InterfaceRecord interface = application.describeInterface();
  interface.alerts.push_back(alert.describe());
  return interface;
}

TEST(DesktopWireTest, EveryRequestOfTheTableCrossesTheWireAsItWasMade) {
  EmulatedDesktop desktop;
  PollEventLoop loop;
  testsupport::DesktopProgram program{desktop, loop, 4242, "org.test.program"};
  const InterfaceRecord shown = everythingShown(program.application);
  ASSERT_EQ(shown.windows.size(), 1U);
  ASSERT_EQ(shown.statusItems.size(), 1U);

  const std::vector<ProgramRequest> requests = {
      request::CheckIn{{4242, "org.test.program", "/Applications/Test.app", std::nullopt},
                       ActivationPolicy::accessory},
      request::SetActivationPolicy{ActivationPolicy::prohibited},
      request::Activate{},
      request::SetHidden{true},
      request::PublishInterface{shown},
      request::PlayAlertSound{},
      request::CheckOut{},
      request::RunningApplications{},
      request::FrontmostApplication{},
      request::HideApplication{71},
      request::UnhideApplication{72},
      request::ActivateApplication{73},
      request::TerminateApplication{74},
      request::ForceTerminateApplication{75},
      request::OpenURL{"https://example.org/download?a=1&b=two words"},
      request::RegisterHotKey{11, cmdKey | optionKey, fourCharCode("TEST"), 3},
      request::UnregisterHotKey{(1ULL << 40U) + 9},
      request::RequestNotificationAuthorization{7},
      request::AddNotification{{"update", "Ferrolin 1.2", "Ready to install", true}},
      request::Screens{},
      request::PreferredLanguages{},
  };
  expectEachCrossesTheWire(requests);
  namespace control = platform::control;
  expectEachCrossesTheWire(std::vector<ControlRequest>{
      control::RecordProgramStart{71, "/bin/tool", {"--flag", "two words", ""}},
      control::Launch{"/Applications/Test.app/Contents/MacOS/Test", {}, "/Applications/Test.app"},
      control::Journal{},
      control::Press{"command+option+b"},
      control::Focus{},
      control::ChooseMenuItem{"Settings…", "org.test.program"},
      control::Click{"Apply"},
      control::Dismiss{},
      control::Select{"Deutsch", std::nullopt},
      control::Key{"tab"},
      control::ClickAt{120.5, -3},
      control::Type{"escape"},
      control::Locate{"Apply"},
      control::Apps{},
      control::Show{},
      control::SetScreens{desktop.screens()},
      control::SetLanguages{{"fr-FR", "en"}},
      control::Agents{},
      control::Bootstrap{"/a.plist"},
      control::Bootout{"/a.plist"},
      control::Kickstart{"org.test.agent", true},
      control::Print{"org.test.agent"},
      control::Login{},
      control::Logout{},
      control::Wait{"window", "Settings", 0.5},
      control::Watch{},
      control::Shutdown{}});

  // What a program shows comes back as the same records, and its answers as the same values.
  EXPECT_EQ(wire::decodeInterface(overTheSocket(wire::encode(shown))), shown);
  const ScreenContents screen{{{"org.test.program", shown.statusItems.front()}},
                              {{"org.test.program", shown.windows.front()}},
                              {}};
  EXPECT_EQ(wire::decodeScreenContents(overTheSocket(wire::encode(screen))), screen);
  const std::vector<std::pair<ProgramRequest, ProgramReply>> answers = {
      {request::HideApplication{1}, true},
      {request::FrontmostApplication{}, std::optional<pid_t>(4242)},
      {request::FrontmostApplication{}, std::optional<pid_t>()},
      {request::RegisterHotKey{}, HotKeyResult{noErr, 12}},
      {request::RegisterHotKey{}, HotKeyResult{eventHotKeyExistsErr, 0}},
      {request::Screens{}, desktop.screens()},
      {request::PreferredLanguages{}, std::vector<std::string>{"fr-FR", "en"}},
      {request::RunningApplications{}, desktop.runningApplications()},
  };
  for (const auto& [asked, answer] : answers) {
    EXPECT_EQ(wire::decodeReply(asked, overTheSocket(wire::encodeReply(answer))), answer)
        << wire::encodeReply(answer).dump();
  }
}

TEST(DesktopWireTest, MalformedLinesAreRefusedByTheFieldTheyGetWrong) {
  EXPECT_EQ(refusal("apps", nlohmann::json::object()), "unknown");
  EXPECT_EQ(refusal("hideApplication", {{"pid", -1}}), "pid");
  EXPECT_EQ(refusal("registerHotKey", {{"keyCode", 11}, {"modifiers", 256}}), "signature");
  EXPECT_EQ(refusal("publishInterface", {{"interface", {{"windows", {{{"title", "No frame"}}}}}}}),
            "interface");
  EXPECT_EQ(refusal("openURL", {{"url", "https://example.org"}}), "");
  // A tool's request: an optional field may be left out but not be of another type, and a list
  // is read whole.
  EXPECT_EQ(refusal<ControlRequest>("menu", {{"item", "Quit"}}), "");
  EXPECT_EQ(refusal<ControlRequest>("menu", {{"item", "Quit"}, {"app", 7}}), "app");
  EXPECT_EQ(refusal<ControlRequest>("clickAt", {{"x", 1}, {"y", "2"}}), "y");
  EXPECT_EQ(refusal<ControlRequest>("launch", {{"path", "/x"}, {"arguments", {"a", 1}}}),
            "arguments");
  EXPECT_EQ(refusal<ControlRequest>("setScreens", {{"screens", {{{"name", "Main"}}}}}), "screens");

  // A registration the daemon says succeeded but gives no handle for is no registration.
  EXPECT_FALSE(wire::decodeReply(request::RegisterHotKey{}, {{"status", 0}}).has_value());
  EXPECT_FALSE(wire::decodeReply(request::HideApplication{}, "yes").has_value());
  const auto event = wire::decodeEvent({{"event", "input"}, {"input", {{"action", "wave"}}}});
  EXPECT_FALSE(event.has_value());

  // Nesting is read up to the limit, brackets inside texts not counted; one level more is refused.
  const auto nested = [](std::size_t depth) {
    return std::string(depth, '[') + R"("[{\"")" + std::string(depth, ']');
  };
  EXPECT_EQ(platform::parseJson(nested(platform::maximumJsonDepth)).size(), 1U);
  EXPECT_TRUE(platform::parseJson(nested(platform::maximumJsonDepth + 1)).is_discarded());
}

}  // namespace
