#include "platform/Label.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/TextMetrics.h"

namespace {

using platform::Font;
using platform::FontWeight;
using platform::Label;
using platform::LineBreakMode;
using platform::lineHeight;
using platform::Rect;
using platform::Size;
using platform::textWidth;
using platform::TextWrapping;
using platform::truncatedLine;
using platform::TruncationPosition;
using platform::wrappedLines;
using Lines = std::vector<std::string>;

const Font ten = Font::system(10);

TEST(TextMetricsTest, MeasuresByCharacterClassSizeAndWeight) {
  // A .66 + p .52 + p .52 + l .28 + y .52 = 2.5 em.
  EXPECT_DOUBLE_EQ(textWidth("Apply", Font::system(13)), 32.5);
  EXPECT_DOUBLE_EQ(textWidth("Apply", Font::system(13, FontWeight::medium)), 33.475);
  EXPECT_DOUBLE_EQ(textWidth("Apply", Font::system(13, FontWeight::semibold)), 34.45);
  EXPECT_DOUBLE_EQ(textWidth("Apply", Font::system(13, FontWeight::bold)), 35.425);
  // Digits, the narrow and wide letters, the blank and anything else.
  EXPECT_DOUBLE_EQ(textWidth("09", ten), 11.2);
  EXPECT_DOUBLE_EQ(textWidth("il.", ten), 8.4);
  EXPECT_DOUBLE_EQ(textWidth("mwMW", ten), 33.2);
  EXPECT_DOUBLE_EQ(textWidth("a b", ten), 13.2);
  EXPECT_DOUBLE_EQ(textWidth("~+", ten), 12);
  // The widest line counts.
  EXPECT_DOUBLE_EQ(textWidth("OK\nApply", ten), 25);
  EXPECT_DOUBLE_EQ(textWidth("", ten), 0);

  EXPECT_EQ(lineHeight(Font::system(11)), 14);
  EXPECT_EQ(lineHeight(Font::system(12)), 15);
  EXPECT_EQ(lineHeight(Font::system(13)), 16);
  EXPECT_EQ(lineHeight(Font::system(15)), 18);
  EXPECT_EQ(lineHeight(Font::system(20, FontWeight::semibold)), 24);
}

TEST(TextMetricsTest, CountsAnAccentedLetterOnce) {
  EXPECT_DOUBLE_EQ(textWidth("\u00e9", ten), textWidth("e", ten));
  EXPECT_DOUBLE_EQ(textWidth("\u00c9", ten), textWidth("E", ten));
  // A combining accent adds nothing to its letter.
  EXPECT_DOUBLE_EQ(textWidth("E\u0301cran", ten), textWidth("\u00c9cran", ten));
  EXPECT_DOUBLE_EQ(textWidth("Stra\u00dfe", ten), textWidth("Strase", ten));
  // The French apostrophe is as narrow as the ASCII one.
  EXPECT_DOUBLE_EQ(textWidth("d\u2019affichage", ten), textWidth("d'affichage", ten));
  // A longer translation is wider.
  const Font heading = Font::system(13, FontWeight::semibold);
  EXPECT_GT(textWidth("\u00c9cran de couverture", heading), textWidth("Cover monitor", heading));
}

TEST(TextMetricsTest, WrapsByWordsWithinTheWidthAndLineLimit) {
  // one = 15.6, two = 18.4, three = 26, "one two" = 36.8.
  EXPECT_EQ(wrappedLines("one two three", ten, 40), (Lines{"one two", "three"}));
  EXPECT_EQ(wrappedLines("one two three", ten, 36.8), (Lines{"one two", "three"}));
  EXPECT_EQ(wrappedLines("one two three", ten, 36.7), (Lines{"one", "two", "three"}));
  EXPECT_EQ(wrappedLines("one two three", ten, 36.7, 2), (Lines{"one", "two"}));
  EXPECT_EQ(wrappedLines("one two three", ten, platform::unboundedWidth), (Lines{"one two three"}));
  // Line feeds always break; an empty paragraph is an empty line.
  EXPECT_EQ(wrappedLines("one\n\ntwo", ten, 100), (Lines{"one", "", "two"}));
  EXPECT_EQ(wrappedLines("", ten, 100), (Lines{""}));
  // A word wider than the line is broken between characters (a to h are 5.2 each, i and j 2.8).
  EXPECT_EQ(wrappedLines("x abcdefghij", ten, 20), (Lines{"x", "abc", "def", "ghij"}));
}

TEST(TextMetricsTest, WrapsByCharactersKeepingMarksWithTheirLetters) {
  EXPECT_EQ(wrappedLines("ab cd", ten, 15, 0, TextWrapping::byCharacters), (Lines{"ab ", "cd"}));
  EXPECT_EQ(wrappedLines("e\u0301e\u0301", ten, 6, 0, TextWrapping::byCharacters),
            (Lines{"e\u0301", "e\u0301"}));
}

TEST(TextMetricsTest, TruncatesAtTheHeadMiddleOrTail) {
  // abcdef = 31.2; the ellipsis is 6, so three letters fit beside it in 25.
  EXPECT_EQ(truncatedLine("abcdef", ten, 25, TruncationPosition::tail), "abc\u2026");
  EXPECT_EQ(truncatedLine("abcdef", ten, 25, TruncationPosition::head), "\u2026def");
  EXPECT_EQ(truncatedLine("abcdef", ten, 25, TruncationPosition::middle), "ab\u2026f");
  EXPECT_EQ(truncatedLine("abcdef", ten, 31.2, TruncationPosition::tail), "abcdef");
  EXPECT_EQ(truncatedLine("abcdef", ten, 1, TruncationPosition::tail), "\u2026");
  // Never in the middle of a letter's bytes.
  EXPECT_EQ(truncatedLine("\u00e9\u00e9\u00e9\u00e9", ten, 17, TruncationPosition::tail),
            "\u00e9\u00e9\u2026");
}

TEST(LabelTest, FactoriesMakeOneLineAndWrappingLabels) {
  const auto label = Label::labelWithString("Start Ferrolin at login");
  EXPECT_EQ(label->font(), Font::system(13));
  EXPECT_EQ(label->textColor(), platform::Color::named("labelColor"));
  EXPECT_EQ(label->alignment(), platform::TextAlignment::natural);
  EXPECT_EQ(label->lineBreakMode(), LineBreakMode::clipping);
  EXPECT_EQ(label->maximumNumberOfLines(), 1U);
  EXPECT_EQ(label->kind(), "label");
  EXPECT_EQ(label->addressableText(), "Start Ferrolin at login");

  const auto wrapping = Label::wrappingLabelWithString("1. One\n2. Two");
  EXPECT_EQ(wrapping->lineBreakMode(), LineBreakMode::wordWrapping);
  EXPECT_EQ(wrapping->maximumNumberOfLines(), 0U);
  EXPECT_EQ(wrapping->lines(), (Lines{"1. One", "2. Two"}));
}

TEST(LabelTest, SizesToFitItsText) {
  const Font sectionFont = Font::system(13, FontWeight::semibold);
  const auto cover = Label::labelWithString("Cover monitor");
  cover->setFont(sectionFont);
  cover->setFrame({16, 32, 0, 0});
  cover->sizeToFit();
  // 6.7 em * 13 * 1.06 = 92.326: 93 plus 4 of padding.
  EXPECT_EQ(cover->frame(), (Rect{16, 32, 97, 16}));

  const auto ecran = Label::labelWithString("\u00c9cran de couverture");
  ecran->setFont(sectionFont);
  ecran->sizeToFit();
  // 9.54 em * 13 * 1.06 = 131.4612.
  EXPECT_EQ(ecran->frame().size(), (Size{136, 16}));

  const auto title = Label::labelWithString("Launcher Settings");
  title->setFont(Font::system(20, FontWeight::semibold));
  EXPECT_EQ(title->intrinsicContentSize(), (Size{188, 24}));

  const auto empty = Label::labelWithString("");
  EXPECT_EQ(empty->intrinsicContentSize(), (Size{4, 16}));
}

TEST(LabelTest, WrappingLabelWithAWidthTakesTheHeightOfItsLines) {
  const auto label = Label::wrappingLabelWithString("one two three");
  label->setFont(ten);
  label->setFrame({0, 0, 44, 0});  // 40 for text
  label->sizeToFit();
  EXPECT_EQ(label->lines(), (Lines{"one two", "three"}));
  EXPECT_EQ(label->frame(), (Rect{0, 0, 44, 24}));

  // Without a width it stays on one line per paragraph.
  const auto unplaced = Label::wrappingLabelWithString("one two three");
  unplaced->setFont(ten);
  unplaced->sizeToFit();
  EXPECT_EQ(unplaced->lines(), (Lines{"one two three"}));
  EXPECT_EQ(unplaced->frame().size(), (Size{70, 12}));
}

TEST(LabelTest, ProgressMessageWrapsToAtMostTwoLines) {
  const auto message = Label::labelWithString(
      "Closing running Ferrolin instances, removing the launch agent and deleting the "
      "application support folder with everything in it...");
  message->setFont(Font::system(14, FontWeight::medium));
  message->setLineBreakMode(LineBreakMode::wordWrapping);
  message->setMaximumNumberOfLines(2);
  message->setFrame({68, 74, 300, 32});

  const auto lines = message->lines();
  ASSERT_EQ(lines.size(), 2U);
  EXPECT_EQ(lines[0].rfind("Closing running Ferrolin", 0), 0U);
  for (const auto& line : lines) {
    EXPECT_LE(textWidth(line, message->font()), 296) << line;
  }
  message->sizeToFit();
  EXPECT_EQ(message->frame(), (Rect{68, 74, 300, 34}));
}

TEST(LabelTest, TruncatingLabelShowsTheEllipsisInItsFrame) {
  const auto status = Label::labelWithString("Update available: 2.4.0 (installed 2.3.1)");
  status->setLineBreakMode(LineBreakMode::truncatingTail);
  status->setFrame({0, 0, 104, 18});
  const auto lines = status->lines();
  ASSERT_EQ(lines.size(), 1U);
  EXPECT_EQ(lines[0].rfind("Update", 0), 0U);
  EXPECT_EQ(lines[0].substr(lines[0].size() - 3), "\u2026");
  EXPECT_LE(textWidth(lines[0], status->font()), 100);
  EXPECT_EQ(status->describe()["lines"], nlohmann::json(lines));

  // Clipping keeps the whole text: what does not fit is cut off by the frame.
  status->setLineBreakMode(LineBreakMode::clipping);
  EXPECT_EQ(status->lines(), (Lines{status->text()}));
}

}  // namespace
