// launchctl for the emulated desktop: loads, unloads, starts and describes the user's launch agents
// in the GUI domain of the emulated desktop named by EMULATED_DESKTOP. The desktop's launchd (in
// desktopd) does the work; this tool checks the command line, names the agent file by its absolute
// path and reports launchd's answer: its exit status and, on standard error, its message.
//
// Exit statuses: 0 on success; launchd's status on a refusal (3: not loaded, 5: cannot be loaded
// or already loaded, 113: no such service); 64 on a usage error; 112 for a domain that is not the
// caller's GUI domain; 1 when the emulated desktop cannot be reached.

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

#include "platform/ControlRequest.h"
#include "platform/DesktopChannel.h"
#include "platform/DesktopWire.h"
#include "platform/ProcessInfo.h"

namespace {

constexpr int usageStatus = 64;
constexpr int domainNotFoundStatus = 112;
constexpr int unreachableStatus = 1;

constexpr std::string_view usageText =
    "Usage: launchctl <subcommand> ...\n"
    "Subcommands:\n"
    "  bootstrap gui/<uid> <plist>       loads a launch agent, starting it when RunAtLoad\n"
    "  bootout gui/<uid> <plist>         stops and unloads a launch agent\n"
    "  kickstart [-k] gui/<uid>/<label>  starts a loaded agent; -k stops a running one first\n"
    "  print gui/<uid>/<label>           describes a loaded agent\n";

// A refusal of the command: its exit status and what to tell the user.
struct Refusal {
  int status;
  std::string message;
};

Refusal usageError(const std::string& problem) {
  return {usageStatus, problem + "\n" + std::string(usageText)};
}

// The one domain this tool serves: the caller's GUI session.
class GuiDomain {
 public:
  explicit GuiDomain(uid_t userId) : name_("gui/" + std::to_string(userId)) {}

  // Checks a domain target ("gui/<uid>").
  std::optional<Refusal> checkDomain(std::string_view target) const {
    if (target != name_) {
      return unknownDomain(target);
    }
    return std::nullopt;
  }

  // The label of a service target ("gui/<uid>/<label>"), or why it is refused.
  std::expected<std::string, Refusal> serviceLabel(std::string_view target) const {
    if (target == name_ || target == name_ + "/") {
      return std::unexpected(
          usageError("The service target \"" + std::string(target) + "\" names no label."));
    }
    const std::size_t slash = target.rfind('/');
    if (slash == std::string_view::npos) {
      return std::unexpected(usageError("\"" + std::string(target) +
                                        "\" is not a service target (gui/<uid>/<label>)."));
    }
    if (auto refused = checkDomain(target.substr(0, slash))) {
      return std::unexpected(*refused);
    }
    return std::string(target.substr(slash + 1));
  }

  const std::string& name() const { return name_; }

 private:
  Refusal unknownDomain(std::string_view target) const {
    return {domainNotFoundStatus, "Could not find specified domain \"" + std::string(target) +
                                      "\": the emulated desktop has only your GUI domain, " +
                                      name_ + "."};
  }

  std::string name_;
};

namespace control = platform::control;

// A request for the desktop's launchd.
using Request =
    std::variant<control::Bootstrap, control::Bootout, control::Kickstart, control::Print>;

std::expected<Request, Refusal> parse(const std::vector<std::string>& arguments,
                                      const GuiDomain& domain) {
  if (arguments.empty()) {
    return std::unexpected(usageError("No subcommand given."));
  }
  const std::string& subcommand = arguments.front();
  const std::vector<std::string> operands(arguments.begin() + 1, arguments.end());

  if (subcommand == "bootstrap" || subcommand == "bootout") {
    if (operands.size() != 2) {
      return std::unexpected(usageError(subcommand + " takes a domain and an agent file."));
    }
    if (auto refused = domain.checkDomain(operands[0])) {
      return std::unexpected(*refused);
    }
    std::error_code error;
    const std::filesystem::path path = std::filesystem::absolute(operands[1], error);
    if (error || operands[1].empty()) {
      return std::unexpected(usageError("\"" + operands[1] + "\" is not a file path."));
    }
    const std::string agentFile = path.lexically_normal().string();
    if (subcommand == "bootstrap") {
      return control::Bootstrap{agentFile};
    }
    return control::Bootout{agentFile};
  }

  if (subcommand == "kickstart") {
    const bool kill = !operands.empty() && operands.front() == "-k";
    const std::size_t first = kill ? 1 : 0;
    if (operands.size() != first + 1) {
      return std::unexpected(usageError("kickstart takes [-k] and one service target."));
    }
    auto label = domain.serviceLabel(operands[first]);
    if (!label) {
      return std::unexpected(label.error());
    }
    return control::Kickstart{*label, kill};
  }

  if (subcommand == "print") {
    if (operands.size() != 1) {
      return std::unexpected(usageError("print takes one service target."));
    }
    auto label = domain.serviceLabel(operands[0]);
    if (!label) {
      return std::unexpected(label.error());
    }
    return control::Print{*label};
  }

  return std::unexpected(usageError("Unrecognized subcommand: " + subcommand));
}

// Describes a loaded agent as launchctl print does, in its block form.
void printService(const GuiDomain& domain, const nlohmann::json& service) {
  namespace wire = platform::wire;
  const auto pid = wire::integerAt(service, "pid");
  std::cout << domain.name() << "/" << wire::stringAt(service, "label").value_or("") << " = {\n"
            << "\tpath = " << wire::stringAt(service, "path").value_or("") << "\n"
            << "\tstate = " << (pid ? "running" : "not running") << "\n";
  const auto arguments =
      wire::stringsAt(service, "programArguments").value_or(std::vector<std::string>{});
  if (!arguments.empty()) {
    std::cout << "\tprogram = " << arguments.front() << "\n\targuments = {\n";
    for (const std::string& argument : arguments) {
      std::cout << "\t\t" << argument << "\n";
    }
    std::cout << "\t}\n";
  }
  std::cout << "\trun at load = "
            << (wire::boolAt(service, "runAtLoad").value_or(false) ? "true" : "false") << "\n";
  if (pid) {
    std::cout << "\tpid = " << *pid << "\n";
  }
  std::cout << "}\n";
}

int run(const std::vector<std::string>& arguments, const platform::ProcessInfo& process) {
  const GuiDomain domain(process.realUserId());
  const auto request = parse(arguments, domain);
  if (!request) {
    std::cerr << request.error().message << (request.error().message.ends_with('\n') ? "" : "\n");
    return request.error().status;
  }

  const auto desktopFolder = process.environmentValue("EMULATED_DESKTOP");
  if (!desktopFolder || desktopFolder->empty()) {
    std::cerr << "launchctl: EMULATED_DESKTOP is not set, so there is no emulated desktop whose "
                 "launchd could be asked.\n";
    return unreachableStatus;
  }
  auto channel =
      platform::DesktopChannel::connect(platform::DesktopChannel::socketPath(*desktopFolder));
  if (!channel) {
    std::cerr << "launchctl: " << channel.error().localizedDescription << "\n";
    return unreachableStatus;
  }
  const auto reply = std::visit(
      [&](const auto& asked) { return channel->request(platform::ControlRequest{asked}); },
      *request);
  if (!reply) {
    std::cerr << reply.error().localizedDescription << "\n";
    return reply.error().code > 0 ? reply.error().code : unreachableStatus;
  }
  if (std::holds_alternative<control::Print>(*request)) {
    printService(domain, *reply);
  }
  return EXIT_SUCCESS;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    return run(arguments, platform::ProcessInfo::current());
  } catch (const std::exception& exception) {
    std::cerr << "launchctl: " << exception.what() << "\n";
    return unreachableStatus;
  }
}
