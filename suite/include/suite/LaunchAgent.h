#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/Error.h"
#include "platform/FileManager.h"

namespace suite {

// The label of the launch agent that starts the launcher at login.
inline constexpr std::string_view launchAgentLabel = "com.quorrel.launcher";

// ~/Library/LaunchAgents, and the agent file in it, under `home`.
std::filesystem::path launchAgentsDirectory(const std::filesystem::path& home);
std::filesystem::path launchAgentPath(const std::filesystem::path& home);

// The agent's property list: Label, ProgramArguments (the program path alone), RunAtLoad and
// ProcessType Interactive, sixteen lines joined by line feeds, without a final one. "&", "<" and
// ">" in the path are written as entities and a carriage return as a character reference, so that
// launchd reads back exactly this path. A path that XML cannot carry (a control character other
// than tab, line feed and carriage return, U+FFFE, U+FFFF, or bytes that are not UTF-8) is refused
// with an error in `errorDomain` that names it.
platform::Result<std::string> launchAgentPropertyList(std::string_view programPath,
                                                      std::string_view errorDomain);

// Builds the property list for `program`, creates the LaunchAgents folder (with missing parents)
// under the file manager's home and writes the agent file atomically, replacing any file there.
// The first failing step's error; a refused path leaves the disk untouched.
platform::Result<void> writeLaunchAgent(const platform::FileManager& files,
                                        const std::filesystem::path& program,
                                        std::string_view errorDomain);

}  // namespace suite
