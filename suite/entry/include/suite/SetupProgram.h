#pragma once

#include <sys/types.h>

#include <functional>
#include <memory>
#include <string_view>

#include "platform/Application.h"
#include "platform/ApplicationServices.h"
#include "platform/ProcessLauncher.h"
#include "platform/ScreensAndLanguages.h"
#include "suite/BackgroundWorkDelegate.h"

namespace suite {

// What the installer's and the uninstaller's entry points hand to the delegate they make. Each
// lives until the program ends.
struct SetupProgramParts {
  platform::Application& application;
  platform::ScreensAndLanguages& screens;
  const platform::ProcessLauncher& processes;
  // The running applications, callable from the background work.
  platform::ApplicationServices& applications;
  uid_t userId;
};

// The whole of the installer's and the uninstaller's entry points: connects to the desktop, makes
// the application of the main bundle and the delegate, and runs it. The exit status: 0 when the run
// came to its end, 1 when the program ended before the user saw the outcome (work under way stops
// at its next step first) or found no desktop to run on ("<name>: <why>" on standard error).
int runSetupProgram(
    std::string_view name,
    const std::function<std::shared_ptr<BackgroundWorkDelegate>(const SetupProgramParts&)>&
        makeDelegate);

}  // namespace suite
