// How a reply is judged and how a read reply's value is taken out of it.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "protocol/commands.h"

namespace gaintool {
namespace {

struct JudgeRow {
  const char* name;
  std::string reply;
  bool ok;
};

void PrintTo(const JudgeRow& row, std::ostream* out) {
  *out << row.name;
}

class ReplyIsOkTest : public testing::TestWithParam<JudgeRow> {};

TEST_P(ReplyIsOkTest, JudgesLineByLine) {
  EXPECT_EQ(ReplyIsOk(GetParam().reply), GetParam().ok);
}

INSTANTIATE_TEST_SUITE_P(
    Success, ReplyIsOkTest,
    testing::Values(JudgeRow{"ResultLine", "\r\nOK\r\n", true}, JudgeRow{"BareOK", "OK", true},
                    JudgeRow{"OKEndedByCR", "OK\r", true}, JudgeRow{"OKEndedByLF", "OK\n", true},
                    JudgeRow{"ValueLineBefore", "\r\n+EADP: 128\r\n\r\nOK\r\n", true},
                    JudgeRow{"EchoedCommandBefore",
                             "at+eadp=0,0,3,0\r\n\r\n+EADP: 128\r\n\r\nOK\r\n", true},
                    JudgeRow{"EchoedWriteBefore", "at+eadp=1,0,3,0,128\r\n\r\nOK\r\n", true},
                    JudgeRow{"HighBytesOnOtherLine", "\xb0\xa1\xff\r\nOK\r\n", true},
                    JudgeRow{"ErrorWordInsideAnotherLine", "\r\nNO ERRORS\r\n\r\nOK\r\n", true}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Failure, ReplyIsOkTest,
    testing::Values(JudgeRow{"Empty", "", false}, JudgeRow{"LowerCaseOk", "\r\nok\r\n", false},
                    JudgeRow{"MixedCaseOk", "\r\nOk\r\n", false},
                    JudgeRow{"OKInsideWord", "\r\nBOOKED\r\n", false},
                    JudgeRow{"OKInsideCmeErrorText", "\r\n+CME ERROR: TOKEN\r\n", false},
                    JudgeRow{"ErrorThenStrayOK", "\r\nERROR\r\nOK\r\n", false},
                    JudgeRow{"OKThenError", "\r\nOK\r\n\r\nERROR\r\n", false},
                    JudgeRow{"CmeErrorBesideOK", "\r\n+CME ERROR: 3\r\n\r\nOK\r\n", false},
                    JudgeRow{"CmsErrorBesideOK", "+CMS ERROR: 500\rOK", false},
                    JudgeRow{"BareCmeError", "+CME ERROR", false},
                    JudgeRow{"ErrorAsLastLineWithoutEnd", "OK\nERROR", false},
                    JudgeRow{"OKWithLeadingBlank", "\r\n OK\r\n", false},
                    JudgeRow{"OKWithTrailingBlank", "\r\nOK \r\n", false},
                    JudgeRow{"OKSplitByLineEnd", "\r\nO\r\nK\r\n", false},
                    JudgeRow{"OnlyLineEnds", "\r\n\r\n", false},
                    JudgeRow{"NoReplyLine", "\r\n+EADP: 128\r\n", false}),
    [](const auto& info) { return std::string(info.param.name); });

struct ExtractRow {
  const char* name;
  std::string reply;
  std::string value;
};

void PrintTo(const ExtractRow& row, std::ostream* out) {
  *out << row.name;
}

class ExtractReplyValueTest : public testing::TestWithParam<ExtractRow> {};

TEST_P(ExtractReplyValueTest, TakesTheTrimmedTextAfterTheColon) {
  EXPECT_EQ(ExtractReplyValue(GetParam().reply), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Value, ExtractReplyValueTest,
    testing::Values(ExtractRow{"BlankAfterColon", "\r\n+EADP: 128\r\n\r\nOK\r\n", "128"},
                    ExtractRow{"TabAfterColon", "\r\n+EADP:\t128\r\n\r\nOK\r\n", "128"},
                    ExtractRow{"SecondColonStays", "\r\n+EADP: 1:2\r\n\r\nOK\r\n", "1:2"},
                    ExtractRow{"InnerBlanksStay", "+EADP:  1 2 \r\nOK\r\n", "1 2"},
                    ExtractRow{"LoneCRDoesNotEndIt", "+EADP: 12\r34\r\nOK", "12\r34"},
                    ExtractRow{"ControlBytesTrimmed", "+EADP:\x01\x1f 7\x1f\x01\r\nOK", "7"},
                    ExtractRow{"HighBytesStay", "+EADP: \x80\xb0\xa1\xff\r\nOK\r\n",
                               "\x80\xb0\xa1\xff"},
                    ExtractRow{"DeleteByteStays",
                               "+EADP: \x7f"
                               "5\x7f\r\nOK\r\n",
                               "\x7f"
                               "5\x7f"},
                    ExtractRow{"NoColonTakesFirstLine", "  42 \r\nOK\r\n", "42"},
                    ExtractRow{"NoColonTextNotAValue", "OK\r\n\r\n", "OK"},
                    // The reply's last byte is dropped before the search, so one byte after the CR
                    // LF is enough for it to end the value.
                    ExtractRow{"CRLFThenOneMoreByte", "+EADP: 5\r\nx", "5"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Empty, ExtractReplyValueTest,
    testing::Values(ExtractRow{"EmptyReply", "", ""},
                    ExtractRow{"BeginsWithCRLFNoColon", "\r\nOK\r\n", ""},
                    ExtractRow{"OnlyCRLFAfterColonEndsReply", "+EADP: 128\r\n", ""},
                    ExtractRow{"EndsWithColon", "+EADP:", ""},
                    ExtractRow{"ColonSecondToLast", "+EADP:5", ""},
                    ExtractRow{"NoCRLFAtAll", "+EADP: 128", ""},
                    ExtractRow{"CRLFRightAfterColon", "+EADP:\r\n5\r\nOK\r\n", ""},
                    ExtractRow{"OnlyBlanksBeforeCRLF", "+EADP:   \t\r\nOK\r\n", ""},
                    ExtractRow{"SingleByte", ":", ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace gaintool
