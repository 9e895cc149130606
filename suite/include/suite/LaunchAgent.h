#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/Error.h"
#include "platform/FileManager.h"

namespace suite {

// The agent's property list: Label (launchAgentLabel, suite/Identity.h), ProgramArguments (the
// program path alone), RunAtLoad and ProcessType Interactive, sixteen lines joined by line feeds,
// without a final one. "&", "<" and
// ">" in the path are written as entities and a carriage return as a character reference, so that
// launchd reads back exactly this path. A path that XML cannot carry (a control character other
// than tab, line feed and carriage return, U+FFFE, U+FFFF, or bytes that are not UTF-8) is refused
// with an error in `errorDomain` that names it.
platform::Result<std::string> launchAgentPropertyList(std::string_view programPath,
                                                      std::string_view errorDomain);

// Builds the property list for `program`, creates the LaunchAgents folder (with missing parents)
// under the file manager's home and writes the agent file (suite/HomeLayout.h) atomically,
// replacing any file there. The first failing step's error; a refused path leaves the disk
// untouched.
platform::Result<void> writeLaunchAgent(const platform::FileManager& files,
                                        const std::filesystem::path& program,
                                        std::string_view errorDomain);

}  // namespace suite
