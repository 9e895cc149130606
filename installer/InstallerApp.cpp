#include "InstallerApp.h"

#include <utility>

#include "InstallerNames.h"
#include "platform/EventLoop.h"
#include "platform/Locale.h"
#include "suite/HomeLayout.h"

namespace installer {

InstallerApp::InstallerApp(InstallerServices services) : services_(std::move(services)) {}

void InstallerApp::applicationDidFinishLaunching() {
  platform::Application& application = *services_.application;
  application.setActivationPolicy(platform::ActivationPolicy::regular);
  application.activate();
  const std::weak_ptr<InstallerApp> weakSelf = weak_from_this();
  application.loop().async([weakSelf] {
    if (const auto self = weakSelf.lock()) {
      self->startInstallFlow();
    }
  });
}

bool InstallerApp::hasExistingInstall() const {
  const suite::HomeLayout layout =
      suite::HomeLayout::under(services_.installation.files->homeDirectory());
  return services_.installation.files->itemExists(layout.installedLauncher) ||
         services_.installation.files->itemExists(layout.installedApplication);
}

bool InstallerApp::isStartupEnabled() const {
  return services_.installation.files->fileExists(
      suite::HomeLayout::under(services_.installation.files->homeDirectory()).launchAgent);
}

InstallerChoice InstallerApp::askForInstallChoice() {
  const bool isInstalled = hasExistingInstall();
  installAlertIsInstalled_ = isInstalled;
  currentLanguageCode_ =
      defaultLanguageCode(platform::Locale::preferredLanguages(*services_.screens));
  platform::Alert alert(*services_.application);
  alert.setAlertStyle(platform::AlertStyle::informational);
  for (int button = 0; button < (isInstalled ? 2 : 3); ++button) {
    alert.addButton("");
  }
  installAlert_ = &alert;
  applyInstallAlertLanguage(currentLanguageCode_, isInstalled);
  const platform::ModalResponse response = alert.runModal();
  installAlert_ = nullptr;
  if (response == platform::Alert::firstButtonReturn) {
    return InstallerChoice::install(isInstalled ? isStartupEnabled() : true, currentLanguageCode_);
  }
  if (response == platform::Alert::secondButtonReturn && !isInstalled) {
    return InstallerChoice::install(false, currentLanguageCode_);
  }
  return InstallerChoice::cancel();
}

void InstallerApp::startInstallFlow() {
  const bool isInstalled = hasExistingInstall();
  const InstallerChoice choice = askForInstallChoice();
  platform::Application& application = *services_.application;
  if (choice.kind == InstallerChoice::Kind::cancel) {
    finished_ = true;
    application.terminate();
    return;
  }
  const InstallerCopy copy = installerCopy(choice.language, isInstalled);
  showProgress(isInstalled ? copy.progressUpdating : copy.progressInstalling, copy.progressHint);
  const std::weak_ptr<InstallerApp> weakSelf = weak_from_this();
  platform::EventLoop& mainQueue = application.loop();
  working_ = true;
  services_.background->async([weakSelf, &mainQueue, choice, isInstalled] {
    const Installation::Progress report = [weakSelf, &mainQueue](double value,
                                                                 const std::string& message) {
      mainQueue.async([weakSelf, value, message] {
        if (const auto self = weakSelf.lock()) {
          self->updateProgress(value, message);
        }
      });
    };
    InstallResult result;
    if (const auto self = weakSelf.lock()) {
      const InstallationServices& services = self->services_.installation;
      result = Installation(services, suite::HomeLayout::under(services.files->homeDirectory()),
                            self->services_.bundle.resourcePath(), self->stopRequested_)
                   .run(choice, isInstalled, report);
    }
    mainQueue.async([weakSelf, result = std::move(result)] {
      if (const auto self = weakSelf.lock()) {
        self->working_ = false;
        if (!self->stopRequested_) {
          self->closeProgress();
          self->showResult(result.success, result.title, result.message);
        }
      }
    });
  });
}

void InstallerApp::showResult(bool success, const std::string& title, const std::string& message) {
  const InstallerCopy copy = installerCopy(currentLanguageCode_, hasExistingInstall());
  if (success) {
    showShortcutGuide(copy);
  }
  platform::Alert alert(*services_.application);
  alert.setMessageText(title);
  alert.setInformativeText(message);
  alert.setAlertStyle(success ? platform::AlertStyle::informational
                              : platform::AlertStyle::critical);
  alert.addButton(copy.okButton);
  [[maybe_unused]] const platform::ModalResponse ignored = alert.runModal();
  finished_ = true;
  services_.application->terminate();
}

void InstallerApp::applicationWillTerminate() {
  stopRequested_ = working_;
}

bool InstallerApp::finishAfterTermination(platform::EventLoop& loop,
                                          std::chrono::milliseconds limit) {
  loop.runUntil([this] { return !working_; }, limit);
  return finished_;
}

}  // namespace installer
