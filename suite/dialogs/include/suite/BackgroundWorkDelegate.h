#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "platform/Application.h"
#include "platform/EventLoop.h"
#include "platform/GlobalQueue.h"
#include "suite/Outcome.h"

namespace suite {

// What the installer's and the uninstaller's delegates share: they run one piece of work on a
// background queue and show its outcome on the main loop, stop it when the program is told to quit
// (its desktop went away, or a logout), and tell the entry point whether the run came to its end.
class BackgroundWorkDelegate : public platform::ApplicationDelegate {
 public:
  // Asks the work under way to stop at its next step: nobody will see its outcome.
  void applicationWillTerminate() override;
  // Once the application's loop has ended: runs the loop until the work under way has stopped (at
  // most `limit`), so that nothing is left half done, and says whether the run came to its end.
  bool finishAfterTermination(platform::EventLoop& loop, std::chrono::milliseconds limit);

 protected:
  // Runs `work` on `background`, handing it the flag that says it is to stop, then `done` with its
  // outcome on `mainQueue`, unless the program was told to quit meanwhile.
  void runInBackground(platform::GlobalQueue& background, platform::EventLoop& mainQueue,
                       std::function<Outcome(const std::atomic<bool>& stop)> work,
                       std::function<void(const Outcome&)> done);
  // The run came to its end: the user cancelled or saw the outcome.
  void runEnded() { state_->finished = true; }

 private:
  struct State {
    bool working = false;            // main thread
    bool finished = false;           // main thread
    std::atomic<bool> stop = false;  // set on the main thread, read by the work
  };
  std::shared_ptr<State> state_ = std::make_shared<State>();
};

// Shows the outcome in a dialog with one button (informational after a success, critical after a
// failure) and returns once the user has dismissed it.
void showOutcome(platform::Application& application, const Outcome& outcome,
                 const std::string& buttonTitle);

}  // namespace suite
