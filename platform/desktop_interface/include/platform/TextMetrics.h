#pragma once

#include <cstddef>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Appearance.h"

namespace platform {

// A fixed model of how wide the system font draws text, so that sizes and layouts built on it are
// exact. Text is UTF-8; every Unicode code point advances by its class's width in ems times the
// font size, times the weight's factor:
//
//   i l j . , ' ’ ‘ | ! : ;     0.28     digits 0-9               0.56
//   space                       0.28     other lower case letters 0.52
//   m w                         0.80     other upper case letters 0.66
//   M W                         0.86     combining marks          0
//   anything else               0.60
//
// Letters with diacritics (à, É, ñ, ß, ...) are one code point and count as lower or upper case
// letters; Latin letters beyond Latin-1 (U+0100 to U+024F) count as lower case. The weight factors
// are regular 1.00, medium 1.03, semibold 1.06, bold 1.09. A line is ceil(size * 1.2) points high.

// The width of the widest line of text (lines end at line feeds).
double textWidth(std::string_view text, const Font& font);

// The height of one line of text in the font.
double lineHeight(const Font& font);

// Where wrapping may break a line: between words (a word wider than the line is broken between
// characters), or between any two characters.
enum class TextWrapping { byWords, byCharacters };

inline constexpr double unboundedWidth = std::numeric_limits<double>::infinity();

// The lines text is drawn in: split at line feeds, each paragraph wrapped to maxWidth (blanks at a
// break are dropped), then only the first maxLines lines (all when maxLines is 0). Always at least
// one line, empty for empty text.
std::vector<std::string> wrappedLines(std::string_view text, const Font& font, double maxWidth,
                                      std::size_t maxLines = 0,
                                      TextWrapping wrapping = TextWrapping::byWords);

enum class TruncationPosition { head, middle, tail };

// One line shortened to fit maxWidth, with "…" in place of what was left out at the head, in the
// middle or at the tail; the line itself when it fits.
std::string truncatedLine(std::string_view line, const Font& font, double maxWidth,
                          TruncationPosition position);

}  // namespace platform
