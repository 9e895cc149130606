#pragma once

#include <memory>
#include <string>

#include "Installation.h"
#include "InstallerChoice.h"
#include "platform/Application.h"
#include "platform/Bundle.h"
#include "platform/GlobalQueue.h"
#include "platform/ScreensAndLanguages.h"
#include "suite/BackgroundWorkDelegate.h"
#include "suite/Outcome.h"
#include "suite/ProgressWindow.h"

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

// FerrolinInstaller's application delegate: one turn of the loop after launch it asks whether to
// install (or update), hands the Installation to the background queue behind a progress window,
// shows the quick-start guide after a success and then the result, and quits. Main thread only.
//
// Make it with std::make_shared: the queued work reaches it through weak_from_this().
// NOLINTNEXTLINE(misc-multiple-inheritance): the delegate, and weak_from_this()
class InstallerApp : public suite::BackgroundWorkDelegate,
                     public std::enable_shared_from_this<InstallerApp> {
 public:
  explicit InstallerApp(InstallerServices services);

  void applicationDidFinishLaunching() override;

 private:
  void startInstallFlow();
  bool hasExistingInstall() const;
  void showQuickStartGuide(const std::string& language) const;
  // Shows the guide after a success, then the result, then terminates the application.
  void showResult(const suite::Outcome& outcome, const std::string& language);

  InstallerServices services_;
  suite::HomeLayout layout_;
  std::unique_ptr<suite::ProgressWindow> progress_;
};

}  // namespace installer
