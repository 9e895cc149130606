// The JSON forms of what programs show (docs/desktop-protocol.md): encoding gives the keys the
// desktop's readers have always seen; decoding takes exactly that form back and refuses anything
// else.

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <utility>

#include <nlohmann/json.hpp>

#include "platform/DesktopWire.h"

namespace platform::wire {
namespace {

using Json = nlohmann::json;

constexpr std::array<std::pair<FontWeight, const char*>, 4> weightNames{{
    {FontWeight::regular, "regular"},
    {FontWeight::medium, "medium"},
    {FontWeight::semibold, "semibold"},
    {FontWeight::bold, "bold"},
}};

constexpr std::array<std::pair<UserInput::Action, const char*>, 6> actionNames{{
    {UserInput::Action::click, "click"},
    {UserInput::Action::select, "select"},
    {UserInput::Action::key, "key"},
    {UserInput::Action::menu, "menu"},
    {UserInput::Action::dismiss, "dismiss"},
    {UserInput::Action::close, "close"},
}};

// ---- encoding

Json encodeColor(const Color& color) {
  return {{"role", color.role}, {"alpha", color.alpha}};
}

Json encodeFont(const Font& font) {
  const char* weight = "regular";
  for (const auto& [value, name] : weightNames) {
    if (value == font.weight) {
      weight = name;
    }
  }
  return {{"size", font.pointSize}, {"weight", weight}};
}

Json encodeRect(const Rect& rect) {
  return {rect.x, rect.y, rect.width, rect.height};
}

Json encodeSize(const Size& size) {
  return {size.width, size.height};
}

template <typename T, typename Encode>
Json encodeOptional(const std::optional<T>& value, Encode encodeValue) {
  return value ? encodeValue(*value) : Json(nullptr);
}

Json encodeImage(const ImageRecord& image) {
  Json object;
  if (image.symbol) {
    object["symbol"] = *image.symbol;
    object["accessibilityDescription"] =
        image.accessibilityDescription ? Json(*image.accessibilityDescription) : Json(nullptr);
  } else {
    object["file"] = image.file;
    object["size"] = encodeSize(image.size);
  }
  object["template"] = image.isTemplate;
  return object;
}

Json encodeLayer(const LayerRecord& layer) {
  return {{"cornerRadius", layer.cornerRadius},
          {"borderWidth", layer.borderWidth},
          {"borderColor", encodeOptional(layer.borderColor, encodeColor)},
          {"backgroundColor", encodeOptional(layer.backgroundColor, encodeColor)},
          {"masksToBounds", layer.masksToBounds},
          {"contents", encodeOptional(layer.contents, encodeImage)},
          {"contentsGravity", layer.contentsGravity},
          {"contentsScale", layer.contentsScale}};
}

// A view is one JSON object with these keys (stable: desktopctl, its users and tests read them):
//   "identifier"  the view's identifier (empty text when it has none)
//   "kind"        kind(): "view", "label", "imageView", "stackView", ...
//   "frame"       [x, y, width, height] in the superview's coordinates
//   "hidden"      bool
//   "alpha"       the alpha value, 0 to 1
//   "layer"       only for layer-backed views: {"cornerRadius", "borderWidth",
//                 "borderColor": {"role", "alpha"} or null, "backgroundColor": {"role", "alpha"} or
//                 null, "masksToBounds", "contents": the image's description or null,
//                 "contentsGravity": "resize" | "resizeAspect" | "resizeAspectFill" | "center",
//                 "contentsScale"}
//   ...           the properties of the view's kind and base kinds (a control's "enabled" and
//                 "font", a label's "text", a button's "title" and "state", a pop-up's "items")
//   "subviews"    the subviews' descriptions, bottom to top; only when there are any

Json encodeView(const ViewRecord& view) {
  Json object = {{"identifier", view.identifier},
                 {"kind", view.kind},
                 {"frame", encodeRect(view.frame)},
                 {"hidden", view.hidden},
                 {"alpha", view.alpha}};
  if (view.layer) {
    object["layer"] = encodeLayer(*view.layer);
  }
  if (const auto& control = view.control) {
    object["enabled"] = control->enabled;
    object["font"] = encodeFont(control->font);
  }
  if (const auto& label = view.label) {
    object["text"] = label->text;
    object["font"] = encodeFont(label->font);
    object["textColor"] = encodeColor(label->textColor);
    object["alignment"] = label->alignment;
    object["lines"] = label->lines;
  }
  if (const auto& button = view.button) {
    object["title"] = button->title;
    object["type"] = button->type;
    object["state"] = button->state;
    object["keyEquivalent"] = button->keyEquivalent;
    object["bezel"] = button->bezel;
  }
  if (const auto& popUp = view.popUp) {
    object["items"] = popUp->items;
    object["selectedIndex"] = popUp->selectedIndex;
  }
  if (const auto& imageView = view.imageView) {
    object["image"] = encodeOptional(imageView->image, encodeImage);
    object["imageScaling"] = imageView->imageScaling;
  }
  if (const auto& progress = view.progress) {
    object["style"] = progress->style;
    object["indeterminate"] = progress->indeterminate;
    object["minValue"] = progress->minValue;
    object["maxValue"] = progress->maxValue;
    object["doubleValue"] = progress->doubleValue;
    object["controlSize"] = progress->controlSize;
    object["animating"] = progress->animating;
  }
  if (const auto& stack = view.stack) {
    object["orientation"] = stack->orientation;
    object["alignment"] = stack->alignment;
    object["spacing"] = stack->spacing;
  }
  if (const auto& effect = view.visualEffect) {
    object["material"] = effect->material;
    object["blendingMode"] = effect->blendingMode;
    object["state"] = effect->state;
  }
  if (!view.subviews.empty()) {
    Json& subviews = object["subviews"] = Json::array();
    for (const ViewRecord& subview : view.subviews) {
      subviews.push_back(encodeView(subview));
    }
  }
  return object;
}

Json encodeWindow(const WindowRecord& window) {
  return {{"title", window.title},
          {"frame", encodeRect(window.frame)},
          {"styleMask", window.styleMask},
          {"level", window.level},
          {"visible", window.visible},
          {"key", window.key},
          {"titleVisibility", window.titleVisibility},
          {"toolbarStyle", window.toolbarStyle},
          {"backgroundColor", encodeColor(window.backgroundColor)},
          {"opaque", window.opaque},
          {"titlebarAppearsTransparent", window.titlebarAppearsTransparent},
          {"contentView", encodeOptional(window.contentView, encodeView)},
          {"firstResponder", window.firstResponder ? Json(*window.firstResponder) : Json(nullptr)}};
}

Json encodeAlert(const AlertRecord& alert) {
  return {{"style", alert.style},
          {"messageText", alert.messageText},
          {"informativeText", alert.informativeText},
          {"buttons", alert.buttons},
          {"accessory", encodeOptional(alert.accessory, encodeView)},
          {"size", encodeSize(alert.size)},
          {"layoutCount", alert.layoutCount}};
}

Json encodeMenuItem(const MenuItemRecord& item) {
  if (item.separator) {
    return {{"separator", true}};
  }
  return {{"title", item.title},
          {"keyEquivalent", item.keyEquivalent},
          {"modifiers", item.modifiers},
          {"enabled", item.enabled},
          {"action", item.hasAction},
          {"representedObject",
           item.representedObject ? Json(*item.representedObject) : Json(nullptr)}};
}

Json encodeStatusItem(const StatusItemRecord& item) {
  Json menu = nullptr;
  if (item.menu) {
    menu = Json::array();
    for (const MenuItemRecord& entry : *item.menu) {
      menu.push_back(encodeMenuItem(entry));
    }
  }
  return {{"length", item.length},
          {"title", item.title},
          {"image", encodeOptional(item.image, encodeImage)},
          {"imagePosition", item.imagePosition},
          {"toolTip", item.toolTip},
          {"menu", std::move(menu)}};
}

template <typename T, typename Encode>
Json encodeList(const std::vector<T>& values, Encode encodeValue) {
  Json list = Json::array();
  for (const T& value : values) {
    list.push_back(encodeValue(value));
  }
  return list;
}

template <typename T, typename Encode>
Json encodeShown(const std::vector<Shown<T>>& values, Encode encodeValue) {
  Json list = Json::array();
  for (const Shown<T>& value : values) {
    Json element = encodeValue(value.element);
    element["application"] = value.application;
    list.push_back(std::move(element));
  }
  return list;
}

// ---- decoding: each reader takes one JSON value into a record and says whether it could.

bool read(const Json& value, std::string& out);
bool read(const Json& value, double& out);
bool read(const Json& value, bool& out);
bool read(const Json& value, int& out);
bool read(const Json& value, std::uint32_t& out);
bool read(const Json& value, Rect& out);
bool read(const Json& value, Size& out);
bool read(const Json& value, Color& out);
bool read(const Json& value, Font& out);
bool read(const Json& value, ImageRecord& out);
bool read(const Json& value, LayerRecord& out);
bool read(const Json& value, ViewRecord& out);
bool read(const Json& value, WindowRecord& out);
bool read(const Json& value, AlertRecord& out);
bool read(const Json& value, MenuItemRecord& out);
bool read(const Json& value, StatusItemRecord& out);
template <typename T>
bool read(const Json& value, std::vector<T>& out);
template <typename T>
bool read(const Json& value, std::optional<T>& out);

const Json& at(const Json& object, const char* key) {
  static const Json absent;
  if (!object.is_object()) {
    return absent;
  }
  const auto found = object.find(key);
  return found == object.end() ? absent : *found;
}

bool read(const Json& value, std::string& out) {
  if (!value.is_string()) {
    return false;
  }
  out = value.get<std::string>();
  return true;
}

bool read(const Json& value, double& out) {
  if (!value.is_number()) {
    return false;
  }
  out = value.get<double>();
  return true;
}

bool read(const Json& value, bool& out) {
  if (!value.is_boolean()) {
    return false;
  }
  out = value.get<bool>();
  return true;
}

bool read(const Json& value, int& out) {
  if (value.is_number_unsigned()) {
    const auto number = value.get<std::uint64_t>();
    if (number > static_cast<std::uint64_t>(std::numeric_limits<int>::max())) {
      return false;
    }
    out = static_cast<int>(number);
    return true;
  }
  if (!value.is_number_integer()) {
    return false;
  }
  const auto number = value.get<std::int64_t>();
  if (number < std::numeric_limits<int>::min() || number > std::numeric_limits<int>::max()) {
    return false;
  }
  out = static_cast<int>(number);
  return true;
}

bool read(const Json& value, std::uint32_t& out) {
  int signedNumber = 0;
  if (!value.is_number_unsigned()) {
    // A non-negative number built in memory may still be a signed one.
    if (!read(value, signedNumber) || signedNumber < 0) {
      return false;
    }
    out = static_cast<std::uint32_t>(signedNumber);
    return true;
  }
  const auto number = value.get<std::uint64_t>();
  if (number > std::numeric_limits<std::uint32_t>::max()) {
    return false;
  }
  out = static_cast<std::uint32_t>(number);
  return true;
}

bool read(const Json& value, Rect& out) {
  return value.is_array() && value.size() == 4 && read(value[0], out.x) && read(value[1], out.y) &&
         read(value[2], out.width) && read(value[3], out.height);
}

bool read(const Json& value, Size& out) {
  return value.is_array() && value.size() == 2 && read(value[0], out.width) &&
         read(value[1], out.height);
}

bool read(const Json& value, Color& out) {
  return read(at(value, "role"), out.role) && read(at(value, "alpha"), out.alpha);
}

bool read(const Json& value, Font& out) {
  std::string weight;
  if (!read(at(value, "size"), out.pointSize) || !read(at(value, "weight"), weight)) {
    return false;
  }
  for (const auto& [candidate, name] : weightNames) {
    if (weight == name) {
      out.weight = candidate;
      return true;
    }
  }
  return false;
}

// Null (or, for an optional member, absence) is nothing.
template <typename T>
bool read(const Json& value, std::optional<T>& out) {
  if (value.is_null()) {
    out.reset();
    return true;
  }
  T decoded{};
  if (!read(value, decoded)) {
    return false;
  }
  out = std::move(decoded);
  return true;
}

bool read(const Json& value, ImageRecord& out) {
  if (!value.is_object() || !read(at(value, "template"), out.isTemplate)) {
    return false;
  }
  if (value.contains("symbol")) {
    std::string symbol;
    if (!read(at(value, "symbol"), symbol) ||
        !read(at(value, "accessibilityDescription"), out.accessibilityDescription)) {
      return false;
    }
    out.symbol = std::move(symbol);
    return true;
  }
  return read(at(value, "file"), out.file) && read(at(value, "size"), out.size);
}

bool read(const Json& value, LayerRecord& out) {
  return read(at(value, "cornerRadius"), out.cornerRadius) &&
         read(at(value, "borderWidth"), out.borderWidth) &&
         read(at(value, "borderColor"), out.borderColor) &&
         read(at(value, "backgroundColor"), out.backgroundColor) &&
         read(at(value, "masksToBounds"), out.masksToBounds) &&
         read(at(value, "contents"), out.contents) &&
         read(at(value, "contentsGravity"), out.contentsGravity) &&
         read(at(value, "contentsScale"), out.contentsScale);
}

// A kind's properties are there when the member that only that kind has is there.
template <typename Record, typename Read>
bool readPart(const Json& value, const char* marker, std::optional<Record>& out, Read readRecord) {
  if (!value.contains(marker)) {
    return true;
  }
  Record record{};
  if (!readRecord(record)) {
    return false;
  }
  out = std::move(record);
  return true;
}

bool read(const Json& value, ViewRecord& out) {
  if (!value.is_object() || !read(at(value, "identifier"), out.identifier) ||
      !read(at(value, "kind"), out.kind) || !read(at(value, "frame"), out.frame) ||
      !read(at(value, "hidden"), out.hidden) || !read(at(value, "alpha"), out.alpha) ||
      !read(at(value, "layer"), out.layer)) {
    return false;
  }
  auto get = [&](const char* key, auto& field) { return read(at(value, key), field); };
  return readPart(
             value, "enabled", out.control,
             [&](ControlRecord& r) { return get("enabled", r.enabled) && get("font", r.font); }) &&
         readPart(value, "textColor", out.label,
                  [&](LabelRecord& r) {
                    return get("text", r.text) && get("font", r.font) &&
                           get("textColor", r.textColor) && get("alignment", r.alignment) &&
                           get("lines", r.lines);
                  }) &&
         readPart(value, "bezel", out.button,
                  [&](ButtonRecord& r) {
                    return get("title", r.title) && get("type", r.type) && get("state", r.state) &&
                           get("keyEquivalent", r.keyEquivalent) && get("bezel", r.bezel);
                  }) &&
         readPart(value, "items", out.popUp,
                  [&](PopUpRecord& r) {
                    return get("items", r.items) && get("selectedIndex", r.selectedIndex);
                  }) &&
         readPart(value, "imageScaling", out.imageView,
                  [&](ImageViewRecord& r) {
                    return get("image", r.image) && get("imageScaling", r.imageScaling);
                  }) &&
         readPart(value, "doubleValue", out.progress,
                  [&](ProgressRecord& r) {
                    return get("style", r.style) && get("indeterminate", r.indeterminate) &&
                           get("minValue", r.minValue) && get("maxValue", r.maxValue) &&
                           get("doubleValue", r.doubleValue) && get("controlSize", r.controlSize) &&
                           get("animating", r.animating);
                  }) &&
         readPart(value, "orientation", out.stack,
                  [&](StackRecord& r) {
                    return get("orientation", r.orientation) && get("alignment", r.alignment) &&
                           get("spacing", r.spacing);
                  }) &&
         readPart(value, "material", out.visualEffect,
                  [&](VisualEffectRecord& r) {
                    return get("material", r.material) && get("blendingMode", r.blendingMode) &&
                           get("state", r.state);
                  }) &&
         (!value.contains("subviews") || get("subviews", out.subviews));
}

bool read(const Json& value, WindowRecord& out) {
  return read(at(value, "title"), out.title) && read(at(value, "frame"), out.frame) &&
         read(at(value, "styleMask"), out.styleMask) && read(at(value, "level"), out.level) &&
         read(at(value, "visible"), out.visible) && read(at(value, "key"), out.key) &&
         read(at(value, "titleVisibility"), out.titleVisibility) &&
         read(at(value, "toolbarStyle"), out.toolbarStyle) &&
         read(at(value, "backgroundColor"), out.backgroundColor) &&
         read(at(value, "opaque"), out.opaque) &&
         read(at(value, "titlebarAppearsTransparent"), out.titlebarAppearsTransparent) &&
         read(at(value, "contentView"), out.contentView) &&
         read(at(value, "firstResponder"), out.firstResponder);
}

bool read(const Json& value, AlertRecord& out) {
  return read(at(value, "style"), out.style) && read(at(value, "messageText"), out.messageText) &&
         read(at(value, "informativeText"), out.informativeText) &&
         read(at(value, "buttons"), out.buttons) && read(at(value, "accessory"), out.accessory) &&
         read(at(value, "size"), out.size) && read(at(value, "layoutCount"), out.layoutCount);
}

bool read(const Json& value, MenuItemRecord& out) {
  if (value.contains("separator")) {
    return read(at(value, "separator"), out.separator) && out.separator;
  }
  return read(at(value, "title"), out.title) &&
         read(at(value, "keyEquivalent"), out.keyEquivalent) &&
         read(at(value, "modifiers"), out.modifiers) && read(at(value, "enabled"), out.enabled) &&
         read(at(value, "action"), out.hasAction) &&
         read(at(value, "representedObject"), out.representedObject);
}

bool read(const Json& value, StatusItemRecord& out) {
  return read(at(value, "length"), out.length) && read(at(value, "title"), out.title) &&
         read(at(value, "image"), out.image) &&
         read(at(value, "imagePosition"), out.imagePosition) &&
         read(at(value, "toolTip"), out.toolTip) && read(at(value, "menu"), out.menu);
}

template <typename T>
bool read(const Json& value, std::vector<T>& out) {
  if (!value.is_array()) {
    return false;
  }
  out.clear();
  for (const Json& element : value) {
    T decoded{};
    if (!read(element, decoded)) {
      return false;
    }
    out.push_back(std::move(decoded));
  }
  return true;
}

// A part of an interface may be left out; it is then empty.
template <typename T>
bool readParts(const Json& value, const char* key, std::vector<T>& out) {
  return !value.contains(key) || read(at(value, key), out);
}

// Elements of the screen, each with its application's bundle identifier.
template <typename T>
bool readShown(const Json& value, std::vector<Shown<T>>& out) {
  if (!value.is_array()) {
    return false;
  }
  out.clear();
  for (const Json& element : value) {
    Shown<T> decoded;
    if (!read(at(element, "application"), decoded.application) || !read(element, decoded.element)) {
      return false;
    }
    out.push_back(std::move(decoded));
  }
  return true;
}

}  // namespace

Json encode(const InterfaceRecord& interface) {
  return {{"statusItems", encodeList(interface.statusItems, encodeStatusItem)},
          {"windows", encodeList(interface.windows, encodeWindow)},
          {"alerts", encodeList(interface.alerts, encodeAlert)}};
}

std::optional<InterfaceRecord> decodeInterface(const Json& value) {
  InterfaceRecord interface;
  if (!value.is_object() || !readParts(value, "statusItems", interface.statusItems) ||
      !readParts(value, "windows", interface.windows) ||
      !readParts(value, "alerts", interface.alerts)) {
    return std::nullopt;
  }
  return interface;
}

Json encode(const ViewRecord& view) {
  return encodeView(view);
}

Json encode(const ScreenContents& screen) {
  return {{"statusItems", encodeShown(screen.statusItems, encodeStatusItem)},
          {"windows", encodeShown(screen.windows, encodeWindow)},
          {"alerts", encodeShown(screen.alerts, encodeAlert)}};
}

std::optional<ScreenContents> decodeScreenContents(const Json& value) {
  ScreenContents screen;
  if (!value.is_object() || !readShown(at(value, "statusItems"), screen.statusItems) ||
      !readShown(at(value, "windows"), screen.windows) ||
      !readShown(at(value, "alerts"), screen.alerts)) {
    return std::nullopt;
  }
  return screen;
}

Json encode(const UserInput& input) {
  const char* action = "click";
  for (const auto& [value, name] : actionNames) {
    if (value == input.action) {
      action = name;
    }
  }
  Json object = {{"action", action}};
  switch (input.action) {
    case UserInput::Action::click:
      object["target"] = input.target;
      break;
    case UserInput::Action::select:
      object["item"] = input.item;
      if (input.in) {
        object["in"] = *input.in;
      }
      break;
    case UserInput::Action::key:
      object["keyCode"] = input.keyCode;
      object["modifiers"] = input.modifiers;
      break;
    case UserInput::Action::menu:
      object["item"] = input.item;
      break;
    case UserInput::Action::dismiss:
      break;
    case UserInput::Action::close:
      object["window"] = input.window;
      break;
  }
  return object;
}

std::optional<UserInput> decodeInput(const Json& value) {
  std::string action;
  if (!read(at(value, "action"), action)) {
    return std::nullopt;
  }
  UserInput input;
  const auto name =
      std::ranges::find_if(actionNames, [&](const auto& entry) { return action == entry.second; });
  if (name == actionNames.end()) {
    return std::nullopt;
  }
  input.action = name->first;
  bool ok = true;
  switch (input.action) {
    case UserInput::Action::click:
      ok = read(at(value, "target"), input.target);
      break;
    case UserInput::Action::select:
      ok = read(at(value, "item"), input.item) && read(at(value, "in"), input.in);
      break;
    case UserInput::Action::key: {
      std::uint32_t keyCode = 0;
      ok = read(at(value, "keyCode"), keyCode) && keyCode <= 0xFFFF &&
           read(at(value, "modifiers"), input.modifiers);
      input.keyCode = static_cast<std::uint16_t>(keyCode);
      break;
    }
    case UserInput::Action::menu:
      ok = read(at(value, "item"), input.item);
      break;
    case UserInput::Action::dismiss:
      break;
    case UserInput::Action::close:
      ok = read(at(value, "window"), input.window);
      break;
  }
  return ok ? std::optional(std::move(input)) : std::nullopt;
}

}  // namespace platform::wire
