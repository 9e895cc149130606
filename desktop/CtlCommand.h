#pragma once

#include <expected>
#include <span>
#include <string>

#include <nlohmann/json.hpp>

namespace desktop {

// How the result of a daemon request is shown on standard output.
enum class CtlOutput {
  none,     // nothing
  labels,   // a list of agent labels, one a line
  apps,     // running applications
  show,     // the screen: the daemon's text, or its description with --json
  screens,  // attached screens
  agents,   // loaded launch agents
  journal,  // the desktop's journal
};

// One desktopctl command line, checked and turned into what to do.
struct CtlCommand {
  enum class Kind {
    help,        // print the usage
    start,       // lay out the folder, start the daemon, log in
    stop,        // log out, stop the daemon
    screenshot,  // draw the screen into a picture file
    request,     // one daemon request: `op` with `fields`
  };
  Kind kind = Kind::help;
  std::string op;
  nlohmann::json fields = nlohmann::json::object();
  CtlOutput output = CtlOutput::none;
  bool json = false;  // --json: print the result as one JSON document
};

// Reads desktopctl's arguments (without the program name). Options may come anywhere; "--" ends
// them. A usage error gives a message naming the problem.
std::expected<CtlCommand, std::string> parseCtlCommand(std::span<const std::string> arguments);

// The synopsis of every command, as `desktopctl help` prints it.
std::string ctlUsage();

}  // namespace desktop
