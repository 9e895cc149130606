#include "UninstallerApp.h"

#include <utility>

#include "platform/EventLoop.h"
#include "suite/HomeLayout.h"

namespace uninstaller {

UninstallerApp::UninstallerApp(UninstallerServices services) : services_(std::move(services)) {}

void UninstallerApp::applicationDidFinishLaunching() {
  platform::Application& application = *services_.application;
  application.setActivationPolicy(platform::ActivationPolicy::regular);
  application.activate();
  const UninstallChoice choice = askForUninstallChoice();
  if (choice.kind == UninstallChoice::Kind::cancel) {
    finished_ = true;
    application.terminate();
    return;
  }
  showProgress("Removing Ferrolin...");
  const std::weak_ptr<UninstallerApp> weakSelf = weak_from_this();
  platform::EventLoop& mainQueue = application.loop();
  working_ = true;
  services_.background->async([weakSelf, &mainQueue, choice] {
    UninstallOutcome outcome;
    if (const auto self = weakSelf.lock()) {
      const RemovalServices& services = self->services_.removal;
      outcome = Removal(services, suite::HomeLayout::under(services.files->homeDirectory()),
                        self->stopRequested_)
                    .run(choice);
    }
    mainQueue.async([weakSelf, outcome = std::move(outcome)] {
      if (const auto self = weakSelf.lock()) {
        self->working_ = false;
        if (!self->stopRequested_) {
          self->closeProgress();
          self->showResult(outcome);
        }
      }
    });
  });
}

void UninstallerApp::applicationWillTerminate() {
  stopRequested_ = working_;
}

bool UninstallerApp::finishAfterTermination(platform::EventLoop& loop,
                                            std::chrono::milliseconds limit) {
  loop.runUntil([this] { return !working_; }, limit);
  return finished_;
}

}  // namespace uninstaller
