#include "CtlCommand.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <locale>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "model/KeyNames.h"
#include "platform/DesktopWire.h"
#include "platform/JsonText.h"

namespace desktop {
namespace {

using Built = std::expected<CtlCommand, std::string>;

// Options a command may take, combined with |.
// NOLINTNEXTLINE(cppcoreguidelines-use-enum-class): a set of flags
enum Accepts : unsigned {
  acceptsNothing = 0,
  acceptsJson = 1U << 0U,
  acceptsApp = 1U << 1U,
  acceptsIn = 1U << 2U,
  acceptsTimeout = 1U << 3U,
  acceptsWindow = 1U << 4U,
  acceptsMenu = 1U << 5U,
  acceptsPort = 1U << 6U,
  acceptsApps = 1U << 7U,  // --app given more than once
};

// The longest wait the daemon is asked for: a day.
constexpr double longestTimeout = 86400;
constexpr double defaultTimeout = 10;
constexpr int maxPort = 65535;

struct CommandLine {
  std::vector<std::string> operands;
  bool json = false;
  std::optional<std::string> app;
  std::vector<std::string> apps;  // every --app, in order
  std::optional<int> port;
  std::optional<std::string> in;
  std::optional<double> timeout;
  std::optional<std::string> window;
  std::optional<std::string> menu;
  unsigned given = acceptsNothing;
};

struct Grammar {
  std::string_view name;
  std::string_view synopsis;
  std::size_t minimumOperands;
  std::size_t maximumOperands;
  unsigned options;
  Built (*build)(const CommandLine& line);
};

std::unexpected<std::string> usageError(std::string message) {
  return std::unexpected(std::move(message));
}

// Text the daemon can carry: JSON strings must be UTF-8.
bool isUtf8(const std::string& text) {
  try {
    static_cast<void>(nlohmann::json(text).dump());
    return true;
  } catch (const nlohmann::json::exception&) {
    return false;
  }
}

// A decimal number as C++ writes it ("0.5", "-2", "1e3"), read the same in every locale: no sign
// but a minus, no white space, no hexadecimal, nothing infinite.
std::optional<double> parseDecimal(const std::string& text) {
  const bool decimal = !text.empty() && text.front() != '+' &&
                       text.find_first_not_of("0123456789.eE+-") == std::string::npos;
  if (!decimal) {
    return std::nullopt;
  }
  std::istringstream in(text);
  in.imbue(std::locale::classic());
  double number = 0;
  in >> std::noskipws >> number;
  if (in.fail() || in.peek() != std::char_traits<char>::eof() || !std::isfinite(number)) {
    return std::nullopt;
  }
  return number;
}

std::optional<double> parseSeconds(const std::string& text) {
  const std::optional<double> seconds = parseDecimal(text);
  if (!seconds || *seconds < 0 || *seconds > longestTimeout) {
    return std::nullopt;
  }
  return seconds;
}

std::optional<int> parsePort(const std::string& text) {
  int port = -1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
  if (error != std::errc{} || end != text.data() + text.size() || port < 0 || port > maxPort) {
    return std::nullopt;
  }
  return port;
}

std::expected<CommandLine, std::string> splitOptions(std::span<const std::string> arguments) {
  CommandLine line;
  bool optionsEnded = false;
  for (std::size_t index = 0; index < arguments.size(); ++index) {
    const std::string& argument = arguments[index];
    if (!isUtf8(argument)) {
      return usageError("an argument is not UTF-8 text");
    }
    if (optionsEnded || !argument.starts_with("--")) {
      line.operands.push_back(argument);
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    if (argument == "--json") {
      line.json = true;
      line.given |= acceptsJson;
      continue;
    }
    if (argument != "--app" && argument != "--in" && argument != "--timeout" &&
        argument != "--window" && argument != "--menu" && argument != "--port") {
      return usageError("unknown option " + argument);
    }
    if (index + 1 == arguments.size()) {
      return usageError(argument + " needs a value");
    }
    const std::string& value = arguments[++index];
    if (!isUtf8(value)) {
      return usageError("an argument is not UTF-8 text");
    }
    if (argument == "--app") {
      line.given |= line.app ? acceptsApps : acceptsApp;
      line.app = value;
      line.apps.push_back(value);
    } else if (argument == "--port") {
      line.port = parsePort(value);
      if (!line.port) {
        return usageError("--port takes a number from 0 to 65535, not “" + value + "”");
      }
      line.given |= acceptsPort;
    } else if (argument == "--in") {
      line.in = value;
      line.given |= acceptsIn;
    } else if (argument == "--window") {
      line.window = value;
      line.given |= acceptsWindow;
    } else if (argument == "--menu") {
      line.menu = value;
      line.given |= acceptsMenu;
    } else {
      line.timeout = parseSeconds(value);
      if (!line.timeout) {
        return usageError("--timeout takes seconds from 0 to 86400, not “" + value + "”");
      }
      line.given |= acceptsTimeout;
    }
  }
  return line;
}

namespace control = platform::control;

// A record of either table.
template <typename Request>
CtlCommand request(Request asked, CtlOutput output = CtlOutput::none) {
  CtlCommand command;
  command.kind = CtlCommand::Kind::request;
  command.request = std::move(asked);
  command.output = output;
  return command;
}

template <typename Request>
CtlCommand query(Request asked, CtlOutput output, const CommandLine& line) {
  CtlCommand command = request(std::move(asked), output);
  command.json = line.json;
  return command;
}

CtlCommand ofKind(CtlCommand::Kind kind) {
  CtlCommand command;
  command.kind = kind;
  return command;
}

template <typename Request>
Built shortcutRequest(const std::string& words) {
  if (!platform::parseKeyChord(words)) {
    return usageError("“" + words + "” is not a shortcut: modifier and key words joined by +, " +
                      "like command+option+b");
  }
  return request(Request{words});
}

Built buildScreens(const CommandLine& line) {
  if (line.operands.empty()) {
    return query(platform::request::Screens{}, CtlOutput::screens, line);
  }
  if (line.operands.size() != 2 || line.operands[0] != "set") {
    return usageError("screens takes nothing, or set and a JSON list of screens");
  }
  if (line.json) {
    return usageError("--json is for the screens query, not for screens set");
  }
  const nlohmann::json list = platform::parseJson(line.operands[1]);
  if (!list.is_array()) {
    return usageError("screens set takes a JSON list of screens, like " +
                      std::string(R"([{"name": "Main", "x": 0, "y": 0, "width": 1440, )") +
                      R"("height": 900}])");
  }
  control::SetScreens set;
  for (const nlohmann::json& element : list) {
    auto screen = platform::wire::decodeScreen(element);
    if (!screen) {
      return usageError("screen " + std::to_string(set.screens.size() + 1) +
                        " needs a name, x, y, a width and a height, and may have a " +
                        "displayNumber and a scale");
    }
    set.screens.push_back(std::move(*screen));
  }
  return request(std::move(set));
}

bool isLanguageTag(std::string_view tag) {
  return !tag.empty() && std::ranges::all_of(tag, [](char character) {
    return (character >= 'a' && character <= 'z') || (character >= 'A' && character <= 'Z') ||
           (character >= '0' && character <= '9') || character == '-' || character == '_';
  });
}

Built buildLanguages(const CommandLine& line) {
  if (line.operands.size() != 2 || line.operands[0] != "set") {
    return usageError("languages takes set and a list of language tags");
  }
  control::SetLanguages set;
  const std::string& list = line.operands[1];
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = std::min(list.find(',', start), list.size());
    std::string_view tag = std::string_view(list).substr(start, comma - start);
    while (!tag.empty() && tag.front() == ' ') {
      tag.remove_prefix(1);
    }
    while (!tag.empty() && tag.back() == ' ') {
      tag.remove_suffix(1);
    }
    if (!isLanguageTag(tag)) {
      return usageError("“" + list + "” is not a list of language tags separated by commas, " +
                        "like en,fr-FR");
    }
    set.languages.emplace_back(tag);
    if (comma == list.size()) {
      break;
    }
    start = comma + 1;
  }
  return request(std::move(set));
}

Built buildWait(const CommandLine& line) {
  const std::string& what = line.operands[0];
  const bool named = what == "window" || what == "app" || what == "gone" || what == "shown" ||
                     what == "hidden" || what == "hotkey";
  if (what != "alert" && !named) {
    return usageError("wait for alert, window, app, gone, shown, hidden or hotkey, not “" + what +
                      "”");
  }
  if (line.operands.size() != (named ? 2U : 1U)) {
    return usageError(named ? "wait " + what + " needs one name" : "wait alert takes no name");
  }
  return request(control::Wait{what, named ? std::optional(line.operands[1]) : std::nullopt,
                               line.timeout.value_or(defaultTimeout)});
}

Built buildFocus(const CommandLine& line) {
  if (line.operands[0] == "none") {
    return request(control::Focus{});
  }
  return request(control::Focus{line.operands[0]});
}

Built buildScreenshot(const CommandLine& line) {
  CtlCommand command = ofKind(CtlCommand::Kind::screenshot);
  command.pictureFile = line.operands[0];
  command.picture = {line.window, line.menu, std::nullopt};
  return command;
}

Built buildView(const CommandLine& line) {
  CtlCommand command = ofKind(CtlCommand::Kind::view);
  command.port = line.port.value_or(0);
  command.appBundles.assign(line.apps.begin(), line.apps.end());
  return command;
}

Built buildClickAt(const CommandLine& line) {
  const std::optional<double> x = parseDecimal(line.operands[0]);
  const std::optional<double> y = parseDecimal(line.operands[1]);
  if (!x || !y) {
    return usageError("click-at takes a point in points from the top left of the main screen, " +
                      std::string("like 120 48.5"));
  }
  return request(control::ClickAt{*x, *y});
}

constexpr std::size_t commandCount = 24;
constexpr std::array<Grammar, commandCount> grammars{{
    {"start", "start", 0, 0, acceptsNothing,
     [](const CommandLine&) -> Built { return ofKind(CtlCommand::Kind::start); }},
    {"stop", "stop", 0, 0, acceptsNothing,
     [](const CommandLine&) -> Built { return ofKind(CtlCommand::Kind::stop); }},
    {"login", "login", 0, 0, acceptsNothing,
     [](const CommandLine&) -> Built { return request(control::Login{}, CtlOutput::labels); }},
    {"logout", "logout", 0, 0, acceptsNothing,
     [](const CommandLine&) -> Built { return request(control::Logout{}); }},
    {"apps", "apps [--json]", 0, 0, acceptsJson,
     [](const CommandLine& line) -> Built {
       return query(control::Apps{}, CtlOutput::apps, line);
     }},
    {"focus", "focus <bundle identifier>|none", 1, 1, acceptsNothing, buildFocus},
    {"press", "press <shortcut>", 1, 1, acceptsNothing,
     [](const CommandLine& line) { return shortcutRequest<control::Press>(line.operands[0]); }},
    {"show", "show [--json]", 0, 0, acceptsJson,
     [](const CommandLine& line) -> Built {
       return query(control::Show{}, CtlOutput::show, line);
     }},
    {"menu", "menu <item title> [--app <bundle identifier>]", 1, 1, acceptsApp,
     [](const CommandLine& line) -> Built {
       return request(control::ChooseMenuItem{line.operands[0], line.app});
     }},
    {"click", "click <identifier or title>", 1, 1, acceptsNothing,
     [](const CommandLine& line) -> Built { return request(control::Click{line.operands[0]}); }},
    {"dismiss", "dismiss", 0, 0, acceptsNothing,
     [](const CommandLine&) -> Built { return request(control::Dismiss{}); }},
    {"select", "select <item title> [--in <identifier>]", 1, 1, acceptsIn,
     [](const CommandLine& line) -> Built {
       return request(control::Select{line.operands[0], line.in});
     }},
    {"key", "key <shortcut>", 1, 1, acceptsNothing,
     [](const CommandLine& line) { return shortcutRequest<control::Key>(line.operands[0]); }},
    {"click-at", "click-at <x> <y>", 2, 2, acceptsNothing, buildClickAt},
    {"type", "type <shortcut>", 1, 1, acceptsNothing,
     [](const CommandLine& line) { return shortcutRequest<control::Type>(line.operands[0]); }},
    {"locate", "locate <identifier, title or text> [--json]", 1, 1, acceptsJson,
     [](const CommandLine& line) -> Built {
       return query(control::Locate{line.operands[0]}, CtlOutput::rect, line);
     }},
    {"screens", "screens [--json] | screens set <json>", 0, 2, acceptsJson, buildScreens},
    {"languages", "languages set <tag,...>", 2, 2, acceptsNothing, buildLanguages},
    {"launchd", "launchd [--json]", 0, 0, acceptsJson,
     [](const CommandLine& line) -> Built {
       return query(control::Agents{}, CtlOutput::agents, line);
     }},
    {"journal", "journal [--json]", 0, 0, acceptsJson,
     [](const CommandLine& line) -> Built {
       return query(control::Journal{}, CtlOutput::journal, line);
     }},
    {"wait",
     "wait alert|window <title>|app <bundle identifier>|gone <bundle identifier>|"
     "shown <bundle identifier>|hidden <bundle identifier>|hotkey <shortcut> [--timeout S]",
     1, 2, acceptsTimeout, buildWait},
    {"screenshot", "screenshot <file.png> [--window <title>] [--menu <bundle identifier>]", 1, 1,
     acceptsWindow | acceptsMenu, buildScreenshot},
    {"view", "view [--port N] [--app <bundle path>]...", 0, 0,
     acceptsPort | acceptsApp | acceptsApps, buildView},
    {"help", "help", 0, 0, acceptsNothing,
     [](const CommandLine&) -> Built { return ofKind(CtlCommand::Kind::help); }},
}};

}  // namespace

std::expected<CtlCommand, std::string> parseCtlCommand(std::span<const std::string> arguments) {
  if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
    return ofKind(CtlCommand::Kind::help);
  }
  auto line = splitOptions(arguments);
  if (!line) {
    return std::unexpected(line.error());
  }
  if (line->operands.empty()) {
    return usageError("no command given");
  }
  const std::string name = line->operands.front();
  const auto* grammar = std::ranges::find(grammars, name, &Grammar::name);
  if (grammar == grammars.end()) {
    return usageError("unknown command “" + name + "”");
  }
  line->operands.erase(line->operands.begin());
  const std::string usage = "\nusage: desktopctl " + std::string(grammar->synopsis);
  if (line->operands.size() < grammar->minimumOperands ||
      line->operands.size() > grammar->maximumOperands) {
    return usageError((grammar->maximumOperands == 0 ? name + " takes no arguments"
                                                     : "wrong number of arguments for " + name) +
                      usage);
  }
  if ((line->given & ~grammar->options) != 0U) {
    return usageError(name + " does not take that option" + usage);
  }
  Built built = grammar->build(*line);
  if (!built) {
    return usageError(built.error() + usage);
  }
  return built;
}

std::string ctlUsage() {
  std::string usage =
      "usage: desktopctl <command> [arguments]\n"
      "Drives the emulated desktop named by EMULATED_DESKTOP. Commands:\n";
  for (const Grammar& grammar : grammars) {
    usage += "  desktopctl " + std::string(grammar.synopsis) + "\n";
  }
  usage +=
      "Exit status: 0 on success, 1 when what was asked for is not there or failed, 2 on a "
      "usage error.\n";
  return usage;
}

}  // namespace desktop
