#include "platform/RunningApplicationsModel.h"

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

std::vector<pid_t> activePids(const RunningApplicationsModel& model) {
  std::vector<pid_t> active;
  for (const RunningApplicationState& state : model.applications()) {
    if (state.active) {
      active.push_back(state.pid);
    }
  }
  return active;
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

  // The listed application with that pid; a test failure when it is not listed.
  RunningApplicationState listed(pid_t pid) const {
    const std::optional<RunningApplicationState> state = model.application(pid);
    if (!state) {
      ADD_FAILURE() << "pid " << pid << " is not listed";
      return {};
    }
    return *state;
  }

  RunningApplicationsModel model;
};

TEST_F(RunningApplicationsModelTest, LaunchKeepsOrderAndOnlyRegularApplicationsTakeTheFront) {
  std::vector<pid_t> order;
  for (const RunningApplicationState& state : model.applications()) {
    order.push_back(state.pid);
    EXPECT_FALSE(state.hidden);
    EXPECT_FALSE(state.terminated);
  }
  EXPECT_EQ(order, (std::vector<pid_t>{100, 200, 300, 400}));
  EXPECT_EQ(model.frontmost(), 300);
  EXPECT_EQ(activePids(model), std::vector<pid_t>{300});
  EXPECT_EQ(listed(400).activationPolicy, ActivationPolicy::accessory);
  EXPECT_EQ(listed(200).bundlePath, "/Applications/app.ferrolin.desktop.app");

  // The launched record's own state is not taken over, and a pid is listed once.
  RunningApplicationState claimsFront = app(500, "com.example.tool", ActivationPolicy::accessory);
  claimsFront.active = true;
  claimsFront.hidden = true;
  EXPECT_TRUE(model.launch(claimsFront));
  EXPECT_FALSE(listed(500).active);
  EXPECT_FALSE(listed(500).hidden);
  EXPECT_FALSE(model.launch(app(200, "com.example.duplicate")));
  EXPECT_EQ(listed(200).bundleIdentifier, "app.ferrolin.desktop");
  EXPECT_EQ(model.frontmost(), 300);
}

TEST_F(RunningApplicationsModelTest, QueriesByBundleIdentifierInLaunchOrder) {
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
  EXPECT_FALSE(listed(200).hidden);
  EXPECT_EQ(model.frontmost(), 200);
  EXPECT_EQ(activePids(model), std::vector<pid_t>{200});

  // An accessory application can come to the front too (its windows do).
  EXPECT_TRUE(model.activate(400));
  EXPECT_EQ(model.frontmost(), 400);
  EXPECT_EQ(activePids(model), std::vector<pid_t>{400});

  EXPECT_FALSE(model.activate(999));
  EXPECT_EQ(model.frontmost(), 400);
}

TEST_F(RunningApplicationsModelTest,
       HidingTheFrontmostBringsTheMostRecentlyActiveVisibleRegularOne) {
  // Recency, not launch order: 100 was active after 200.
  ASSERT_TRUE(model.activate(200));
  ASSERT_TRUE(model.activate(100));
  ASSERT_TRUE(model.activate(400));  // accessory: never chosen as the next front
  ASSERT_TRUE(model.activate(300));

  EXPECT_TRUE(model.hide(300));
  EXPECT_TRUE(listed(300).hidden);
  EXPECT_FALSE(listed(300).active);
  EXPECT_EQ(model.frontmost(), 100);
  EXPECT_EQ(activePids(model), std::vector<pid_t>{100});

  // Hidden applications are skipped; with no visible regular one left, none is frontmost.
  EXPECT_TRUE(model.hide(100));
  EXPECT_EQ(model.frontmost(), 200);
  EXPECT_TRUE(model.hide(200));
  EXPECT_EQ(model.frontmost(), std::nullopt);
  EXPECT_TRUE(activePids(model).empty());

  // Unhiding shows an application without bringing it forward.
  EXPECT_TRUE(model.unhide(300));
  EXPECT_FALSE(listed(300).hidden);
  EXPECT_EQ(model.frontmost(), std::nullopt);
  EXPECT_FALSE(model.unhide(999));
  EXPECT_FALSE(model.hide(999));
}

TEST_F(RunningApplicationsModelTest, HidingAnApplicationBehindLeavesTheFrontAlone) {
  EXPECT_TRUE(model.hide(200));
  EXPECT_TRUE(listed(200).hidden);
  EXPECT_EQ(model.frontmost(), 300);

  // Likewise while nothing is in front: the front stays empty.
  model.focusNone();
  EXPECT_EQ(model.frontmost(), std::nullopt);
  EXPECT_TRUE(activePids(model).empty());
  EXPECT_TRUE(model.hide(300));
  EXPECT_EQ(model.frontmost(), std::nullopt);
}

TEST_F(RunningApplicationsModelTest, TerminatingRemovesTheApplicationAndMovesTheFrontOn) {
  ASSERT_TRUE(model.activate(200));
  ASSERT_TRUE(model.activate(300));
  EXPECT_TRUE(model.terminate(300));
  EXPECT_FALSE(model.application(300));
  EXPECT_EQ(model.applications().size(), 3U);
  EXPECT_EQ(model.frontmost(), 200);

  // A terminated application is never brought back to the front.
  EXPECT_TRUE(model.terminate(100));
  EXPECT_TRUE(model.hide(200));
  EXPECT_EQ(model.frontmost(), std::nullopt);

  EXPECT_TRUE(model.terminate(400));
  EXPECT_FALSE(model.terminate(400));
  EXPECT_EQ(model.applications().size(), 1U);

  // The pid may be used again by a new process.
  EXPECT_TRUE(model.launch(app(300, "com.example.editor")));
  EXPECT_EQ(model.frontmost(), 300);
}

TEST_F(RunningApplicationsModelTest, ActivationPolicyDecidesWhoMayTakeTheFrontNext) {
  ASSERT_TRUE(model.activate(200));
  ASSERT_TRUE(model.activate(100));
  ASSERT_TRUE(model.activate(300));
  EXPECT_TRUE(model.setActivationPolicy(100, ActivationPolicy::accessory));
  EXPECT_EQ(listed(100).activationPolicy, ActivationPolicy::accessory);
  EXPECT_TRUE(model.hide(300));
  EXPECT_EQ(model.frontmost(), 200);

  EXPECT_TRUE(model.setActivationPolicy(100, ActivationPolicy::regular));
  EXPECT_TRUE(model.hide(200));
  EXPECT_EQ(model.frontmost(), 100);
  EXPECT_FALSE(model.setActivationPolicy(999, ActivationPolicy::regular));
}

}  // namespace
