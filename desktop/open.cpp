// open for the emulated desktop named by EMULATED_DESKTOP:
//
//   open <application bundle> [--args <arguments>...]
//   open -b <bundle identifier> [--args <arguments>...]
//   open <URL>
//
// An application is started by the desktop (which brings an instance already running to the front
// instead), with the arguments after --args; its executable is Contents/MacOS/<CFBundleExecutable>
// of the bundle's Contents/Info.plist. -b looks for the bundle whose CFBundleIdentifier matches in
// ~/Applications, then in the system applications folder. A URL (anything that starts with a
// scheme such as "https:" or "mailto:" and is not an existing file) is opened in the default
// browser. Exit status 0 on success; 1 when the thing to open is not found, cannot be opened, the
// command line is wrong or the desktop cannot be reached, with a message on standard error.

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <exception>
#include <expected>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <variant>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/Bundle.h"
#include "platform/ControlRequest.h"
#include "platform/DesktopChannel.h"
#include "platform/DesktopRequest.h"
#include "platform/FileManager.h"
#include "platform/ProcessInfo.h"
#include "platform/SystemPaths.h"

namespace {

constexpr int failureStatus = 1;

constexpr std::string_view usageText =
    "Usage: open <application bundle> [--args <arguments>...]\n"
    "       open -b <bundle identifier> [--args <arguments>...]\n"
    "       open <URL>\n";

// What the command line asks for.
struct Command {
  bool byIdentifier = false;  // -b: target is a bundle identifier
  std::string target;         // a bundle identifier, a bundle path or a URL
  std::optional<std::vector<std::string>> applicationArguments;  // after --args
};

std::expected<Command, std::string> parse(const std::vector<std::string>& arguments) {
  std::optional<std::string> bundleIdentifier;
  std::optional<std::string> target;
  std::optional<std::vector<std::string>> applicationArguments;
  for (auto it = arguments.begin(); it != arguments.end(); ++it) {
    if (*it == "--args") {
      applicationArguments.emplace(std::next(it), arguments.end());
      break;
    }
    if (*it == "-b") {
      if (bundleIdentifier || std::next(it) == arguments.end()) {
        return std::unexpected("-b takes one bundle identifier.");
      }
      bundleIdentifier = *++it;
    } else if (it->starts_with("-") && it->size() > 1) {
      return std::unexpected("Unknown option: " + *it);
    } else if (target) {
      return std::unexpected("Only one application or URL can be opened at a time.");
    } else {
      target = *it;
    }
  }
  if (bundleIdentifier && target) {
    return std::unexpected("-b opens an application by its identifier, without a path.");
  }
  if (bundleIdentifier) {
    return Command{true, std::move(*bundleIdentifier), std::move(applicationArguments)};
  }
  if (target) {
    return Command{false, std::move(*target), std::move(applicationArguments)};
  }
  return std::unexpected("Nothing to open.");
}

// Whether the text starts with a URL scheme ("https:", "mailto:", ...).
bool hasScheme(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos || colon == 0 ||
      std::isalpha(static_cast<unsigned char>(text.front())) == 0) {
    return false;
  }
  return std::ranges::all_of(text.substr(0, colon), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '+' || c == '-' || c == '.';
  });
}

// The application bundles directly inside a folder, in name order.
std::vector<std::filesystem::path> applicationsIn(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> bundles;
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    if (it->path().extension() == ".app") {
      bundles.push_back(it->path());
    }
  }
  std::ranges::sort(bundles);
  return bundles;
}

std::optional<platform::Bundle> findApplication(const std::string& bundleIdentifier,
                                                const std::vector<std::filesystem::path>& folders) {
  for (const std::filesystem::path& folder : folders) {
    for (const std::filesystem::path& candidate : applicationsIn(folder)) {
      auto bundle = platform::Bundle::atPath(candidate);
      if (bundle && bundle->bundleIdentifier() == bundleIdentifier) {
        return bundle;
      }
    }
  }
  return std::nullopt;
}

// The bundle's executable, when Info.plist names one that is there, inside Contents/MacOS.
std::expected<std::filesystem::path, std::string> executableOf(const platform::Bundle& bundle) {
  const auto& executable = bundle.executablePath();
  const std::filesystem::path folder = bundle.bundlePath() / "Contents" / "MacOS";
  std::error_code error;
  if (!executable || executable->parent_path() != folder) {
    return std::unexpected("The application at " + bundle.bundlePath().string() +
                           " cannot be opened: its Contents/Info.plist names no executable.");
  }
  if (!std::filesystem::is_regular_file(*executable, error)) {
    return std::unexpected("The application at " + bundle.bundlePath().string() +
                           " cannot be opened: its executable " + executable->string() +
                           " is missing.");
  }
  return *executable;
}

// A request for the desktop: start an application, or open an address.
using Request = std::variant<platform::control::Launch, platform::request::OpenURL>;

std::expected<Request, std::string> launchRequest(const platform::Bundle& bundle,
                                                  const std::vector<std::string>& arguments) {
  const auto executable = executableOf(bundle);
  if (!executable) {
    return std::unexpected(executable.error());
  }
  return platform::control::Launch{executable->string(), arguments, bundle.bundlePath().string()};
}

std::expected<Request, std::string> requestFor(const Command& command,
                                               const platform::ProcessInfo& process,
                                               const platform::FileManager& files) {
  const std::vector<std::string> arguments =
      command.applicationArguments.value_or(std::vector<std::string>{});
  if (command.byIdentifier) {
    const std::vector<std::filesystem::path> folders = {
        files.homeDirectory() / "Applications",
        platform::SystemPaths::fromProcess(process).applicationsDirectory()};
    const auto bundle = findApplication(command.target, folders);
    if (!bundle) {
      return std::unexpected("Unable to find application with bundle identifier " + command.target +
                             ".");
    }
    return launchRequest(*bundle, arguments);
  }

  const std::string& target = command.target;
  std::error_code error;
  const std::filesystem::path path = std::filesystem::absolute(target, error).lexically_normal();
  const bool exists = !error && std::filesystem::exists(path, error);
  if (!exists && hasScheme(target)) {
    if (command.applicationArguments) {
      return std::unexpected("--args passes arguments to an application, not to a URL.");
    }
    return platform::request::OpenURL{target};
  }
  if (!exists) {
    return std::unexpected("The file " + path.string() + " does not exist.");
  }
  const auto bundle = platform::Bundle::atPath(path);
  if (!bundle) {
    return std::unexpected("The file " + path.string() +
                           " is not an application bundle, and only applications can be opened.");
  }
  return launchRequest(*bundle, arguments);
}

int run(const std::vector<std::string>& arguments, const platform::ProcessInfo& process,
        const platform::FileManager& files) {
  const auto command = parse(arguments);
  if (!command) {
    std::cerr << "open: " << command.error() << "\n" << usageText;
    return failureStatus;
  }
  const auto desktopFolder = process.environmentValue("EMULATED_DESKTOP");
  if (!desktopFolder || desktopFolder->empty()) {
    std::cerr << "open: EMULATED_DESKTOP is not set, so there is no emulated desktop to open "
                 "anything on.\n";
    return failureStatus;
  }
  const auto request = requestFor(*command, process, files);
  if (!request) {
    std::cerr << request.error() << "\n";
    return failureStatus;
  }
  auto channel =
      platform::DesktopChannel::connect(platform::DesktopChannel::socketPath(*desktopFolder));
  if (!channel) {
    std::cerr << "open: " << channel.error().localizedDescription << "\n";
    return failureStatus;
  }
  const auto reply =
      std::visit([&](const auto& asked) { return channel->request(asked); }, *request);
  if (!reply) {
    std::cerr << "open: " << reply.error().localizedDescription << "\n";
    return failureStatus;
  }
  return EXIT_SUCCESS;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    return run(arguments, platform::ProcessInfo::current(),
               platform::FileManager::defaultManager());
  } catch (const std::exception& exception) {
    std::cerr << "open: " << exception.what() << "\n";
    return failureStatus;
  }
}
