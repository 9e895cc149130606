#include "model/ScreenText.h"

#include <array>
#include <cstdio>

namespace platform {
namespace {

std::string number(double value) {
  if (value == static_cast<double>(static_cast<long long>(value))) {
    return std::to_string(static_cast<long long>(value));
  }
  std::array<char, 64> buffer{};
  (void)std::snprintf(buffer.data(), buffer.size(), "%.2f", value);
  std::string text(buffer.data());
  while (text.back() == '0') {
    text.pop_back();
  }
  return text;
}

std::string quoted(const std::string& text) {
  std::string result = "\"";
  for (const char character : text) {
    if (character == '\n') {
      result += "\\n";
    } else if (character == '\r') {
      result += "\\r";
    } else {
      result += character;
    }
  }
  return result + "\"";
}

std::string rectangle(const Rect& frame) {
  return "[" + number(frame.x) + "," + number(frame.y) + "," + number(frame.width) + "," +
         number(frame.height) + "]";
}

std::string imageName(const std::optional<ImageRecord>& image) {
  if (!image) {
    return {};
  }
  const std::string name = image->symbol ? *image->symbol : image->file;
  return image->isTemplate ? name + " (template)" : name;
}

void renderView(const ViewRecord& view, int depth, std::string& out) {
  std::string line(static_cast<std::size_t>(depth) * 2, ' ');
  line += view.kind;
  if (!view.identifier.empty()) {
    line += " " + view.identifier;
  }
  if (view.label) {
    line += " " + quoted(view.label->text);
  } else if (view.button) {
    line += " " + quoted(view.button->title);
  }
  if (view.button && view.button->type == "checkbox") {
    line += " [" + view.button->state + "]";
  }
  if (view.popUp) {
    line += " {";
    for (std::size_t index = 0; index < view.popUp->items.size(); ++index) {
      line += (index == 0 ? "" : " | ") + view.popUp->items[index] +
              (static_cast<int>(index) == view.popUp->selectedIndex ? "*" : "");
    }
    line += "}";
  }
  if (view.imageView) {
    if (const std::string image = imageName(view.imageView->image); !image.empty()) {
      line += " image " + image;
    }
  }
  if (view.progress) {
    line += view.progress->indeterminate ? " indeterminate"
                                         : " value " + number(view.progress->doubleValue);
    line += view.progress->animating ? " animating" : "";
  }
  if (view.hidden) {
    line += " (hidden)";
  }
  if (view.control && !view.control->enabled) {
    line += " (disabled)";
  }
  out += line + " " + rectangle(view.frame) + "\n";
  for (const ViewRecord& subview : view.subviews) {
    renderView(subview, depth + 1, out);
  }
}

void renderMenu(const StatusItemRecord& statusItem, std::string& out) {
  if (!statusItem.menu) {
    return;
  }
  for (const MenuItemRecord& item : *statusItem.menu) {
    if (item.separator) {
      out += "    ---\n";
      continue;
    }
    std::string line = "    " + item.title;
    if (!item.keyEquivalent.empty()) {
      line += "  ";
      for (const std::string& modifier : item.modifiers) {
        line += modifier + "+";
      }
      line += item.keyEquivalent;
    }
    if (!item.enabled) {
      line += "  (disabled)";
    }
    out += line + "\n";
  }
}

}  // namespace

std::string renderScreenText(const ScreenContents& screen,
                             const std::vector<NotificationRecord>& notifications) {
  std::string out;
  out += "Status items:\n";
  for (const auto& [application, item] : screen.statusItems) {
    out += "  " + application + ": image " + imageName(item.image) + ", title " +
           quoted(item.title) + ", tool tip " + quoted(item.toolTip) + "\n";
    renderMenu(item, out);
  }
  out += "Windows:\n";
  for (const auto& [application, window] : screen.windows) {
    out += "  " + quoted(window.title) + " of " + application + (window.key ? " (key) " : " ") +
           rectangle(window.frame) + "\n";
    if (const std::optional<ViewRecord>& content = window.contentView) {
      renderView(*content, 2, out);
    }
  }
  out += "Alerts:\n";
  for (const auto& [application, alert] : screen.alerts) {
    out += "  " + alert.style + " " + quoted(alert.messageText) + " of " + application + "\n";
    out += "    " + quoted(alert.informativeText) + "\n";
    out += "    buttons:";
    for (const std::string& button : alert.buttons) {
      out += " [" + button + "]";
    }
    out += "\n";
    if (const std::optional<ViewRecord>& accessory = alert.accessory) {
      renderView(*accessory, 2, out);
    }
  }
  out += "Notifications:\n";
  for (const NotificationRecord& notification : notifications) {
    out += "  " + notification.identifier + ": " + quoted(notification.title) + " " +
           quoted(notification.body) + "\n";
  }
  return out;
}

}  // namespace platform
