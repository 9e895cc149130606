// desktopctl: the user's hands and eyes on the emulated desktop named by EMULATED_DESKTOP.
// `desktopctl help` lists the commands.

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "CtlCommand.h"
#include "DesktopCtl.h"
#include "platform/Bundle.h"
#include "platform/FileManager.h"
#include "platform/ProcessInfo.h"
#include "platform/ProcessLauncher.h"
#include "platform/SystemPaths.h"

int main(int argc, char** argv) {
  try {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const auto command = desktop::parseCtlCommand(arguments);
    if (!command) {
      std::cerr << "desktopctl: " << command.error() << "\n";
      return 2;
    }
    if (command->kind == desktop::CtlCommand::Kind::help) {
      std::cout << desktop::ctlUsage();
      return 0;
    }
    const auto folder = platform::ProcessInfo::current().environmentValue("EMULATED_DESKTOP");
    if (!folder || folder->empty()) {
      std::cerr << "desktopctl: EMULATED_DESKTOP is not set; it names the emulated desktop's "
                   "folder\n";
      return 2;
    }
    std::error_code error;
    const std::filesystem::path desktopFolder = std::filesystem::absolute(*folder, error);
    if (error) {
      std::cerr << "desktopctl: " << *folder << ": " << error.message() << "\n";
      return 1;
    }
    const std::filesystem::path executable =
        platform::Bundle::main().executablePath().value_or(std::filesystem::path());
    if (executable.empty()) {
      std::cerr << "desktopctl: cannot find its own folder\n";
      return 1;
    }
    // The daemon and every program it starts inherit this environment, whatever their folder.
    setenv("EMULATED_DESKTOP", desktopFolder.c_str(), 1);
    // Starting the daemon is not a program started on the desktop: no journal entry for it.
    desktop::DesktopCtl ctl(desktopFolder, executable.parent_path(), std::cout, std::cerr,
                            platform::ProcessLauncher(platform::SystemPaths(std::nullopt), {}),
                            platform::FileManager::defaultManager());
    return ctl.run(*command);
  } catch (const std::exception& exception) {
    std::cerr << "desktopctl: " << exception.what() << "\n";
    return 1;
  }
}
