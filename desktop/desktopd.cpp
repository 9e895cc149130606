// desktopd <desktop folder>: the emulated desktop's daemon. It listens on the folder's socket, then
// goes to the background: the command returns once programs can connect. Its own output goes to
// desktopd.log in the folder. It ends on a "shutdown" request. One daemon per folder: a second one
// says that the desktop is already running and exits with status 1.

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "DesktopDaemon.h"
#include "platform/DesktopChannel.h"
#include "platform/EventLoop.h"
#include "platform/FileManager.h"

namespace {

// Standard input from /dev/null and both outputs to the log, so that whoever started the daemon is
// not held by its pipes.
bool redirectOutput(const std::filesystem::path& log) {
  const int input = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-vararg): open takes the mode as a vararg
  const int output = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (input < 0 || output < 0) {
    return false;
  }
  const bool done = ::dup2(input, STDIN_FILENO) >= 0 && ::dup2(output, STDOUT_FILENO) >= 0 &&
                    ::dup2(output, STDERR_FILENO) >= 0;
  ::close(input);
  ::close(output);
  return done;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: desktopd <desktop folder>\n";
    return 2;
  }
  const std::filesystem::path folder = std::filesystem::absolute(argv[1]);  // NOLINT: argv
  if (auto created = platform::FileManager::defaultManager().createDirectory(folder); !created) {
    std::cerr << "desktopd: " << created.error().localizedDescription << "\n";
    return 1;
  }
  const auto listening = desktop::DesktopDaemon::listenIn(folder);
  if (!listening) {
    std::cerr << "desktopd: " << listening.error().localizedDescription << "\n";
    return 1;
  }
  if (!redirectOutput(folder / "desktopd.log")) {
    std::perror("desktopd: cannot write its log");
    return 1;
  }
  // The parent returns as soon as the socket listens; the child serves.
  const pid_t child = ::fork();
  if (child < 0) {
    std::perror("desktopd: fork");
    return 1;
  }
  if (child > 0) {
    return 0;
  }
  ::setsid();
  const char* home = std::getenv("HOME");  // NOLINT(concurrency-mt-unsafe): no threads yet
  platform::EventLoop& loop = platform::EventLoop::main();
  desktop::DesktopDaemon daemon(
      *listening, platform::DesktopChannel::socketPath(folder), loop,
      home != nullptr ? std::filesystem::path(home) : std::filesystem::path("/"));
  loop.run();
  return 0;
}
