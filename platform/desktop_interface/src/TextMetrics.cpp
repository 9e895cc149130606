#include "platform/TextMetrics.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <utility>

namespace platform {
namespace {

// Advances are kept in thousandths of an em and weight factors in thousandths, so that sums are
// exact integers and only the final scaling rounds.
using Units = std::int64_t;

struct CodePoint {
  std::size_t offset = 0;  // in bytes
  std::size_t length = 0;  // in bytes
  Units advance = 0;
};

constexpr std::string_view ellipsis = "\u2026";

bool isCombiningMark(char32_t c) {
  return (c >= 0x0300 && c <= 0x036F) || (c >= 0x1AB0 && c <= 0x1AFF) ||
         (c >= 0x1DC0 && c <= 0x1DFF) || (c >= 0x20D0 && c <= 0x20FF) ||
         (c >= 0xFE20 && c <= 0xFE2F);
}

Units advanceOf(char32_t c) {
  switch (c) {
    case U'i':
    case U'l':
    case U'j':
    case U'.':
    case U',':
    case U'\'':
    case U'\u2018':
    case U'\u2019':
    case U'|':
    case U'!':
    case U':':
    case U';':
    case U' ':
      return 280;
    case U'm':
    case U'w':
      return 800;
    case U'M':
    case U'W':
      return 860;
    default:
      break;
  }
  if (c >= U'0' && c <= U'9') {
    return 560;
  }
  if ((c >= U'a' && c <= U'z') || (c >= 0x00DF && c <= 0x00FF && c != 0x00F7) ||
      (c >= 0x0100 && c <= 0x024F)) {
    return 520;
  }
  if ((c >= U'A' && c <= U'Z') || (c >= 0x00C0 && c <= 0x00DE && c != 0x00D7)) {
    return 660;
  }
  if (isCombiningMark(c)) {
    return 0;
  }
  return 600;
}

// Decodes one UTF-8 sequence at text[offset]; a malformed byte stands for one unknown character.
CodePoint decodeAt(std::string_view text, std::size_t offset) {
  const auto byte = [&text](std::size_t at) { return static_cast<std::uint8_t>(text[at]); };
  const std::uint8_t lead = byte(offset);
  std::size_t length = 1;
  char32_t value = 0xFFFD;
  if (lead < 0x80) {
    value = lead;
  } else if (lead >= 0xC2 && lead <= 0xF4) {
    std::size_t expected = 2;
    if (lead >= 0xF0) {
      expected = 4;
    } else if (lead >= 0xE0) {
      expected = 3;
    }
    char32_t decoded = lead & (0x7FU >> expected);
    bool valid = offset + expected <= text.size();
    for (std::size_t index = 1; valid && index < expected; ++index) {
      const std::uint8_t next = byte(offset + index);
      valid = (next & 0xC0U) == 0x80U;
      decoded = (decoded << 6U) | (next & 0x3FU);
    }
    if (valid) {
      length = expected;
      value = decoded;
    }
  }
  return {offset, length, advanceOf(value)};
}

std::vector<CodePoint> decode(std::string_view text) {
  std::vector<CodePoint> codePoints;
  for (std::size_t offset = 0; offset < text.size();) {
    codePoints.push_back(decodeAt(text, offset));
    offset += codePoints.back().length;
  }
  return codePoints;
}

Units unitsOf(std::string_view text) {
  Units total = 0;
  for (const auto& codePoint : decode(text)) {
    total += codePoint.advance;
  }
  return total;
}

Units weightFactor(FontWeight weight) {
  switch (weight) {
    case FontWeight::regular:
      return 1000;
    case FontWeight::medium:
      return 1030;
    case FontWeight::semibold:
      return 1060;
    case FontWeight::bold:
      return 1090;
  }
  return 1000;
}

double widthOf(Units units, const Font& font) {
  return static_cast<double>(units) * font.pointSize *
         static_cast<double>(weightFactor(font.weight)) / 1'000'000.0;
}

double widthOf(std::string_view text, const Font& font) {
  return widthOf(unitsOf(text), font);
}

std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> pieces;
  std::size_t start = 0;
  for (std::size_t end = text.find(separator); end != std::string_view::npos;
       end = text.find(separator, start)) {
    pieces.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  pieces.push_back(text.substr(start));
  return pieces;
}

// Breaks text between characters into lines no wider than maxWidth; every line holds at least one
// character, and a combining mark stays with the character before it.
std::vector<std::string> breakCharacters(std::string_view text, const Font& font, double maxWidth) {
  std::vector<std::string> lines;
  std::size_t lineStart = 0;
  Units lineUnits = 0;
  for (const auto& codePoint : decode(text)) {
    const bool lineHasText = codePoint.offset > lineStart;
    if (lineHasText && widthOf(lineUnits + codePoint.advance, font) > maxWidth) {
      lines.emplace_back(text.substr(lineStart, codePoint.offset - lineStart));
      lineStart = codePoint.offset;
      lineUnits = 0;
    }
    lineUnits += codePoint.advance;
  }
  lines.emplace_back(text.substr(lineStart));
  return lines;
}

void wrapWords(std::string_view paragraph, const Font& font, double maxWidth,
               std::vector<std::string>& lines) {
  std::string line;
  bool lineHasWords = false;
  for (const auto word : split(paragraph, ' ')) {
    std::string candidate = lineHasWords ? line + ' ' + std::string(word) : std::string(word);
    if (widthOf(candidate, font) <= maxWidth) {
      line = std::move(candidate);
      lineHasWords = true;
      continue;
    }
    if (lineHasWords) {
      lines.push_back(std::move(line));
    }
    auto pieces = breakCharacters(word, font, maxWidth);
    line = std::move(pieces.back());
    pieces.pop_back();
    std::ranges::move(pieces, std::back_inserter(lines));
    lineHasWords = true;
  }
  lines.push_back(std::move(line));
}

std::string joined(std::string_view text, const std::vector<CodePoint>& codePoints,
                   std::size_t headCount, std::size_t tailCount) {
  std::string result;
  if (headCount > 0) {
    const auto& last = codePoints[headCount - 1];
    result.append(text.substr(0, last.offset + last.length));
  }
  result.append(ellipsis);
  if (tailCount > 0) {
    result.append(text.substr(codePoints[codePoints.size() - tailCount].offset));
  }
  return result;
}

}  // namespace

double textWidth(std::string_view text, const Font& font) {
  Units widest = 0;
  for (const auto line : split(text, '\n')) {
    widest = std::max(widest, unitsOf(line));
  }
  return widthOf(widest, font);
}

double lineHeight(const Font& font) {
  // size * 12 / 10 rather than size * 1.2: 1.2 has no exact binary form.
  return std::ceil(font.pointSize * 12.0 / 10.0);
}

std::vector<std::string> wrappedLines(std::string_view text, const Font& font, double maxWidth,
                                      std::size_t maxLines, TextWrapping wrapping) {
  std::vector<std::string> lines;
  for (const auto paragraph : split(text, '\n')) {
    if (wrapping == TextWrapping::byCharacters) {
      std::ranges::move(breakCharacters(paragraph, font, maxWidth), std::back_inserter(lines));
    } else {
      wrapWords(paragraph, font, maxWidth, lines);
    }
    if (maxLines > 0 && lines.size() >= maxLines) {
      lines.resize(maxLines);
      break;
    }
  }
  return lines;
}

std::string truncatedLine(std::string_view line, const Font& font, double maxWidth,
                          TruncationPosition position) {
  const auto codePoints = decode(line);
  std::vector<Units> prefix{0};  // prefix[n]: the advance of the first n code points
  for (const auto& codePoint : codePoints) {
    prefix.push_back(prefix.back() + codePoint.advance);
  }
  const Units total = prefix.back();
  if (widthOf(total, font) <= maxWidth) {
    return std::string(line);
  }
  const Units ellipsisUnits = unitsOf(ellipsis);
  // Keeps as many code points as fit beside the ellipsis, taking them from the kept side(s).
  for (std::size_t kept = codePoints.size(); kept-- > 0;) {
    std::size_t headCount = 0;
    switch (position) {
      case TruncationPosition::head:
        headCount = 0;
        break;
      case TruncationPosition::middle:
        headCount = (kept + 1) / 2;
        break;
      case TruncationPosition::tail:
        headCount = kept;
        break;
    }
    const std::size_t tailCount = kept - headCount;
    const Units units = prefix[headCount] + (total - prefix[codePoints.size() - tailCount]);
    if (widthOf(units + ellipsisUnits, font) <= maxWidth) {
      return joined(line, codePoints, headCount, tailCount);
    }
  }
  return std::string(ellipsis);
}

}  // namespace platform
