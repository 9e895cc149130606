#pragma once

#include <sys/types.h>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/EventLoop.h"
#include "platform/HotKeyServices.h"
#include "platform/InterfaceRecords.h"
#include "platform/ScreensAndLanguages.h"
#include "platform/WindowServer.h"

namespace platform {

class Alert;
class Bundle;
struct DesktopServices;  // platform/DesktopServices.h
class EventTarget;
class StatusItem;
class Window;

// The application's delegate: told when launching has finished and when the application is about
// to terminate.
class ApplicationDelegate {
 public:
  virtual ~ApplicationDelegate() = default;
  virtual void applicationDidFinishLaunching() {}
  virtual void applicationWillTerminate() {}
};

// The program's application object: its delegate, activation policy, event loop, and the window
// server's side of its windows, alerts and status items. It works through three of the desktop's
// roles: the window server, the hot keys (for its event target) and the screens (where its windows
// centre). Main thread only.
class Application {
 public:
  // A program's application, named by its bundle and process id, as its entry point makes it on
  // its desktop's roles. A user-interface element (LSUIElement) starts as an accessory application.
  static std::unique_ptr<Application> forBundle(const DesktopServices& desktop, EventLoop& loop,
                                                const Bundle& bundle, pid_t pid);

  // An application on the given roles and loop (tests make several in one process). The roles
  // must outlive it.
  Application(WindowServer& windowServer, HotKeyServices& hotKeys, ScreensAndLanguages& screens,
              EventLoop& loop, ApplicationIdentity identity);
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;
  Application(Application&&) = delete;
  Application& operator=(Application&&) = delete;

  // The delegate is not owned; it must outlive the application's run.
  void setDelegate(ApplicationDelegate* delegate) { delegate_ = delegate; }

  ActivationPolicy activationPolicy() const { return policy_; }
  void setActivationPolicy(ActivationPolicy policy);
  // Makes the application active and frontmost, ignoring the other applications.
  void activate();
  // Hides the application's windows; the desktop gives the front to another application.
  void hide();

  // Checks in with the desktop and tells the delegate that launching has finished.
  void finishLaunching();
  // finishLaunching(), then runs the event loop until terminate().
  void run();
  // Tells the delegate that the application will terminate, checks out and ends run(). In a
  // program (run() active) the loop stops; the process then exits from main.
  void terminate();
  bool isTerminated() const { return terminated_; }
  // Called when the application has terminated (after the delegate), for the entry code.
  void setOnTerminate(std::function<void()> onTerminate) { onTerminate_ = std::move(onTerminate); }

  EventLoop& loop() const { return loop_; }
  const ApplicationIdentity& identity() const { return identity_; }

  // The window server's side, used by Window, Alert and StatusItem.
  void addWindow(Window* window);
  void removeWindow(Window* window);
  const std::vector<Window*>& windows() const { return windows_; }
  Window* keyWindow() const;
  void setKeyWindow(Window* window);
  void addStatusItem(StatusItem* item);
  void removeStatusItem(StatusItem* item);
  // A modal alert run: the alert is shown until answered; runModal's nested loop runs meanwhile.
  void beginModalAlert(Alert* alert);
  void endModalAlert(Alert* alert);
  Alert* modalAlert() const;

  // Something on screen changed: the interface is published once, from the loop, soon.
  void interfaceChanged();
  // Everything the application shows, as published to the desktop.
  InterfaceRecord describeInterface() const;

  // Handles one of the desktop's requests (see DesktopEvent); the user's input goes to the
  // frontmost modal alert, else to the key window (see UserInput). Returns whether the target was
  // found.
  bool handleEvent(const DesktopEvent& event);

  // Hot-key presses of this application, delivered to the hot-key service.
  void setHotKeyHandler(std::function<void(std::uint32_t signature, std::uint32_t id)> handler) {
    hotKeyHandler_ = std::move(handler);
  }

 private:
  // Makes the application's event target on first use.
  friend EventTarget* GetApplicationEventTarget(Application& application);
  // The platform's own objects that work through the application's roles; the programs hand their
  // components the roles themselves.
  friend class EventTarget;
  friend class Window;
  friend void playAlertSound(Application& application);
  WindowServer& windowServer() const { return windowServer_; }
  HotKeyServices& hotKeys() const { return hotKeys_; }
  ScreensAndLanguages& screensAndLanguages() const { return screensAndLanguages_; }

  void checkIn();
  bool handleInput(const UserInput& input);
  void publishNow();

  WindowServer& windowServer_;
  HotKeyServices& hotKeys_;
  ScreensAndLanguages& screensAndLanguages_;
  EventLoop& loop_;
  ApplicationIdentity identity_;
  ApplicationDelegate* delegate_ = nullptr;
  ActivationPolicy policy_ = ActivationPolicy::regular;
  bool checkedIn_ = false;
  bool terminated_ = false;
  bool running_ = false;
  std::shared_ptr<WorkItem> pendingPublish_;
  std::vector<Window*> windows_;
  Window* keyWindow_ = nullptr;
  std::vector<StatusItem*> statusItems_;
  std::vector<Alert*> modalAlerts_;
  std::function<void()> onTerminate_;
  std::function<void(std::uint32_t, std::uint32_t)> hotKeyHandler_;
  // The Carbon-style event target, once asked for; it goes first when the application goes.
  std::unique_ptr<EventTarget> eventTarget_;
};

}  // namespace platform
