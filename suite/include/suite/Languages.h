#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace suite {

// A language the suite's programs speak: its code and its name in itself, as the language pop-ups
// list it.
struct Language {
  std::string_view code;
  std::string_view label;
};

// The suite's languages, in the order of the language pop-ups. The first is the one a program
// speaks when asked for any other.
inline constexpr std::array languages{
    Language{.code = "en", .label = "English"},
    Language{.code = "fr", .label = "Français"},
    Language{.code = "es", .label = "Español"},
    Language{.code = "de", .label = "Deutsch"},
};

// The position in `languages` of a code, matched exactly ("FR" and "fr-CA" are none).
constexpr std::optional<std::size_t> languageIndex(std::string_view code) {
  const auto* const found = std::ranges::find(languages, code, &Language::code);
  if (found == languages.end()) {
    return std::nullopt;
  }
  return static_cast<std::size_t>(found - languages.begin());
}

// One language's entry in a program's table of texts.
template <typename Texts>
struct Translation {
  std::string_view language;  // its code
  Texts texts;
};

// A program's texts in every language: one entry per language of `languages`, in its order.
template <typename Texts>
using Translations = std::array<Translation<Texts>, languages.size()>;

// Whether each entry of the table names the language of its place. Every table is checked with it
// at compile time, so one that leaves out, repeats or swaps a language does not build.
template <typename Texts>
constexpr bool followsLanguages(const Translations<Texts>& table) {
  return std::ranges::equal(table, languages, {}, &Translation<Texts>::language, &Language::code);
}

// The texts of a code's language; the first language's for a code that is none of `languages`.
template <typename Texts>
constexpr const Texts& textsIn(const Translations<Texts>& table, std::string_view code) {
  return table.at(languageIndex(code).value_or(0)).texts;
}

}  // namespace suite
