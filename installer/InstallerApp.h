#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "InstallerCopy.h"
#include "platform/Alert.h"
#include "platform/Application.h"
#include "platform/ApplicationServices.h"
#include "platform/Bundle.h"
#include "platform/Error.h"
#include "platform/EventLoop.h"
#include "platform/FileManager.h"
#include "platform/GlobalQueue.h"
#include "platform/Image.h"
#include "platform/Label.h"
#include "platform/PopUpButton.h"
#include "platform/ProcessLauncher.h"
#include "platform/ProgressIndicator.h"
#include "platform/ScreensAndLanguages.h"
#include "platform/View.h"
#include "platform/Window.h"

namespace installer {

// The answer of the first dialog: install (with or without start at login, in a display
// language), or cancel.
struct InstallerChoice {
  enum class Kind { install, cancel };
  Kind kind = Kind::cancel;
  bool startAtLogin = false;
  std::string language;

  static InstallerChoice install(bool startAtLogin, std::string language) {
    return {Kind::install, startAtLogin, std::move(language)};
  }
  static InstallerChoice cancel() { return {}; }
  friend bool operator==(const InstallerChoice&, const InstallerChoice&) = default;
};

// What the installation gives the result dialog.
struct InstallResult {
  bool success = false;
  std::string title;
  std::string message;
  friend bool operator==(const InstallResult&, const InstallResult&) = default;
};

// The services the installer works with. None is owned; each must outlive the delegate.
struct InstallerServices {
  platform::Application* application = nullptr;  // dialogs, windows and the main queue
  // The user's preferred languages (the display language) and the screen the pictures are drawn
  // for.
  platform::ScreensAndLanguages* screens = nullptr;
  const platform::FileManager* files = nullptr;  // the home folder it installs into
  const platform::ProcessLauncher* processes = nullptr;
  // The running applications, callable from the background installation.
  platform::ApplicationServices* applications = nullptr;
  platform::GlobalQueue* background = nullptr;  // where the installation runs
  platform::Bundle bundle;  // the installer's own bundle: the two bundles it installs, pictures
  uid_t userId = 0;         // the launchd domain gui/<uid>
  // How long one launchctl run may take before it is ended and fails (suite::launchctlTimeLimit in
  // a program).
  std::chrono::milliseconds launchctlTimeLimit;
  // Waits between asking the programs to quit and going on (0.25 s in a program).
  std::function<void()> pauseAfterClosing;
};

// FerrolinInstaller's application delegate: asks whether to install (or update), installs in the
// background behind a progress window, shows the quick-start guide after a success and the result,
// and quits. Dialogs and windows run on the main thread; install() and what it calls on the
// background queue.
//
// Make it with std::make_shared: the queued work reaches it through weak_from_this().
// NOLINTNEXTLINE(misc-multiple-inheritance): the delegate interface, and weak_from_this()
class InstallerApp : public platform::ApplicationDelegate,
                     public std::enable_shared_from_this<InstallerApp> {
 public:
  using Progress = std::function<void(double value, const std::string& message)>;

  // The running programs that the installation closed, so that a failed one can start them again.
  struct ClosedPrograms {
    bool targetApplication = false;
    bool launcher = false;
    friend bool operator==(const ClosedPrograms&, const ClosedPrograms&) = default;
  };

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

  // The installation (background).
  InstallResult install(bool startAtLogin, bool isUpdate, const std::string& language,
                        const InstallerCopy& copy, const Progress& progress);
  ClosedPrograms terminateRunningInstances();
  // Starts again what a failed installation closed: the launcher through its agent when launchd has
  // it loaded, otherwise from its installed place, and the target application from its installed
  // place. Best effort: a program that does not start is not reported.
  void reopenClosedPrograms(const ClosedPrograms& closed);
  platform::Result<void> replaceItem(const std::filesystem::path& source,
                                     const std::filesystem::path& destination);
  platform::Result<void> installLaunchAgent(const std::filesystem::path& launcherBundle);
  platform::Result<void> runLaunchctl(const std::vector<std::string>& arguments, bool allowFailure);
  platform::Result<void> persistLauncherLanguage(const std::string& language);

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
