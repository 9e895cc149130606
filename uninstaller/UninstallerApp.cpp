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
    runEnded();
    application.terminate();
    return;
  }
  progress_ = suite::ProgressWindow::withSpinner(application, "Removing Ferrolin...");
  const std::weak_ptr<UninstallerApp> weakSelf = weak_from_this();
  runInBackground(
      *services_.background, application.loop(),
      [weakSelf, choice](const std::atomic<bool>& stop) {
        const auto self = weakSelf.lock();
        if (!self) {
          return suite::Outcome{};
        }
        const RemovalServices& services = self->services_.removal;
        return Removal(services, suite::HomeLayout::under(services.files->homeDirectory()), stop)
            .run(choice);
      },
      [weakSelf](const suite::Outcome& outcome) {
        if (const auto self = weakSelf.lock()) {
          self->progress_.reset();
          suite::showOutcome(*self->services_.application, outcome, "OK");
          self->runEnded();
          self->services_.application->terminate();
        }
      });
}

}  // namespace uninstaller
