#include "support/TestScripts.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstddef>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <utility>

#include "support/Eventually.h"
#include "support/TemporaryFolder.h"

namespace testsupport {
namespace {

// The text as one single-quoted shell word.
std::string shellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (const char character : text) {
    if (character == '\'') {
      quoted += "'\\''";
    } else {
      quoted += character;
    }
  }
  return quoted + "'";
}

// A script that records its call and then runs `ending`.
std::filesystem::path writeScript(const std::filesystem::path& scriptPath,
                                  const std::filesystem::path& recordFile,
                                  const std::string& ending) {
  // Each call is recorded as its argument count on a line of its own followed by the arguments,
  // each ending in a NUL byte, so that any argument text (spaces, newlines) reads back unchanged.
  // The record is assembled first and appended with one write, so concurrent calls do not mix.
  const std::string script =
      "#!/bin/sh\n"
      "record=" +
      shellQuoted(recordFile.string()) +
      "\n"
      "pending=\"$record.$$\"\n"
      "{\n"
      "  printf '%d\\n' \"$#\"\n"
      "  for argument in \"$@\"; do printf '%s\\0' \"$argument\"; done\n"
      "} > \"$pending\"\n"
      "cat \"$pending\" >> \"$record\"\n"
      "rm -f \"$pending\"\n" +
      ending + "\n";
  writeFile(scriptPath, script);
  std::filesystem::permissions(
      scriptPath, std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                      std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                      std::filesystem::perms::others_exec);
  return scriptPath;
}

}  // namespace

std::filesystem::path writeRecordingScript(const std::filesystem::path& scriptPath,
                                           const std::filesystem::path& recordFile,
                                           int exitStatus) {
  return writeScript(scriptPath, recordFile, "exit " + std::to_string(exitStatus));
}

std::filesystem::path writeNeverEndingScript(const std::filesystem::path& scriptPath,
                                             const std::filesystem::path& recordFile) {
  // It waits for as long as the process that started it lives, so that a test that fails leaves
  // nothing running.
  return writeScript(scriptPath, recordFile, "while kill -0 \"$PPID\"; do sleep 0.1; done");
}

std::vector<std::vector<std::string>> readRecordedCalls(const std::filesystem::path& recordFile) {
  std::vector<std::vector<std::string>> calls;
  std::ifstream in(recordFile, std::ios::binary);
  if (!in) {
    return calls;
  }
  const std::string contents{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::size_t position = 0;
  while (position < contents.size()) {
    const std::size_t lineEnd = contents.find('\n', position);
    if (lineEnd == std::string::npos) {
      throw std::runtime_error("truncated call record in " + recordFile.string());
    }
    const std::size_t count = std::stoul(contents.substr(position, lineEnd - position));
    position = lineEnd + 1;
    std::vector<std::string> arguments;
    for (std::size_t index = 0; index < count; ++index) {
      const std::size_t argumentEnd = contents.find('\0', position);
      if (argumentEnd == std::string::npos) {
        throw std::runtime_error("truncated call record in " + recordFile.string());
      }
      arguments.push_back(contents.substr(position, argumentEnd - position));
      position = argumentEnd + 1;
    }
    calls.push_back(std::move(arguments));
  }
  return calls;
}

EmulatedTools writeEmulatedTools(const std::filesystem::path& desktopFolder, int launchctlStatus,
                                 int openStatus) {
  EmulatedTools tools{desktopFolder, desktopFolder / "launchctl.calls",
                      desktopFolder / "open.calls"};
  writeRecordingScript(desktopFolder / "root" / "bin" / "launchctl", tools.launchctlCalls,
                       launchctlStatus);
  writeRecordingScript(desktopFolder / "root" / "usr" / "bin" / "open", tools.openCalls,
                       openStatus);
  return tools;
}

std::vector<std::vector<std::string>> awaitRecordedCalls(const std::filesystem::path& recordFile,
                                                         std::size_t count) {
  eventually([&] { return readRecordedCalls(recordFile).size() >= count; });
  return readRecordedCalls(recordFile);
}

pid_t endedProcessId() {
  const pid_t child = ::fork();
  if (child == 0) {
    ::_exit(0);
  }
  if (child < 0 || ::waitpid(child, nullptr, 0) != child) {
    throw std::runtime_error("could not start and end a process");
  }
  return child;
}

}  // namespace testsupport
