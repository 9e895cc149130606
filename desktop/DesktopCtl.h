#pragma once

#include <filesystem>
#include <ostream>

#include "CtlCommand.h"
#include "platform/DesktopChannel.h"
#include "platform/Error.h"
#include "platform/FileManager.h"
#include "platform/ProcessLauncher.h"

namespace desktop {

// Carries out desktopctl's commands against the emulated desktop in one folder: starts and stops
// its daemon, sends it requests and draws what its screen shows. Results go to `out`, messages to
// `err`.
class DesktopCtl {
 public:
  // toolFolder holds desktopd and the launchctl and open stand-ins (desktopctl's own folder);
  // `launcher` starts desktopd; `files` lays out the desktop's folder.
  DesktopCtl(std::filesystem::path desktopFolder, std::filesystem::path toolFolder,
             std::ostream& out, std::ostream& err, platform::ProcessLauncher launcher,
             const platform::FileManager& files);

  // Returns the exit status: 0 done, 1 not there or failed (an unreachable daemon included), 2 a
  // request the daemon found malformed.
  int run(const CtlCommand& command);

 private:
  int start();
  int stop();
  int request(const CtlCommand& command);
  int screenshot(const CtlCommand& command);
  // Serves the screen to a web browser until the daemon ends or SIGINT or SIGTERM arrives.
  int view(const CtlCommand& command);
  platform::Result<platform::DesktopChannel> connect() const;
  // Prints the error and returns its exit status.
  int failed(const platform::Error& error) const;

  std::filesystem::path desktopFolder_;
  std::filesystem::path toolFolder_;
  std::ostream* out_;
  std::ostream* err_;
  platform::ProcessLauncher launcher_;
  const platform::FileManager* files_;  // not owned
};

}  // namespace desktop
