#pragma once

#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

// Writes an executable /bin/sh script that appends a record of each call (all of its arguments,
// exactly as received) to recordFile and then exits with exitStatus. Returns scriptPath.
std::filesystem::path writeRecordingScript(const std::filesystem::path& scriptPath,
                                           const std::filesystem::path& recordFile, int exitStatus);

// Like writeRecordingScript, but the script never exits on its own once it has recorded the call
// (while the process that started it lives). A signal ends it.
std::filesystem::path writeNeverEndingScript(const std::filesystem::path& scriptPath,
                                             const std::filesystem::path& recordFile);

// The calls a recording script made, oldest first, each as its argument list (without argv[0]).
// Empty when the script was never called.
std::vector<std::vector<std::string>> readRecordedCalls(const std::filesystem::path& recordFile);

// The calls once there are at least `count`, or after a generous deadline: for a script that is
// started and left alone, whose record comes when it comes.
std::vector<std::vector<std::string>> awaitRecordedCalls(const std::filesystem::path& recordFile,
                                                         std::size_t count);

// The id of a process that has ended and been reaped: what the hidden leftovers of a killed
// program carry in their names.
pid_t endedProcessId();

// Recording stand-ins for the system tools of an emulated desktop in desktopFolder:
// root/bin/launchctl and root/usr/bin/open, each exiting with the given status.
struct EmulatedTools {
  std::filesystem::path desktop;
  std::filesystem::path launchctlCalls;
  std::filesystem::path openCalls;
};
EmulatedTools writeEmulatedTools(const std::filesystem::path& desktopFolder,
                                 int launchctlStatus = 0, int openStatus = 0);

}  // namespace testsupport
