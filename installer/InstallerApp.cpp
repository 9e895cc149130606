#include "InstallerApp.h"

#include <utility>

#include "InstallDialog.h"
#include "InstallerCopy.h"
#include "InstallerNames.h"
#include "platform/Alert.h"
#include "platform/EventLoop.h"
#include "platform/Label.h"
#include "suite/IllustratedPanel.h"

namespace installer {

InstallerApp::InstallerApp(InstallerServices services)
    : services_(std::move(services)),
      layout_(suite::HomeLayout::under(services_.installation.files->homeDirectory())) {}

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
  const platform::FileManager& files = *services_.installation.files;
  return files.itemExists(layout_.installedLauncher) ||
         files.itemExists(layout_.installedApplication);
}

void InstallerApp::startInstallFlow() {
  const bool isInstalled = hasExistingInstall();
  InstallDialog dialog(*services_.application, *services_.screens, services_.bundle);
  const InstallerChoice choice = dialog.ask(isInstalled, [this] {
    return services_.installation.files->fileExists(layout_.launchAgent);
  });
  platform::Application& application = *services_.application;
  if (choice.kind == InstallerChoice::Kind::cancel) {
    runEnded();
    application.terminate();
    return;
  }
  const InstallerCopy copy = installerCopy(choice.language, isInstalled);
  progress_ = suite::ProgressWindow::withBar(
      application, isInstalled ? copy.progressUpdating : copy.progressInstalling,
      copy.progressHint);
  const std::weak_ptr<InstallerApp> weakSelf = weak_from_this();
  platform::EventLoop& mainQueue = application.loop();
  runInBackground(
      *services_.background, mainQueue,
      [weakSelf, &mainQueue, choice, isInstalled](const std::atomic<bool>& stop) {
        const auto self = weakSelf.lock();
        if (!self) {
          return suite::Outcome{};
        }
        const Installation installation(self->services_.installation, self->layout_,
                                        self->services_.bundle.resourcePath(), stop);
        return installation.run(
            choice, isInstalled, [weakSelf, &mainQueue](double value, const std::string& message) {
              mainQueue.async([weakSelf, value, message] {
                if (const auto owner = weakSelf.lock(); owner && owner->progress_) {
                  owner->progress_->update(value, message);
                }
              });
            });
      },
      [weakSelf, language = choice.language](const suite::Outcome& outcome) {
        if (const auto self = weakSelf.lock()) {
          self->progress_.reset();
          self->showResult(outcome, language);
        }
      });
}

void InstallerApp::showQuickStartGuide(const std::string& language) const {
  const InstallerCopy copy = installerCopy(language, false);
  platform::Alert guide(*services_.application);
  guide.setAlertStyle(platform::AlertStyle::informational);
  guide.setMessageText(copy.quickStartTitle);
  guide.setInformativeText(copy.quickStartBody);
  guide.addButton(copy.continueButton);
  auto tip = platform::Label::wrappingLabelWithString(copy.quickStartTip);
  tip->setFont(platform::Font::system(12, platform::FontWeight::medium));
  tip->setTextColor(platform::Color::named("secondaryLabelColor"));
  tip->setIdentifier("onboardingTip");
  const suite::IllustratedPanel panel(
      installerPanelStyle(),
      {
          .imageName = installerShortcutsImageName,
          .fallbackSymbol = "keyboard.badge.ellipsis",
          .headline = copy.quickStartHeadline,
          .steps = copy.quickStartSteps,
          .missingPictureHint =
              withImageName(copy.imagePlaceholderHint, installerShortcutsImageName),
          .height = 320,
          .pictureHeight = 220,
      },
      services_.bundle, *services_.screens, {tip});
  guide.setAccessoryView(panel.view());
  [[maybe_unused]] const platform::ModalResponse ignored = guide.runModal();
}

void InstallerApp::showResult(const suite::Outcome& outcome, const std::string& language) {
  if (outcome.success) {
    showQuickStartGuide(language);
  }
  suite::showOutcome(*services_.application, outcome, installerCopy(language, false).okButton);
  runEnded();
  services_.application->terminate();
}

}  // namespace installer
