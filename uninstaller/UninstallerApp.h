#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Removal.h"
#include "UninstallChoice.h"
#include "platform/Application.h"
#include "platform/Bundle.h"
#include "platform/GlobalQueue.h"
#include "platform/ScreensAndLanguages.h"
#include "suite/BackgroundWorkDelegate.h"
#include "suite/IllustratedPanel.h"
#include "suite/ProgressWindow.h"

namespace uninstaller {

// The services the uninstaller works with. None is owned; each must outlive the delegate.
struct UninstallerServices {
  platform::Application* application = nullptr;      // dialogs, windows and the main queue
  platform::ScreensAndLanguages* screens = nullptr;  // the screen the pictures are drawn for
  platform::GlobalQueue* background = nullptr;       // where the removal runs
  platform::Bundle bundle;  // the uninstaller's own bundle, for its pictures
  RemovalServices removal;  // what the removal works with: its file manager's home is removed from
};

// FerrolinUninstaller's application delegate: asks what to remove, hands the Removal to the
// background queue behind a progress window, reports the outcome and quits. Main thread only.
//
// Make it with std::make_shared: the background work reaches it through weak_from_this().
// NOLINTNEXTLINE(misc-multiple-inheritance): the delegate, and weak_from_this()
class UninstallerApp : public suite::BackgroundWorkDelegate,
                       public std::enable_shared_from_this<UninstallerApp> {
 public:
  explicit UninstallerApp(UninstallerServices services);

  // Brings the uninstaller to the front, asks, and starts the removal or quits.
  void applicationDidFinishLaunching() override;

 private:
  UninstallChoice askForUninstallChoice();
  void showDataRemovalDetails();
  suite::IllustratedPanel panel(const std::string& imageName, const std::string& fallbackSymbol,
                                const std::string& headline,
                                const std::vector<std::string>& steps) const;

  UninstallerServices services_;
  std::unique_ptr<suite::ProgressWindow> progress_;
};

}  // namespace uninstaller
