#include "suite/BackgroundWorkDelegate.h"

#include <utility>

#include "platform/Alert.h"

namespace suite {

void BackgroundWorkDelegate::applicationWillTerminate() {
  state_->stop = state_->working;
}

bool BackgroundWorkDelegate::finishAfterTermination(platform::EventLoop& loop,
                                                    std::chrono::milliseconds limit) {
  loop.runUntil([this] { return !state_->working; }, limit);
  return state_->finished;
}

void BackgroundWorkDelegate::runInBackground(
    platform::GlobalQueue& background, platform::EventLoop& mainQueue,
    std::function<Outcome(const std::atomic<bool>& stop)> work,
    std::function<void(const Outcome&)> done) {
  state_->working = true;
  background.async([state = state_, &mainQueue, work = std::move(work), done = std::move(done)] {
    Outcome outcome = work(state->stop);
    mainQueue.async([state, done, outcome = std::move(outcome)] {
      state->working = false;
      if (!state->stop) {
        done(outcome);
      }
    });
  });
}

void showOutcome(platform::Application& application, const Outcome& outcome,
                 const std::string& buttonTitle) {
  platform::Alert alert(application);
  alert.setMessageText(outcome.title);
  alert.setInformativeText(outcome.message);
  alert.setAlertStyle(outcome.success ? platform::AlertStyle::informational
                                      : platform::AlertStyle::critical);
  alert.addButton(buttonTitle);
  [[maybe_unused]] const platform::ModalResponse ignored = alert.runModal();
}

}  // namespace suite
