#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Installation.h"
#include "InstallerCopy.h"
#include "platform/Alert.h"
#include "platform/Application.h"
#include "platform/Bundle.h"
#include "platform/EventLoop.h"
#include "platform/GlobalQueue.h"
#include "platform/Image.h"
#include "platform/Label.h"
#include "platform/PopUpButton.h"
#include "platform/ProgressIndicator.h"
#include "platform/ScreensAndLanguages.h"
#include "platform/View.h"
#include "platform/Window.h"

namespace installer {

// The services the installer works with. None is owned; each must outlive the delegate.
struct InstallerServices {
  platform::Application* application = nullptr;  // dialogs, windows and the main queue
  // The user's preferred languages (the display language) and the screen the pictures are drawn
  // for.
  platform::ScreensAndLanguages* screens = nullptr;
  platform::GlobalQueue* background = nullptr;  // where the installation runs
  platform::Bundle bundle;  // the installer's own bundle: the two bundles it installs, pictures
  InstallationServices installation;  // what the installation works with
};

// FerrolinInstaller's application delegate: asks whether to install (or update), hands the
// Installation to the background queue behind a progress window, shows the quick-start guide after
// a success and the result, and quits. Main thread only.
//
// Make it with std::make_shared: the queued work reaches it through weak_from_this().
// NOLINTNEXTLINE(misc-multiple-inheritance): the delegate interface, and weak_from_this()
class InstallerApp : public platform::ApplicationDelegate,
                     public std::enable_shared_from_this<InstallerApp> {
 public:
  explicit InstallerApp(InstallerServices services);

  // The flow (main thread).
  void applicationDidFinishLaunching() override;
  // Asks a running installation to stop at its next step: the program is ending (its desktop went
  // away, or it was asked to quit) and nobody will see the result.
  void applicationWillTerminate() override;
  // Once the application's loop has ended: runs the loop until a running installation has stopped
  // (at most `limit`), so that nothing is left half copied, and says whether the run came to its
  // end (the user cancelled or saw the result). The entry point exits non-zero otherwise.
  bool finishAfterTermination(platform::EventLoop& loop, std::chrono::milliseconds limit);
  void startInstallFlow();
  bool hasExistingInstall() const;
  InstallerChoice askForInstallChoice();
  bool isStartupEnabled() const;
  // Shows the guide after a success, then the result, then terminates the application.
  void showResult(bool success, const std::string& title, const std::string& message);

  // The dialogs and windows (main thread).
  void applyInstallAlertLanguage(const std::string& languageCode, bool isInstalled);
  void languageDidChange(platform::PopUpButton& sender);
  std::shared_ptr<platform::View> buildOnboardingAccessory(
      const std::string& imageName, const std::string& fallbackSymbol, const std::string& headline,
      const std::vector<std::string>& steps, const std::optional<std::string>& languageLabelText,
      const std::optional<std::string>& tip);
  std::shared_ptr<platform::Image> bundledImage(const std::string& name) const;
  void showProgress(const std::string& message, const std::string& hint);
  void updateProgress(double value, const std::string& message);
  void closeProgress();
  void showShortcutGuide(const InstallerCopy& copy);

  const std::string& currentLanguageCode() const { return currentLanguageCode_; }
  const platform::Window* progressWindow() const { return progressWindow_.get(); }

 private:
  InstallerServices services_;
  std::unique_ptr<platform::Window> progressWindow_;
  std::shared_ptr<platform::Label> progressLabel_;
  std::shared_ptr<platform::ProgressIndicator> progressBar_;
  std::shared_ptr<platform::PopUpButton> languagePopup_;
  std::shared_ptr<platform::Label> onboardingHeadlineLabel_;
  std::shared_ptr<platform::Label> onboardingStepsLabel_;
  std::shared_ptr<platform::Label> onboardingLanguageLabel_;
  std::shared_ptr<platform::Label> onboardingImageHintLabel_;
  std::string currentLanguageCode_ = "en";
  platform::Alert* installAlert_ = nullptr;  // the first dialog while it is open
  bool installAlertIsInstalled_ = false;
  bool working_ = false;                     // the installation runs (main thread)
  bool finished_ = false;                    // the user cancelled or saw the result (main thread)
  std::atomic<bool> stopRequested_ = false;  // set on the main thread, read by the installation
};

}  // namespace installer
