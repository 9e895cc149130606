#pragma once

#include <expected>
#include <filesystem>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "picture/ScreenPicture.h"
#include "platform/ControlRequest.h"
#include "platform/DesktopRequest.h"

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
  rect,     // a place on the screen: x, y, width and height
};

// A request of either of the desktop's tables.
using CtlRequest = std::variant<platform::ProgramRequest, platform::ControlRequest>;

// One desktopctl command line, checked and turned into what to do.
struct CtlCommand {
  enum class Kind {
    help,        // print the usage
    start,       // lay out the folder, start the daemon, log in
    stop,        // log out, stop the daemon
    screenshot,  // draw the screen into a picture file
    view,        // serve the screen to a web browser on 127.0.0.1
    request,     // one daemon request
  };
  Kind kind = Kind::help;
  CtlRequest request;
  CtlOutput output = CtlOutput::none;
  bool json = false;                  // --json: print the result as one JSON document
  std::filesystem::path pictureFile;  // screenshot: where the picture goes, and what it shows
  PictureOptions picture;
  int port = 0;                                   // view: the port to listen on; 0 any free one
  std::vector<std::filesystem::path> appBundles;  // view: the bundles the page can open again
};

// Reads desktopctl's arguments (without the program name). Options may come anywhere; "--" ends
// them. A usage error gives a message naming the problem.
std::expected<CtlCommand, std::string> parseCtlCommand(std::span<const std::string> arguments);

// The synopsis of every command, as `desktopctl help` prints it.
std::string ctlUsage();

}  // namespace desktop
