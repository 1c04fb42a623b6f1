// The operations against the simulated handset on a pseudo-terminal, seen through a recording
// window: what goes on the wire, what lands in the boxes, which verdict and status remain.
#include "ops/operations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "support/handset.h"
#include "support/recording_window.h"

namespace gaintool::ops {
namespace {

using gaintool::testing::RecordingWindow;
using gaintool::testing::SimulatedHandset;

// A window wired to a fresh simulated handset.
struct Bench {
  explicit Bench(std::vector<std::string> sim_args = {}) : handset(std::move(sim_args)) {
    window.port_name = handset.PortPath();
  }
  SimulatedHandset handset;
  RecordingWindow window;
  Operations ops{window};
};

int KindCode(Row row) { return static_cast<int>(RowSpecOf(row).kind); }

// ---- Connect ----------------------------------------------------------------------------

struct ConnectCase {
  const char* name;
  std::vector<std::string> sim_args;
  bool accepted;
  friend void PrintTo(const ConnectCase& c, std::ostream* os) { *os << c.name; }
};

class ConnectTest : public ::testing::TestWithParam<ConnectCase> {};

TEST_P(ConnectTest, JudgesTheSleepOffReplyExactly) {
  const ConnectCase& c = GetParam();
  Bench bench(c.sim_args);
  bench.window.verdict = "FAIL";  // left by an earlier operation; the connect must not touch it

  bench.ops.Connect();

  const auto commands = bench.handset.WaitForCommands(c.accepted ? 2 : 1);
  ASSERT_GE(commands.size(), 1u);
  EXPECT_EQ(commands[0], "AT+ESLP=0\r\n");
  if (c.accepted) {
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[1], "ATE0\r\n");
    EXPECT_EQ(bench.window.status, "Connected");
    EXPECT_EQ(bench.window.connect_errors, 0);
  } else {
    EXPECT_EQ(commands.size(), 1u) << "echo-off must not be sent after a refused handshake";
    EXPECT_EQ(bench.window.status, "Connect Error!");
    EXPECT_EQ(bench.window.connect_errors, 1);
  }
  EXPECT_EQ(bench.window.verdict, "FAIL");
  for (const auto& call : bench.window.calls) {
    EXPECT_TRUE(call.rfind("ShowStatus:", 0) == 0 || call == "ConnectError") << call;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ConnectTest,
    ::testing::Values(
        ConnectCase{"EchoedReply", {}, true}, ConnectCase{"PlainReply", {"--echo", "off"}, true},
        ConnectCase{"EmptyReply", {"--fault", "1:silent"}, false},
        ConnectCase{"OneByteMore", {"--fault", "1:reply:AT+ESLP=0\\r\\n\\r\\nOK\\r\\n "}, false},
        ConnectCase{"OneByteLess", {"--fault", "1:reply:\\r\\nOK\\r"}, false},
        ConnectCase{"ErrorResult", {"--fault", "1:error"}, false},
        ConnectCase{"LowerCaseOk", {"--fault", "1:reply:\\r\\nok\\r\\n"}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Connect, SecondConnectIsAcceptedWithEchoOff) {
  Bench bench;
  bench.ops.Connect();
  bench.window.status = "";
  bench.ops.Connect();
  EXPECT_EQ(bench.window.status, "Connected");
  EXPECT_EQ(bench.window.MemoText(OperatorWindow::Memo::Connect), "\r\nOK\r\n");
}

// ---- Read -------------------------------------------------------------------------------

struct RowMode {
  Row row;
  int mode;
  friend void PrintTo(const RowMode& c, std::ostream* os) {
    *os << "kind " << KindCode(c.row) << " mode " << c.mode;
  }
};

class ReadRowTest : public ::testing::TestWithParam<RowMode> {};

TEST_P(ReadRowTest, AsksEveryLevelInTheModeAndFillsTheBoxes) {
  const auto [row, mode] = GetParam();
  const RowSpec& spec = RowSpecOf(row);
  Bench bench({"--echo", "off"});
  bench.window.mode = mode;

  bench.ops.ReadRow(row);

  const auto commands = bench.handset.ReceivedCommands();
  ASSERT_EQ(commands.size(), static_cast<std::size_t>(spec.levels));
  for (int level = 0; level < spec.levels; ++level) {
    EXPECT_EQ(commands[level], "at+eadp=0," + std::to_string(mode) + "," +
                                   std::to_string(KindCode(row)) + "," + std::to_string(level) +
                                   "\r\n");
    const std::string stored = bench.handset.StoredValue(mode, KindCode(row), level);
    ASSERT_FALSE(stored.empty());
    EXPECT_EQ(bench.window.BoxText(row, level), stored) << "level " << level;
  }
  EXPECT_EQ(bench.window.verdict, "PASS");
  EXPECT_EQ(bench.window.status, spec.read_passed);
  // The boxes are painted before the verdict is set.
  ASSERT_GE(bench.window.calls.size(), 2u);
  EXPECT_EQ(bench.window.calls.front(), "ClearVerdict");
  EXPECT_EQ(bench.window.calls[bench.window.calls.size() - 2], "RepaintNow");
}

INSTANTIATE_TEST_SUITE_P(RowsAndModes, ReadRowTest,
                         ::testing::Values(RowMode{Row::Mic, 1}, RowMode{Row::Speech, 2},
                                           RowMode{Row::Melody, 0}, RowMode{Row::SideTone, 0},
                                           RowMode{Row::Speech, 0}, RowMode{Row::Melody, 1}));

TEST(ReadRow, EchoedRepliesAreReadLikePlainOnes) {
  Bench bench;  // echo on, as after a handset reset
  bench.ops.ReadRow(Row::Mic);
  EXPECT_EQ(bench.window.BoxText(Row::Mic, 0), bench.handset.StoredValue(0, 3, 0));
  EXPECT_EQ(bench.window.verdict, "PASS");
}

TEST(ReadRow, StopsAtTheFirstFailingLevel) {
  Bench bench({"--echo", "off", "--fault", "4:error"});
  bench.window.FillRow(Row::Speech, {"a", "b", "c", "d", "e", "f", "g"});

  bench.ops.ReadRow(Row::Speech);

  EXPECT_EQ(bench.handset.ReceivedCommands().size(), 4u);
  for (int level = 0; level < 3; ++level) {
    EXPECT_EQ(bench.window.BoxText(Row::Speech, level), bench.handset.StoredValue(0, 2, level));
  }
  EXPECT_EQ(bench.window.BoxText(Row::Speech, 3), "d");
  EXPECT_EQ(bench.window.BoxText(Row::Speech, 6), "g");
  EXPECT_EQ(bench.window.verdict, "FAIL");
  EXPECT_EQ(bench.window.status, " Read level 3 error!");
  EXPECT_EQ(std::count(bench.window.calls.begin(), bench.window.calls.end(), "RepaintNow"), 0);
}

TEST(ReadRow, SilentHandsetFailsLevelZero) {
  Bench bench({"--fault", "1:silent"});
  bench.window.FillRow(Row::SideTone, {"old"});
  bench.ops.ReadRow(Row::SideTone);
  EXPECT_EQ(bench.window.status, " Read level 0 error!");
  EXPECT_EQ(bench.window.BoxText(Row::SideTone, 0), "old");
}

TEST(ReadRow, ReplyWithOnlyOkEmptiesTheBoxAndPasses) {
  Bench bench({"--fault", "1:reply:\\r\\nOK\\r\\n"});
  bench.window.FillRow(Row::Mic, {"old"});
  bench.ops.ReadRow(Row::Mic);
  EXPECT_EQ(bench.window.BoxText(Row::Mic, 0), "");
  EXPECT_EQ(bench.window.verdict, "PASS");
}

TEST(ReadRow, ValueOutsideTheRangeIsShownAsReceived) {
  Bench bench({"--fault", "1:reply:\\r\\n+EADP: 999\\r\\n\\r\\nOK\\r\\n"});
  bench.ops.ReadRow(Row::Mic);
  EXPECT_EQ(bench.window.BoxText(Row::Mic, 0), "999");
}

// ---- Write ------------------------------------------------------------------------------

TEST(WriteRow, WritesEveryLevelHeldToTheRange) {
  Bench bench({"--echo", "off"});
  bench.window.mode = 1;
  bench.window.FillRow(Row::Speech, {"300", "-5", "007", "0xFF", "  12", "128", "255"});

  bench.ops.WriteRow(Row::Speech);

  const std::vector<std::string> sent{"255", "0", "7", "255", "12", "128", "255"};
  const auto commands = bench.handset.ReceivedCommands();
  ASSERT_EQ(commands.size(), 7u);
  for (int level = 0; level < 7; ++level) {
    EXPECT_EQ(commands[level],
              "at+eadp=1,1,2," + std::to_string(level) + "," + sent[level] + "\r\n");
    EXPECT_EQ(bench.handset.StoredValue(1, 2, level), sent[level]);
  }
  // The boxes keep what the operator typed.
  EXPECT_EQ(bench.window.BoxText(Row::Speech, 0), "300");
  EXPECT_EQ(bench.window.BoxText(Row::Speech, 1), "-5");
  EXPECT_EQ(bench.window.verdict, "PASS");
  EXPECT_EQ(bench.window.status, "");
  EXPECT_EQ(bench.window.MemoText(OperatorWindow::Memo::Write), "\r\nOK\r\n");
}

TEST(WriteRow, FailingLevelStopsTheRowAndKeepsItsReply) {
  Bench bench({"--echo", "off", "--fault", "6:error"});
  bench.window.FillRow(Row::Melody, {"10", "11", "12", "13", "14", "15", "16"});

  bench.ops.WriteRow(Row::Melody);

  EXPECT_EQ(bench.handset.ReceivedCommands().size(), 6u);
  EXPECT_EQ(bench.handset.StoredValue(0, 0, 4), "14");
  EXPECT_NE(bench.handset.StoredValue(0, 0, 5), "15");
  EXPECT_EQ(bench.window.verdict, "FAIL");
  EXPECT_EQ(bench.window.status, " level 5 error!");
  EXPECT_EQ(bench.window.MemoText(OperatorWindow::Memo::Write), "\r\nERROR\r\n");
}

struct BadRowCase {
  const char* name;
  std::vector<std::string> boxes;
  bool conversion_error;
  friend void PrintTo(const BadRowCase& c, std::ostream* os) { *os << c.name; }
};

class BadRowTest : public ::testing::TestWithParam<BadRowCase> {};

TEST_P(BadRowTest, SendsNothingAndLeavesTheVerdictEmpty) {
  const BadRowCase& c = GetParam();
  Bench bench;
  bench.window.FillRow(Row::Speech, c.boxes);
  bench.window.verdict = "PASS";

  if (c.conversion_error) {
    EXPECT_THROW(bench.ops.WriteRow(Row::Speech), EConvertError);
    EXPECT_EQ(bench.window.empty_values, 0);
  } else {
    bench.ops.WriteRow(Row::Speech);
    EXPECT_EQ(bench.window.empty_values, 1);
  }
  EXPECT_TRUE(bench.handset.ReceivedCommands().empty());
  EXPECT_EQ(bench.window.verdict, "");
  EXPECT_EQ(bench.window.status, "before");
  EXPECT_TRUE(bench.window.port_failures == 0);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, BadRowTest,
    ::testing::Values(BadRowCase{"EmptyFirst", {"", "1", "2", "3", "4", "5", "6"}, false},
                      BadRowCase{"EmptyFourth", {"0", "1", "2", "", "4", "5", "6"}, false},
                      BadRowCase{"EmptyLast", {"0", "1", "2", "3", "4", "5", ""}, false},
                      BadRowCase{"NotIntegerFirst", {"1.5", "1", "2", "3", "4", "5", "6"}, true},
                      BadRowCase{"NotIntegerLast", {"0", "1", "2", "3", "4", "5", "12a"}, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WriteRow, SingleLevelRowsCarryLevelZero) {
  for (Row row : {Row::Mic, Row::SideTone}) {
    Bench bench({"--echo", "off"});
    bench.window.mode = 2;
    bench.window.FillRow(row, {"77"});
    bench.ops.WriteRow(row);
    const auto commands = bench.handset.ReceivedCommands();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0], "at+eadp=1,2," + std::to_string(KindCode(row)) + ",0,77\r\n");
    EXPECT_EQ(bench.handset.StoredValue(2, KindCode(row), 0), "77");
  }
}

// ---- Port -------------------------------------------------------------------------------

TEST(OpenPort, FailureShowsOnlyThePortMessage) {
  for (const char* name : {"", "/dev/null", "/nonexistent/ttyS0"}) {
    RecordingWindow window;
    window.port_name = name;
    window.verdict = "PASS";
    Operations ops(window);
    ops.ReadRow(Row::Mic);
    ops.WriteRow(Row::Mic);
    ops.Connect();
    EXPECT_EQ(window.port_failures, 3) << name;
    EXPECT_EQ(window.verdict, "") << name;
    EXPECT_EQ(window.status, "before") << name;
    EXPECT_EQ(window.connect_errors, 0) << name;
  }
}

TEST(OpenPort, EachOperationReleasesThePortOfThePreviousOne) {
  Bench bench({"--echo", "off"});
  bench.ops.ReadRow(Row::Mic);
  EXPECT_TRUE(bench.ops.Port().IsOpen()) << "the port stays held after an operation";
  bench.ops.ReadRow(Row::SideTone);
  EXPECT_EQ(bench.window.verdict, "PASS");
  EXPECT_EQ(bench.window.port_failures, 0);
  EXPECT_EQ(bench.handset.ReceivedCommands().size(), 2u);
}

TEST(OpenPort, PortChosenAnewIsUsedByTheNextOperation) {
  Bench first({"--echo", "off"});
  SimulatedHandset second({"--echo", "off"});
  first.ops.ReadRow(Row::Mic);
  first.window.port_name = second.PortPath();
  first.ops.ReadRow(Row::Mic);
  EXPECT_EQ(first.handset.ReceivedCommands().size(), 1u);
  EXPECT_EQ(second.ReceivedCommands().size(), 1u);
}

}  // namespace
}  // namespace gaintool::ops
