// hotkey_program <shortcut> <record file>: a program of the emulated desktop for end-to-end tests.
// Once launched it registers the shortcut as a system-wide hot key and appends to the record file
// "registered <OSStatus>", then "pressed <signature> <id>" for every press of its key that reaches
// it, one line each. It runs until the desktop asks it to terminate.

#include <cstdint>
#include <fstream>
#include <iostream>
#include <string>
#include <utility>

#include "platform/Application.h"
#include "platform/CarbonEvents.h"
#include "platform/KeyNames.h"

namespace {

constexpr platform::OSType signature = platform::fourCharCode("HKTP");
constexpr std::uint32_t hotKeyId = 1;

class Recorder {
 public:
  explicit Recorder(std::string path) : path_(std::move(path)) {}

  void record(const std::string& line) const {
    std::ofstream out(path_, std::ios::app);
    out << line << '\n' << std::flush;
  }

 private:
  std::string path_;
};

platform::OSStatus hotKeyPressed(platform::EventHandlerCallRef /*call*/, platform::EventRef event,
                                 void* userData) {
  platform::EventHotKeyID identifier;
  const platform::OSStatus status = platform::GetEventParameter(
      event, platform::kEventParamDirectObject, platform::typeEventHotKeyID, nullptr,
      sizeof(identifier), nullptr, &identifier);
  if (status != platform::noErr) {
    return status;
  }
  static_cast<const Recorder*>(userData)->record("pressed " + std::to_string(identifier.signature) +
                                                 " " + std::to_string(identifier.id));
  return platform::noErr;
}

class HotKeyDelegate final : public platform::ApplicationDelegate {
 public:
  HotKeyDelegate(platform::KeyChord chord, std::string recordFile)
      : chord_(chord), recorder_(std::move(recordFile)) {}

  void applicationDidFinishLaunching() override {
    const platform::EventTypeSpec pressed{platform::kEventClassKeyboard,
                                          platform::kEventHotKeyPressed};
    platform::InstallEventHandler(platform::GetApplicationEventTarget(), hotKeyPressed, 1, &pressed,
                                  &recorder_, nullptr);
    platform::EventHotKeyRef hotKey = nullptr;
    const platform::OSStatus status = platform::RegisterEventHotKey(
        chord_.keyCode, chord_.carbonModifiers, platform::EventHotKeyID{signature, hotKeyId},
        platform::GetApplicationEventTarget(), 0, &hotKey);
    recorder_.record("registered " + std::to_string(status));
  }

 private:
  platform::KeyChord chord_;
  Recorder recorder_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: hotkey_program <shortcut> <record file>\n";
    return 2;
  }
  const auto chord = platform::parseKeyChord(argv[1]);  // NOLINT: argv
  if (!chord) {
    std::cerr << "hotkey_program: not a shortcut: " << argv[1] << "\n";  // NOLINT: argv
    return 2;
  }
  HotKeyDelegate delegate(*chord, argv[2]);  // NOLINT: argv
  platform::Application& application = platform::Application::shared();
  application.setDelegate(&delegate);
  application.run();
  return 0;
}
