#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "Removal.h"
#include "platform/Application.h"
#include "platform/Bundle.h"
#include "platform/EventLoop.h"
#include "platform/GlobalQueue.h"
#include "platform/Image.h"
#include "platform/ScreensAndLanguages.h"
#include "platform/View.h"
#include "platform/Window.h"

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
// NOLINTNEXTLINE(misc-multiple-inheritance): the delegate interface, and weak_from_this()
class UninstallerApp : public platform::ApplicationDelegate,
                       public std::enable_shared_from_this<UninstallerApp> {
 public:
  explicit UninstallerApp(UninstallerServices services);

  // Brings the uninstaller to the front, asks, and starts the removal or quits.
  void applicationDidFinishLaunching() override;
  // Asks a running removal to stop before its next item: the program is ending (its desktop went
  // away, or it was asked to quit) and nobody will see the outcome.
  void applicationWillTerminate() override;
  // Once the application's loop has ended: runs the loop until a running removal has stopped (at
  // most `limit`) and says whether the run came to its end (the user cancelled or saw the outcome).
  // The entry point exits non-zero otherwise.
  bool finishAfterTermination(platform::EventLoop& loop, std::chrono::milliseconds limit);

  // The dialogs and windows (main thread).
  UninstallChoice askForUninstallChoice();
  void showDataRemovalDetails();
  std::shared_ptr<platform::View> buildOnboardingAccessory(const std::string& imageName,
                                                           const std::string& fallbackSymbolName,
                                                           const std::string& headline,
                                                           const std::vector<std::string>& steps);
  std::shared_ptr<platform::Image> bundledImage(const std::string& name) const;
  void showProgress(const std::string& message);
  void closeProgress();
  // Shows the outcome and terminates the application once the user dismisses it.
  void showResult(const UninstallOutcome& outcome);

  const platform::Window* progressWindow() const { return progressWindow_.get(); }

 private:
  UninstallerServices services_;
  std::unique_ptr<platform::Window> progressWindow_;
  bool working_ = false;                     // the removal runs (main thread)
  bool finished_ = false;                    // the user cancelled or saw the outcome (main thread)
  std::atomic<bool> stopRequested_ = false;  // set on the main thread, read by the removal
};

}  // namespace uninstaller
