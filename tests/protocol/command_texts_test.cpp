// The command texts on the wire, the codes they carry and the sleep-off handshake's replies.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "protocol/commands.h"

namespace gaintool {
namespace {

struct ReadRow {
  const char* name;
  int mode;
  ParamKind kind;
  int level;
  std::string expected;
};

void PrintTo(const ReadRow& row, std::ostream* out) {
  *out << row.name;
}

class ReadCommandTest : public testing::TestWithParam<ReadRow> {};

TEST_P(ReadCommandTest, FillsModeKindAndLevel) {
  const ReadRow& row = GetParam();
  EXPECT_EQ(FormatReadCommand(row.mode, row.kind, row.level), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ReadCommandTest,
    testing::Values(
        ReadRow{"SpeechLevel6HandsFree", 2, ParamKind::Speech, 6, "at+eadp=0,2,2,6\r\n"},
        ReadRow{"SpeechLevel0Normal", 0, ParamKind::Speech, 0, "at+eadp=0,0,2,0\r\n"},
        ReadRow{"MelodyLevel3Headset", 1, ParamKind::Melody, 3, "at+eadp=0,1,0,3\r\n"},
        ReadRow{"MelodyLevel6Normal", 0, ParamKind::Melody, 6, "at+eadp=0,0,0,6\r\n"},
        ReadRow{"MicHeadset", 1, ParamKind::Mic, 0, "at+eadp=0,1,3,0\r\n"},
        ReadRow{"SideToneNormal", 0, ParamKind::SideTone, 0, "at+eadp=0,0,4,0\r\n"},
        ReadRow{"MicAlwaysLevel0", 2, ParamKind::Mic, 5, "at+eadp=0,2,3,0\r\n"},
        ReadRow{"SideToneAlwaysLevel0", 1, ParamKind::SideTone, 6, "at+eadp=0,1,4,0\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

struct WriteRow {
  const char* name;
  int mode;
  ParamKind kind;
  int level;
  std::string value;
  std::string expected;
};

void PrintTo(const WriteRow& row, std::ostream* out) {
  *out << row.name;
}

class WriteCommandTest : public testing::TestWithParam<WriteRow> {};

TEST_P(WriteCommandTest, FillsModeKindLevelAndValue) {
  const WriteRow& row = GetParam();
  EXPECT_EQ(FormatWriteCommand(row.mode, row.kind, row.level, row.value), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WriteCommandTest,
    testing::Values(
        WriteRow{"MicNormal", 0, ParamKind::Mic, 0, "128", "at+eadp=1,0,3,0,128\r\n"},
        WriteRow{"SpeechLevel3HandsFree", 2, ParamKind::Speech, 3, "200",
                 "at+eadp=1,2,2,3,200\r\n"},
        WriteRow{"MelodyLevel6Headset", 1, ParamKind::Melody, 6, "0", "at+eadp=1,1,0,6,0\r\n"},
        WriteRow{"SideToneHeadset", 1, ParamKind::SideTone, 0, "255", "at+eadp=1,1,4,0,255\r\n"},
        WriteRow{"MicAlwaysLevel0", 0, ParamKind::Mic, 4, "7", "at+eadp=1,0,3,0,7\r\n"},
        WriteRow{"SideToneAlwaysLevel0", 2, ParamKind::SideTone, 6, "9", "at+eadp=1,2,4,0,9\r\n"},
        // The value field is pasted as given, whatever its bytes.
        WriteRow{"ValueBytesUnchanged", 0, ParamKind::Speech, 1, " \xb0\xa1\xff",
                 "at+eadp=1,0,2,1, \xb0\xa1\xff\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ParamKindTest, LevelsAndRanges) {
  struct Row {
    ParamKind kind;
    int highest_level;
  };
  for (const Row& row : {Row{ParamKind::Melody, 6}, Row{ParamKind::Speech, 6},
                         Row{ParamKind::Mic, 0}, Row{ParamKind::SideTone, 0}}) {
    SCOPED_TRACE(static_cast<int>(row.kind));
    EXPECT_EQ(HighestLevel(row.kind), row.highest_level);
    EXPECT_EQ(ValueRangeOf(row.kind).maximum, "255");
    EXPECT_EQ(ValueRangeOf(row.kind).minimum, "0");
  }
}

TEST(HandshakeTest, CommandTexts) {
  EXPECT_EQ(kSleepOffCommand, "AT+ESLP=0\r\n");
  EXPECT_EQ(kEchoOffCommand, "ATE0\r\n");
}

struct SleepOffRow {
  const char* name;
  std::string reply;
  bool accepted;
};

void PrintTo(const SleepOffRow& row, std::ostream* out) {
  *out << row.name;
}

class SleepOffReplyTest : public testing::TestWithParam<SleepOffRow> {};

TEST_P(SleepOffReplyTest, OnlyTheTwoExactRepliesPass) {
  EXPECT_EQ(SleepOffReplyAccepted(GetParam().reply), GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SleepOffReplyTest,
    testing::Values(SleepOffRow{"Echoed", "AT+ESLP=0\r\n\r\nOK\r\n", true},
                    SleepOffRow{"ResultAlone", "\r\nOK\r\n", true}, SleepOffRow{"Empty", "", false},
                    SleepOffRow{"BareOK", "OK", false},
                    SleepOffRow{"OKWithoutFinalLineEnd", "\r\nOK", false},
                    SleepOffRow{"TrailingByte", "\r\nOK\r\n\r\n", false},
                    SleepOffRow{"EchoedTwice", "AT+ESLP=0\r\nAT+ESLP=0\r\n\r\nOK\r\n", false},
                    SleepOffRow{"EchoInLowerCase", "at+eslp=0\r\n\r\nOK\r\n", false},
                    SleepOffRow{"LowerCaseOk", "\r\nok\r\n", false},
                    SleepOffRow{"Error", "\r\nERROR\r\n", false},
                    SleepOffRow{"EchoedError", "AT+ESLP=0\r\n\r\nERROR\r\n", false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace gaintool
