#include "model/RunningApplicationsModel.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using platform::ActivationPolicy;
using platform::RunningApplicationsModel;
using platform::RunningApplicationState;

RunningApplicationState app(pid_t pid, const std::string& bundleIdentifier,
                            ActivationPolicy policy = ActivationPolicy::regular) {
  return {.pid = pid,
          .bundleIdentifier = bundleIdentifier,
          .bundlePath = "/Applications/" + bundleIdentifier + ".app",
          .activationPolicy = policy};
}

// Three regular applications launched in order (300 ends frontmost) and an accessory one.
class RunningApplicationsModelTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(model.launch(app(100, "org.example.other")));
    ASSERT_TRUE(model.launch(app(200, "app.ferrolin.desktop")));
    ASSERT_TRUE(model.launch(app(300, "com.example.editor")));
    ASSERT_TRUE(model.launch(app(400, "com.quorrel.launcher", ActivationPolicy::accessory)));
  }

  // The pids of the listed applications, in launch order, and of the active ones.
  std::vector<pid_t> listed() const {
    std::vector<pid_t> pids;
    for (const RunningApplicationState& state : model.applications()) {
      pids.push_back(state.pid);
    }
    return pids;
  }
  std::vector<pid_t> active() const {
    std::vector<pid_t> pids;
    for (const RunningApplicationState& state : model.applications()) {
      if (state.active) {
        pids.push_back(state.pid);
      }
    }
    return pids;
  }
  // The listed record of that pid, or an empty one.
  RunningApplicationState state(pid_t pid) const {
    return model.application(pid).value_or(RunningApplicationState{});
  }
  bool hidden(pid_t pid) const { return state(pid).hidden; }

  RunningApplicationsModel model;
};

TEST_F(RunningApplicationsModelTest, LaunchKeepsOrderAndOnlyRegularApplicationsTakeTheFront) {
  EXPECT_EQ(listed(), (std::vector<pid_t>{100, 200, 300, 400}));
  EXPECT_EQ(model.frontmost(), 300);
  EXPECT_EQ(active(), std::vector<pid_t>{300});
  EXPECT_EQ(state(200).bundlePath, "/Applications/app.ferrolin.desktop.app");

  // The launched record's own state is not taken over, and a pid is listed once.
  RunningApplicationState claimsFront = app(500, "com.example.tool", ActivationPolicy::accessory);
  claimsFront.active = true;
  claimsFront.hidden = true;
  EXPECT_TRUE(model.launch(claimsFront));
  EXPECT_EQ(active(), std::vector<pid_t>{300});
  EXPECT_FALSE(hidden(500));
  EXPECT_FALSE(model.launch(app(200, "com.example.duplicate")));
  EXPECT_EQ(state(200).bundleIdentifier, "app.ferrolin.desktop");

  ASSERT_TRUE(model.launch(app(250, "app.ferrolin.desktop")));
  std::vector<pid_t> targets;
  for (const RunningApplicationState& state : model.applications("app.ferrolin.desktop")) {
    targets.push_back(state.pid);
  }
  EXPECT_EQ(targets, (std::vector<pid_t>{200, 250}));
  EXPECT_TRUE(model.applications("com.example.absent").empty());
  EXPECT_FALSE(model.application(999));
}

TEST_F(RunningApplicationsModelTest, ActivateShowsTheApplicationInFrontAndDeactivatesTheRest) {
  ASSERT_TRUE(model.hide(200));
  EXPECT_TRUE(model.activate(200));
  EXPECT_FALSE(hidden(200));
  EXPECT_EQ(model.frontmost(), 200);
  EXPECT_EQ(active(), std::vector<pid_t>{200});

  // An accessory application can come to the front too (its windows do).
  EXPECT_TRUE(model.activate(400));
  EXPECT_EQ(active(), std::vector<pid_t>{400});

  model.focusNone();
  EXPECT_EQ(model.frontmost(), std::nullopt);
  EXPECT_TRUE(active().empty());
  EXPECT_FALSE(model.activate(999));
}

TEST_F(RunningApplicationsModelTest,
       HidingTheFrontmostBringsTheMostRecentlyActiveVisibleRegularOne) {
  // Recency, not launch order: 100 was active after 200.
  ASSERT_TRUE(model.activate(200));
  ASSERT_TRUE(model.activate(100));
  ASSERT_TRUE(model.activate(400));  // accessory: never chosen as the next front
  ASSERT_TRUE(model.activate(300));

  EXPECT_TRUE(model.hide(300));
  EXPECT_TRUE(hidden(300));
  EXPECT_EQ(active(), std::vector<pid_t>{100});

  // Hidden applications are skipped; with no visible regular one left, none is frontmost.
  EXPECT_TRUE(model.hide(100));
  EXPECT_EQ(model.frontmost(), 200);
  EXPECT_TRUE(model.hide(200));
  EXPECT_TRUE(active().empty());

  // Unhiding shows an application without bringing it forward, and hiding one that is not in
  // front leaves the front as it is, even when none is.
  EXPECT_TRUE(model.unhide(300));
  EXPECT_TRUE(model.unhide(100));
  EXPECT_FALSE(hidden(300));
  EXPECT_EQ(model.frontmost(), std::nullopt);
  EXPECT_TRUE(model.hide(300));
  EXPECT_EQ(model.frontmost(), std::nullopt);
  EXPECT_FALSE(model.unhide(999));
  EXPECT_FALSE(model.hide(999));
}

TEST_F(RunningApplicationsModelTest, TerminatingRemovesTheApplicationAndMovesTheFrontOn) {
  ASSERT_TRUE(model.activate(200));
  ASSERT_TRUE(model.activate(300));
  EXPECT_TRUE(model.terminate(300));
  EXPECT_EQ(listed(), (std::vector<pid_t>{100, 200, 400}));
  EXPECT_EQ(model.frontmost(), 200);

  // A terminated application is never brought back to the front.
  EXPECT_TRUE(model.terminate(100));
  EXPECT_TRUE(model.hide(200));
  EXPECT_EQ(model.frontmost(), std::nullopt);
  EXPECT_FALSE(model.terminate(100));

  // The pid may be used again by a new process.
  EXPECT_TRUE(model.launch(app(300, "com.example.editor")));
  EXPECT_EQ(model.frontmost(), 300);
}

TEST_F(RunningApplicationsModelTest, ActivationPolicyDecidesWhoMayTakeTheFrontNext) {
  ASSERT_TRUE(model.activate(200));
  ASSERT_TRUE(model.activate(100));
  ASSERT_TRUE(model.activate(300));
  EXPECT_TRUE(model.setActivationPolicy(100, ActivationPolicy::accessory));
  EXPECT_EQ(state(100).activationPolicy, ActivationPolicy::accessory);
  EXPECT_TRUE(model.hide(300));
  EXPECT_EQ(model.frontmost(), 200);

  EXPECT_TRUE(model.setActivationPolicy(100, ActivationPolicy::regular));
  EXPECT_TRUE(model.hide(200));
  EXPECT_EQ(model.frontmost(), 100);
  EXPECT_FALSE(model.setActivationPolicy(999, ActivationPolicy::regular));
}

}  // namespace
