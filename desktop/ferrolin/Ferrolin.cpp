// Ferrolin.app for the emulated desktop: a regular application with one window. Started with
// "--quorrel-launch-fullscreen" it comes to the front. While it runs it watches the command trigger
// "quorrel-command.trigger" in the user's temporary folder: "hide" hides it; after "show" the
// launcher itself unhides and activates it. It quits when asked politely.

#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "TriggerWatcher.h"
#include "platform/Application.h"
#include "platform/Bundle.h"
#include "platform/DesktopLink.h"
#include "platform/EventLoop.h"
#include "platform/FileManager.h"
#include "platform/Label.h"
#include "platform/ProcessInfo.h"
#include "platform/SystemPaths.h"
#include "platform/Window.h"

namespace {

constexpr const char* launchArgument = "--quorrel-launch-fullscreen";
constexpr const char* commandTriggerFilename = "quorrel-command.trigger";

class FerrolinDelegate : public platform::ApplicationDelegate {
 public:
  FerrolinDelegate(platform::Application& application, const platform::FileManager& files,
                   bool launchedByLauncher, std::filesystem::path triggerFolder)
      : application_(&application),
        files_(&files),
        launchedByLauncher_(launchedByLauncher),
        triggerFolder_(std::move(triggerFolder)) {}

  void applicationDidFinishLaunching() override {
    showWindow();
    if (launchedByLauncher_) {
      application_->activate();
    }
    watchCommands();
  }

  void applicationWillTerminate() override { watcher_.reset(); }

 private:
  void showWindow() {
    window_ = std::make_unique<platform::Window>(
        platform::Rect{0, 0, 480, 320},
        platform::windowStyle::titled | platform::windowStyle::closable |
            platform::windowStyle::miniaturizable | platform::windowStyle::resizable,
        platform::BackingStore::buffered, false, *application_);
    window_->setTitle("Ferrolin");
    auto label = platform::Label::labelWithString("Ferrolin");
    label->setIdentifier("titleLabel");
    label->setFont(platform::Font::system(24, platform::FontWeight::bold));
    label->sizeToFit();
    label->setFrame({(480 - label->frame().width) / 2, (320 - label->frame().height) / 2,
                     label->frame().width, label->frame().height});
    window_->contentView()->addSubview(label);
    window_->center();
    window_->makeKeyAndOrderFront();
  }

  void watchCommands() {
    // The folder may not exist yet when nothing has written a trigger so far.
    [[maybe_unused]] const platform::Result<void> created = files_->createDirectory(triggerFolder_);
    auto watcher = ferrolin::TriggerWatcher::watch(
        triggerFolder_, commandTriggerFilename,
        [this](const std::string& command) { handleCommand(command); }, application_->loop(),
        *files_);
    if (!watcher) {
      std::cerr << "Ferrolin: the command trigger cannot be watched: "
                << watcher.error().localizedDescription << "\n";
      return;
    }
    watcher_ = std::move(*watcher);
  }

  void handleCommand(const std::string& command) {
    // "show" needs nothing from us: the launcher unhides and activates the application.
    if (command == "hide") {
      application_->hide();
    }
  }

  platform::Application* application_;  // not owned
  const platform::FileManager* files_;  // not owned
  bool launchedByLauncher_;
  std::filesystem::path triggerFolder_;
  std::unique_ptr<platform::Window> window_;
  std::unique_ptr<ferrolin::TriggerWatcher> watcher_;
};

}  // namespace

int main() {
  const std::vector<std::string>& arguments = platform::ProcessInfo::current().arguments();
  const bool launchedByLauncher =
      std::ranges::find(arguments.begin() + (arguments.empty() ? 0 : 1), arguments.end(),
                        launchArgument) != arguments.end();
  const platform::ProcessInfo& process = platform::ProcessInfo::current();
  platform::EventLoop& loop = platform::EventLoop::main();
  auto desktop = platform::connectToDesktop(platform::SystemPaths::fromProcess(process), loop);
  if (!desktop) {
    std::cerr << "Ferrolin: " << desktop.error().localizedDescription << "\n";
    return 1;
  }
  const std::unique_ptr<platform::Application> application =
      platform::Application::forBundle(*desktop, loop, platform::Bundle::main(), ::getpid());
  const platform::FileManager& files = platform::FileManager::defaultManager();
  FerrolinDelegate delegate(*application, files, launchedByLauncher, files.temporaryDirectory());
  application->setDelegate(&delegate);
  application->run();
  application->setDelegate(nullptr);
  return 0;
}
