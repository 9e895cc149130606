#include "suite/LaunchAgent.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <utility>

#include "suite/HomeLayout.h"
#include "suite/Identity.h"

namespace suite {
namespace {

// One character of UTF-8 text: its code point and how many bytes it takes.
struct Utf8Character {
  char32_t codePoint = 0;
  std::size_t length = 0;
};

// The character at `position`; nothing for bytes that are not UTF-8 (a stray or missing
// continuation byte, an overlong form, a surrogate or a code point past U+10FFFF).
std::optional<Utf8Character> characterAt(std::string_view text, std::size_t position) {
  const auto lead = static_cast<unsigned char>(text[position]);
  if (lead < 0x80) {
    return Utf8Character{lead, 1};
  }
  std::size_t length = 0;
  char32_t codePoint = 0;
  char32_t smallest = 0;
  if ((lead & 0xE0U) == 0xC0) {
    length = 2;
    codePoint = lead & 0x1FU;
    smallest = 0x80;
  } else if ((lead & 0xF0U) == 0xE0) {
    length = 3;
    codePoint = lead & 0x0FU;
    smallest = 0x800;
  } else if ((lead & 0xF8U) == 0xF0) {
    length = 4;
    codePoint = lead & 0x07U;
    smallest = 0x10000;
  } else {
    return std::nullopt;
  }
  if (text.size() - position < length) {
    return std::nullopt;
  }
  for (std::size_t index = 1; index < length; ++index) {
    const auto next = static_cast<unsigned char>(text[position + index]);
    if ((next & 0xC0U) != 0x80) {
      return std::nullopt;
    }
    codePoint = (codePoint << 6U) | (next & 0x3FU);
  }
  if (codePoint < smallest || codePoint > 0x10FFFF ||
      (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
    return std::nullopt;
  }
  return Utf8Character{codePoint, length};
}

// Whether XML 1.0 has the character (its production Char).
bool xmlCarries(char32_t codePoint) {
  return codePoint == '\t' || codePoint == '\n' || codePoint == '\r' ||
         (codePoint >= 0x20 && codePoint <= 0xD7FF) ||
         (codePoint >= 0xE000 && codePoint <= 0xFFFD) || codePoint >= 0x10000;
}

// What stands for a character in element content when the character itself would not be read
// back: a parser takes "&" and "<" as markup and turns a literal carriage return into a line feed.
using Reference = std::pair<char32_t, std::string_view>;
constexpr std::array<Reference, 4> references = {
    {{U'&', "&amp;"}, {U'<', "&lt;"}, {U'>', "&gt;"}, {U'\r', "&#13;"}}};

// The text as element content, and as a user may be shown it: with U+FFFD for what XML cannot
// carry.
struct XmlContent {
  std::string escaped;
  std::string shown;
  bool carried = true;
};

XmlContent xmlContent(std::string_view text) {
  XmlContent content;
  content.escaped.reserve(text.size());
  std::size_t position = 0;
  while (position < text.size()) {
    const std::optional<Utf8Character> character = characterAt(text, position);
    if (!character || !xmlCarries(character->codePoint)) {
      content.carried = false;
      content.shown += "\uFFFD";
      position += character ? character->length : 1;
      continue;
    }
    const std::string_view bytes = text.substr(position, character->length);
    content.shown += bytes;
    const auto* reference = std::ranges::find(references, character->codePoint, &Reference::first);
    content.escaped += reference != references.end() ? reference->second : bytes;
    position += character->length;
  }
  return content;
}

}  // namespace

platform::Result<std::string> launchAgentPropertyList(std::string_view programPath,
                                                      std::string_view errorDomain) {
  const XmlContent program = xmlContent(programPath);
  if (!program.carried) {
    return std::unexpected(platform::Error{
        std::string(errorDomain), 1,
        "The launcher’s location “" + program.shown +
            "” can’t be written into a launch agent because it holds characters that a property "
            "list can’t carry."});
  }
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
         "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
         "<plist version=\"1.0\">\n"
         "  <dict>\n"
         "    <key>Label</key>\n"
         "    <string>" +
         std::string(launchAgentLabel) +
         "</string>\n"
         "    <key>ProgramArguments</key>\n"
         "    <array>\n"
         "      <string>" +
         program.escaped +
         "</string>\n"
         "    </array>\n"
         "    <key>RunAtLoad</key>\n"
         "    <true/>\n"
         "    <key>ProcessType</key>\n"
         "    <string>Interactive</string>\n"
         "  </dict>\n"
         "</plist>";
}

platform::Result<void> writeLaunchAgent(const platform::FileManager& files,
                                        const std::filesystem::path& program,
                                        std::string_view errorDomain) {
  const platform::Result<std::string> text = launchAgentPropertyList(program.string(), errorDomain);
  if (!text) {
    return std::unexpected(text.error());
  }
  const HomeLayout layout = HomeLayout::under(files.homeDirectory());
  if (auto created = files.createDirectory(layout.launchAgentsFolder); !created) {
    return created;
  }
  return files.writeAtomically(layout.launchAgent, *text);
}

}  // namespace suite
