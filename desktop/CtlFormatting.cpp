#include "CtlFormatting.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/DesktopWire.h"

namespace desktop {
namespace {

using Row = std::vector<std::string>;
using platform::wire::boolAt;
using platform::wire::integerAt;
using platform::wire::stringAt;

// Characters as a terminal counts them, near enough: UTF-8 code points.
std::size_t displayWidth(std::string_view text) {
  return static_cast<std::size_t>(std::ranges::count_if(
      text, [](char byte) { return (static_cast<unsigned char>(byte) & 0xC0U) != 0x80U; }));
}

// Rows under a header, columns padded to their widest cell; nothing at all for no rows.
std::string table(const Row& header, const std::vector<Row>& rows) {
  if (rows.empty()) {
    return {};
  }
  std::vector<std::size_t> widths(header.size(), 0);
  for (const Row& row : rows) {
    for (std::size_t column = 0; column < row.size(); ++column) {
      widths[column] = std::max(widths[column], displayWidth(row[column]));
    }
  }
  for (std::size_t column = 0; column < header.size(); ++column) {
    widths[column] = std::max(widths[column], displayWidth(header[column]));
  }
  std::string out;
  const auto appendRow = [&](const Row& row) {
    for (std::size_t column = 0; column < row.size(); ++column) {
      out += row[column];
      if (column + 1 < row.size()) {
        out.append(widths[column] - displayWidth(row[column]) + 2, ' ');
      }
    }
    out += '\n';
  };
  appendRow(header);
  std::ranges::for_each(rows, appendRow);
  return out;
}

std::string number(double value) {
  std::array<char, 32> digits{};
  const auto [end, error] = std::to_chars(digits.data(), digits.data() + digits.size(), value);
  return error == std::errc() ? std::string(digits.data(), end) : std::string("?");
}

std::string pidText(const nlohmann::json& object) {
  const std::optional<std::int64_t> pid = integerAt(object, "pid");
  return pid && *pid > 0 ? std::to_string(*pid) : std::string("-");
}

// An argument as a reader can tell where it starts and ends.
std::string quotedIfNeeded(const std::string& argument) {
  const bool plain = !argument.empty() && std::ranges::none_of(argument, [](char character) {
    return static_cast<unsigned char>(character) <= ' ' || character == '"' || character == '\\' ||
           character == '\'';
  });
  if (plain) {
    return argument;
  }
  std::string quoted = "\"";
  for (const char character : argument) {
    if (character == '"' || character == '\\') {
      quoted += '\\';
    }
    quoted += character;
  }
  return quoted + "\"";
}

std::string formatApps(const nlohmann::json& result) {
  std::vector<Row> rows;
  for (const nlohmann::json& item : result) {
    const auto application = platform::wire::decodeApplication(item);
    if (!application) {
      continue;
    }
    std::string state;
    const auto addState = [&state](bool holds, const char* word) {
      if (holds) {
        state += state.empty() ? word : std::string(",") + word;
      }
    };
    addState(boolAt(item, "frontmost").value_or(false), "frontmost");
    addState(application->active, "active");
    addState(application->hidden, "hidden");
    addState(application->terminated, "terminated");
    rows.push_back({std::to_string(application->pid), application->bundleIdentifier.value_or("-"),
                    std::string(platform::wire::policyName(application->activationPolicy)),
                    state.empty() ? "-" : state, application->bundlePath.value_or("-")});
  }
  return table({"PID", "BUNDLE IDENTIFIER", "POLICY", "STATE", "PATH"}, rows);
}

std::string formatScreens(const nlohmann::json& result) {
  std::vector<Row> rows;
  for (const nlohmann::json& item : result) {
    const auto screen = platform::wire::decodeScreen(item);
    if (!screen) {
      continue;
    }
    const platform::Rect& frame = screen->frame;
    rows.push_back(
        {screen->localizedName,
         screen->displayNumber ? std::to_string(*screen->displayNumber) : std::string("-"),
         number(frame.x) + "," + number(frame.y) + " " + number(frame.width) + "x" +
             number(frame.height),
         number(screen->backingScaleFactor)});
  }
  return table({"NAME", "DISPLAY", "FRAME", "SCALE"}, rows);
}

std::string formatAgents(const nlohmann::json& result) {
  std::vector<Row> rows;
  for (const nlohmann::json& item : result) {
    rows.push_back({stringAt(item, "label").value_or("-"), pidText(item),
                    stringAt(item, "path").value_or("-")});
  }
  return table({"LABEL", "PID", "PATH"}, rows);
}

std::string journalLine(const nlohmann::json& entry) {
  const std::string kind = stringAt(entry, "kind").value_or("");
  const std::string by = " (pid " + pidText(entry) + ")";
  if (kind == "programStarted") {
    std::string line = "started " + quotedIfNeeded(stringAt(entry, "path").value_or(""));
    for (const std::string& argument :
         platform::wire::stringsAt(entry, "arguments").value_or(std::vector<std::string>{})) {
      line += " " + quotedIfNeeded(argument);
    }
    return line + by;
  }
  if (kind == "urlOpened") {
    return "opened " + stringAt(entry, "url").value_or("") + by;
  }
  if (kind == "notificationDelivered") {
    return "notification " + stringAt(entry, "identifier").value_or("") + " " +
           quotedIfNeeded(stringAt(entry, "title").value_or("")) + " " +
           quotedIfNeeded(stringAt(entry, "body").value_or("")) + by;
  }
  if (kind == "alertSound") {
    return "alert sound" + by;
  }
  if (kind == "dropped") {
    return "(" + std::to_string(integerAt(entry, "count").value_or(0)) + " older entries dropped)";
  }
  return "unknown entry " + entry.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string formatJournal(const nlohmann::json& result) {
  std::string out;
  for (const nlohmann::json& entry : result) {
    out += journalLine(entry) + "\n";
  }
  return out;
}

std::string formatLabels(const nlohmann::json& result) {
  std::string out;
  for (const nlohmann::json& label : result) {
    if (label.is_string()) {
      out += label.get<std::string>() + "\n";
    }
  }
  return out;
}

}  // namespace

std::string formatResult(CtlOutput output, const nlohmann::json& result, bool json) {
  if (output == CtlOutput::none) {
    return {};
  }
  if (json) {
    const nlohmann::json& document =
        output == CtlOutput::show && result.is_object() && result.contains("screen")
            ? result["screen"]
            : result;
    return document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
  }
  if (output == CtlOutput::show) {
    return stringAt(result, "text").value_or("");
  }
  if (output == CtlOutput::rect) {
    std::string out;
    for (const char* key : {"x", "y", "width", "height"}) {
      const nlohmann::json value =
          result.is_object() ? result.value(key, nlohmann::json()) : nullptr;
      out += (out.empty() ? "" : " ") + (value.is_number() ? value.dump() : std::string("-"));
    }
    return out + "\n";
  }
  if (!result.is_array()) {
    return {};
  }
  switch (output) {
    case CtlOutput::labels:
      return formatLabels(result);
    case CtlOutput::apps:
      return formatApps(result);
    case CtlOutput::screens:
      return formatScreens(result);
    case CtlOutput::agents:
      return formatAgents(result);
    case CtlOutput::journal:
      return formatJournal(result);
    case CtlOutput::none:
    case CtlOutput::show:
    case CtlOutput::rect:
      break;
  }
  return {};
}

}  // namespace desktop
