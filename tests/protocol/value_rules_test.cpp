// The integer conversion of a value text and the range rule a value passes before it is written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <ostream>
#include <string>

#include "protocol/commands.h"

namespace gaintool {
namespace {

constexpr std::int32_t kMin32 = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax32 = std::numeric_limits<std::int32_t>::max();

// Runs `call`, which must raise the conversion error naming exactly `text`.
void ExpectConvertError(const std::function<void()>& call, const std::string& text) {
  try {
    call();
    ADD_FAILURE() << "no conversion error for '" << text << "'";
  } catch (const EConvertError& error) {
    EXPECT_EQ(std::string(error.what()), "'" + text + "' is not a valid integer value");
  }
}

struct AcceptRow {
  const char* name;
  std::string text;
  std::int32_t number;
};

void PrintTo(const AcceptRow& row, std::ostream* out) {
  *out << row.name;
}

class TextToIntAcceptTest : public testing::TestWithParam<AcceptRow> {};

TEST_P(TextToIntAcceptTest, Converts) {
  EXPECT_EQ(TextToInt(GetParam().text), GetParam().number);
}

INSTANTIATE_TEST_SUITE_P(
    Decimal, TextToIntAcceptTest,
    testing::Values(AcceptRow{"Zero", "0", 0}, AcceptRow{"MinusZero", "-0", 0},
                    AcceptRow{"PlusSign", "+7", 7}, AcceptRow{"MinusSign", "-1", -1},
                    AcceptRow{"LeadingZerosNotOctal", "007", 7},
                    AcceptRow{"ZeroThenEight", "08", 8}, AcceptRow{"ZeroThenOneZero", "010", 10},
                    AcceptRow{"LeadingBlanks", "  12", 12},
                    AcceptRow{"LeadingBlanksThenSign", "   -5", -5},
                    AcceptRow{"Highest", "2147483647", kMax32},
                    AcceptRow{"HighestWithPlus", "+2147483647", kMax32},
                    AcceptRow{"Lowest", "-2147483648", kMin32},
                    AcceptRow{"ManyLeadingZeros", "0000000000002147483647", kMax32},
                    AcceptRow{"ManyLeadingZerosNegative", "-0000000000002147483648", kMin32}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Hexadecimal, TextToIntAcceptTest,
    testing::Values(AcceptRow{"DollarLower", "$ff", 255}, AcceptRow{"DollarUpper", "$FF", 255},
                    AcceptRow{"LowerX", "x10", 16}, AcceptRow{"UpperX", "X10", 16},
                    AcceptRow{"ZeroX", "0xFF", 255}, AcceptRow{"ZeroUpperX", "0XaB", 171},
                    AcceptRow{"DollarZero", "$0", 0}, AcceptRow{"XZero", "x0", 0},
                    AcceptRow{"LeadingBlanks", "  $10", 16},
                    AcceptRow{"HighestPositive", "0x7FFFFFFF", kMax32},
                    AcceptRow{"TopBitIsSign", "$80000000", kMin32},
                    AcceptRow{"AllOnesIsMinusOne", "$FFFFFFFF", -1},
                    AcceptRow{"LeadingZerosFree", "0x00000000FFFFFFFF", -1},
                    AcceptRow{"NineDigitsWithLeadingZero", "$0ffffffff", -1}),
    [](const auto& info) { return std::string(info.param.name); });

struct RejectRow {
  const char* name;
  std::string text;
};

void PrintTo(const RejectRow& row, std::ostream* out) {
  *out << row.name;
}

class TextToIntRejectTest : public testing::TestWithParam<RejectRow> {};

TEST_P(TextToIntRejectTest, RaisesNamingTheWholeText) {
  const std::string& text = GetParam().text;
  ExpectConvertError([&] { TextToInt(text); }, text);
}

INSTANTIATE_TEST_SUITE_P(
    Form, TextToIntRejectTest,
    testing::Values(
        RejectRow{"Empty", ""}, RejectRow{"OneBlank", " "}, RejectRow{"BlanksOnly", "   "},
        RejectRow{"TrailingBlank", "12 "}, RejectRow{"InnerBlank", "1 2"},
        RejectRow{"LeadingTab", "\t12"}, RejectRow{"Fraction", "1.5"}, RejectRow{"Comma", "1,2"},
        RejectRow{"TrailingLetter", "12a"}, RejectRow{"HexWithoutPrefix", "ff"},
        RejectRow{"SignAlone", "-"}, RejectRow{"PlusAlone", "+"}, RejectRow{"TwoSigns", "--1"},
        RejectRow{"PlusMinus", "+-1"}, RejectRow{"BlankAfterSign", "- 5"},
        RejectRow{"DollarAlone", "$"}, RejectRow{"XAlone", "x"}, RejectRow{"ZeroXAlone", "0x"},
        RejectRow{"SignBeforeDollar", "-$10"}, RejectRow{"SignBeforeZeroX", "-0x10"},
        RejectRow{"PlusBeforeX", "+x1"}, RejectRow{"SignAfterDollar", "$-1"},
        RejectRow{"BadHexDigit", "0xG"}, RejectRow{"DoubleZeroX", "00x10"},
        RejectRow{"BinaryPrefix", "0b1"}, RejectRow{"HexTrailingBlank", " $ff "},
        RejectRow{"HighBytes", "\xa3\xb1\xa3\xb2"}, RejectRow{"DigitThenControlByte", "1\x01"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Limits, TextToIntRejectTest,
                         testing::Values(RejectRow{"AboveHighest", "2147483648"},
                                         RejectRow{"AboveHighestWithPlus", "+2147483648"},
                                         RejectRow{"BelowLowest", "-2147483649"},
                                         RejectRow{"FarAbove", "99999999999999999999"},
                                         RejectRow{"FarBelow", "-99999999999999999999"},
                                         RejectRow{"NineHexDigits", "$100000000"},
                                         RejectRow{"NineHexDigitsZeroX", "0x1FFFFFFFF"},
                                         RejectRow{"ManyHexDigits", "x123456789ABCDEF0"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ConvertErrorTest, MessageQuotesTheTextWithItsBlanks) {
  ExpectConvertError([] { TextToInt("  12 "); }, "  12 ");
  EXPECT_STREQ(EConvertError("1.5").what(), "'1.5' is not a valid integer value");
}

struct ClampRow {
  const char* name;
  std::string text;
  std::string sent;
};

void PrintTo(const ClampRow& row, std::ostream* out) {
  *out << row.name;
}

class ClampValueTextTest : public testing::TestWithParam<ClampRow> {};

// Every kind has the same range; each is checked.
TEST_P(ClampValueTextTest, SendsTheDecimalTextOfTheHeldNumber) {
  for (const ParamKind kind :
       {ParamKind::Mic, ParamKind::Speech, ParamKind::Melody, ParamKind::SideTone}) {
    SCOPED_TRACE(static_cast<int>(kind));
    EXPECT_EQ(ClampValueText(GetParam().text, ValueRangeOf(kind)), GetParam().sent);
  }
}

INSTANTIATE_TEST_SUITE_P(
    InRange, ClampValueTextTest,
    testing::Values(ClampRow{"Plain", "128", "128"}, ClampRow{"Minimum", "0", "0"},
                    ClampRow{"Maximum", "255", "255"},
                    // Text forms of a number in range go out as its plain decimal text.
                    ClampRow{"MinusZero", "-0", "0"}, ClampRow{"PlusSign", "+7", "7"},
                    ClampRow{"LeadingZeros", "007", "7"}, ClampRow{"ZeroThenDigits", "010", "10"},
                    ClampRow{"LeadingBlanks", "  12", "12"}, ClampRow{"ZeroX", "0xFF", "255"},
                    ClampRow{"Dollar", "$ff", "255"}, ClampRow{"XPrefix", "x10", "16"},
                    ClampRow{"HexZero", "0x0", "0"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    OutOfRange, ClampValueTextTest,
    testing::Values(ClampRow{"JustAbove", "256", "255"}, ClampRow{"FarAbove", "1000", "255"},
                    ClampRow{"Highest32", "2147483647", "255"}, ClampRow{"HexAbove", "$100", "255"},
                    ClampRow{"JustBelow", "-1", "0"}, ClampRow{"Lowest32", "-2147483648", "0"},
                    ClampRow{"HexAllOnes", "$FFFFFFFF", "0"},
                    ClampRow{"HexTopBit", "0x80000000", "0"}),
    [](const auto& info) { return std::string(info.param.name); });

class ClampValueTextRejectTest : public testing::TestWithParam<RejectRow> {};

TEST_P(ClampValueTextRejectTest, RaisesNamingTheValueText) {
  const std::string& text = GetParam().text;
  ExpectConvertError([&] { ClampValueText(text, ValueRangeOf(ParamKind::Speech)); }, text);
}

INSTANTIATE_TEST_SUITE_P(Rows, ClampValueTextRejectTest,
                         testing::Values(RejectRow{"TrailingBlank", "12 "},
                                         RejectRow{"BlanksOnly", "  "},
                                         RejectRow{"Fraction", "1.5"}, RejectRow{"Comma", "1,2"},
                                         RejectRow{"TrailingLetter", "12a"},
                                         RejectRow{"SignBeforeDollar", "-$10"},
                                         RejectRow{"AboveHighest", "2147483648"},
                                         RejectRow{"NineHexDigits", "$100000000"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ClampValueTextSweepTest, EveryDecimalNearTheRangeIsHeldToIt) {
  for (int number = -300; number <= 600; ++number) {
    const std::string text = std::to_string(number);
    EXPECT_EQ(ClampValueText(text, ValueRangeOf(ParamKind::Mic)),
              std::to_string(std::clamp(number, 0, 255)))
        << text;
  }
}

TEST(ClampValueTextBoundsTest, BoundTextsAreConvertedAtEachUse) {
  // Bounds in other forms than plain decimal: the held number is sent, never the bound's text.
  const ValueRange hex_range{"0x64", "+10"};
  EXPECT_EQ(ClampValueText("5", hex_range), "10");
  EXPECT_EQ(ClampValueText("200", hex_range), "100");
  EXPECT_EQ(ClampValueText("$32", hex_range), "50");
}

TEST(ClampValueTextBoundsTest, ValueTextIsConvertedBeforeEitherBound) {
  const ValueRange broken_both{"max?", "min?"};
  ExpectConvertError([&] { ClampValueText("1.5", broken_both); }, "1.5");
  ExpectConvertError([&] { ClampValueText("5", broken_both); }, "min?");
  // The maximum is converted even when the minimum did not replace the text.
  const ValueRange broken_maximum{"max?", "0"};
  ExpectConvertError([&] { ClampValueText("5", broken_maximum); }, "max?");
}

}  // namespace
}  // namespace gaintool
