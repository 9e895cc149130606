// FerrolinLauncher's entry point: the menu-bar program that keeps Ferrolin one shortcut away.

#include <memory>

#include "LauncherDelegate.h"
#include "LauncherServices.h"
#include "platform/Application.h"

namespace {

class QuorrelLauncherMain {
 public:
  // Makes the delegate, hands it to the shared application and runs the event loop until the
  // application terminates.
  static void main() {
    platform::Application& application = platform::Application::shared();
    retainedDelegate =
        std::make_shared<launcher::LauncherDelegate>(launcher::LauncherServices::forProcess());
    application.setDelegate(retainedDelegate.get());
    application.run();
    // The process ends now. The delegate's components hold on to the application's status item
    // and hot keys, so they go while the application still exists.
    application.setDelegate(nullptr);
    retainedDelegate.reset();
  }

 private:
  // The only owner of the delegate: the application refers to it without owning it.
  static inline std::shared_ptr<launcher::LauncherDelegate> retainedDelegate;
};

}  // namespace

int main() {
  QuorrelLauncherMain::main();
  return 0;
}
