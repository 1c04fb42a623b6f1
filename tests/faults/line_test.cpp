// Faults of the line itself, in the middle of a row: the handset vanishes (its side of the
// pseudo-terminal is closed), or it stops reading so that the port never takes the command.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "faults/fault_bench.h"

namespace gaintool::faults {
namespace {

// How a test makes a fault happen at a chosen level of a row operation: through a fault of the
// simulator at a command (counted from 1 over the simulator's run, so level k is command k+1), or
// at once from the window while the operation reports the level before it.
struct When {
  int command = 0;       // the simulator's fault is at this command; 0 for none
  int after_level = -1;  // the test acts once this level is reported; -1 for never
};

// Acts once the operation has reported `when.after_level`: a write reports each level with a
// PASS, a read by filling its box.
template <typename Act>
void ActAfterLevel(Bench& bench, bool write, const When& when, Act act) {
  if (when.after_level < 0) return;
  auto passes = std::make_shared<int>(0);
  bench.window.on_event = [&bench, write, when, passes, act](const std::string& event) {
    if (write && event == "ShowPass:" && ++*passes == when.after_level + 1) act(bench);
    if (!write && event == "SetBox:" + std::to_string(when.after_level)) act(bench);
  };
}

// ---- The handset vanishes ---------------------------------------------------------------

// A fault of the line in the middle of a row: which row, read or write, when the fault strikes and
// the level that fails by it.
struct LineFaultCase {
  const char* name;
  Row row;
  bool write;
  When when;
  int failing_level;
  friend void PrintTo(const LineFaultCase& c, std::ostream* os) { *os << c.name; }
};

class HandsetVanishesTest : public ::testing::TestWithParam<LineFaultCase> {};

// The level in flight fails, once, and the operation ends; nothing reported written is missing
// from the handset. When the handset is back under the same name, the same operation works.
TEST_P(HandsetVanishesTest, LevelFailsAndTheNextOperationWorksWhenItIsBack) {
  const LineFaultCase& c = GetParam();
  std::vector<std::string> args;
  if (c.when.command > 0) args = {"--fault", std::to_string(c.when.command) + ":hangup"};
  Bench bench(args);
  const std::vector<std::string> before = bench.Stored(c.row);
  const std::string first_line = bench.handset().PortPath();
  if (c.write) {
    bench.window.FillRow(c.row, NewValues(c.row));
  } else {
    bench.window.FillRow(c.row, OldBoxes(c.row));
  }
  ActAfterLevel(bench, c.write, c.when,
                [](Bench& b) { EXPECT_TRUE(b.handset().HangUpNow()) << "the line did not drop"; });

  bench.Run(c.row, c.write);
  bench.window.on_event = nullptr;

  EXPECT_TRUE(FailedOnceAt(bench, c.write, c.failing_level));
  // The command of the failing level reached the handset only when the line dropped while it
  // was being answered; when the line was gone before, the write failed on the dead line.
  const std::size_t commands = c.failing_level + (c.when.command > 0 ? 1 : 0);
  EXPECT_EQ(bench.handset().ReceivedCommands().size(), commands);
  EXPECT_EQ(bench.handset().WaitForEvents("HANGUP", 1).size(), 1u);
  if (c.write) {
    EXPECT_EQ(bench.ReportedWritten(), c.failing_level);
    EXPECT_EQ(bench.Stored(c.row), Expected(before, NewValues(c.row), c.failing_level));
  } else {
    EXPECT_EQ(bench.Boxes(c.row), ExpectedBoxes(before, c.row, c.failing_level));
    EXPECT_EQ(bench.Stored(c.row), before);
  }

  const std::string second_line = bench.handset().WaitForNextDevice();
  ASSERT_NE(second_line, "") << "the handset did not come back";
  EXPECT_NE(second_line, first_line);
  ExpectRetryWorks(bench, c.row, c.write);
  EXPECT_EQ(bench.ops.Port().DevicePath(), bench.link());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HandsetVanishesTest,
    ::testing::Values(
        // The handset drops the line on receiving the command: the reply never comes.
        LineFaultCase{"WriteWhileLevel3IsAnswered", Row::Speech, true, {4, -1}, 3},
        LineFaultCase{"ReadWhileLevel5IsAnswered", Row::Melody, false, {6, -1}, 5},
        LineFaultCase{"ReadOfOneLevelWhileItIsAnswered", Row::Mic, false, {1, -1}, 0},
        // The line drops between two levels: the next command meets a line that is gone.
        LineFaultCase{"WriteBetweenLevels1And2", Row::Melody, true, {0, 1}, 2},
        LineFaultCase{"ReadBetweenLevels3And4", Row::Speech, false, {0, 3}, 4}),
    [](const auto& info) { return std::string(info.param.name); });

// A handset that does not come back: the row fails at the level in flight, and every later
// operation ends at the port with its message, once each, touching nothing.
TEST(HandsetVanishes, OperationsAfterItEndAtThePortWhileItStaysAway) {
  SimulatedHandset handset({"--fault", "3:hangup"});  // no link: it stays away
  RecordingWindow window;
  window.port_name = handset.PortPath();
  ops::Operations operations(window);
  window.FillRow(Row::Speech, NewValues(Row::Speech));
  const std::string level2_before = handset.StoredValue(0, 2, 2);

  operations.WriteRow(Row::Speech);
  EXPECT_EQ(window.verdict, "FAIL");
  EXPECT_EQ(window.status, ops::WriteFailedText(2));
  EXPECT_EQ(handset.StoredValue(0, 2, 1), NewValues(Row::Speech)[1]);
  EXPECT_EQ(handset.StoredValue(0, 2, 2), level2_before);
  handset.WaitForEvents("HANGUP", 1);

  window.status = "kept";
  operations.ReadRow(Row::Speech);
  operations.WriteRow(Row::Speech);
  operations.Connect();
  EXPECT_EQ(window.port_failures, 3);
  EXPECT_EQ(window.last_port_error.failure, serial::PortFailure::NoSuchDevice)
      << window.last_port_error.Describe();
  EXPECT_EQ(window.verdict, "");
  EXPECT_EQ(window.status, "kept");
  EXPECT_EQ(handset.ReceivedCommands().size(), 3u);
}

// ---- The port never takes the command ---------------------------------------------------
//
// The handset stops reading, and the line toward it is full: the simulator writes bytes that
// nobody reads through its own descriptor of the device side until the line takes no more. Our
// own commands are far too short to fill a pseudo-terminal's buffer, so this stands for a device
// whose input has been piling up; the tool's write then finds no room at all. It returns only
// because the write is bounded: the simulator reads nothing while the operation runs, so nothing
// else can end it. The handset is hung until it is plugged in again (the line drops and comes
// back under the same name).

// The handset stalled once, and has neither read a command nor dropped its line since.
::testing::AssertionResult NothingReadSinceTheStall(const SimulatedHandset& handset) {
  const auto events = handset.Events();
  const auto stall = std::find_if(events.begin(), events.end(),
                                  [](const auto& event) { return event.kind == "STALL"; });
  if (stall == events.end()) return ::testing::AssertionFailure() << "no stall";
  for (auto event = stall + 1; event != events.end(); ++event) {
    if (event->kind != "OPEN" && event->kind != "TX") {
      return ::testing::AssertionFailure() << event->kind << " after the stall";
    }
  }
  return ::testing::AssertionSuccess();
}

class PortNeverTakesTheCommandTest : public ::testing::TestWithParam<LineFaultCase> {};

TEST_P(PortNeverTakesTheCommandTest, BoundEndsTheExchangeAndTheLevelFails) {
  const LineFaultCase& c = GetParam();
  std::vector<std::string> args;
  if (c.when.command > 0) args = {"--fault", std::to_string(c.when.command) + ":stall"};
  Bench bench(args);
  const std::vector<std::string> before = bench.Stored(c.row);
  bench.window.FillRow(c.row, c.write ? NewValues(c.row) : OldBoxes(c.row));
  ActAfterLevel(bench, c.write, c.when,
                [](Bench& b) { EXPECT_TRUE(b.handset().StallNow()) << "the line did not stall"; });

  bench.Run(c.row, c.write);
  bench.window.on_event = nullptr;

  EXPECT_TRUE(FailedOnceAt(bench, c.write, c.failing_level));
  // The write of the failing level gave up at its bound, with the handset still not reading:
  // it never received that command, and its line has not been dropped or read since the stall.
  EXPECT_EQ(bench.ops.Port().LastError().step, "write");
  EXPECT_EQ(bench.ops.Port().LastError().error_number, ETIMEDOUT)
      << bench.ops.Port().LastError().Describe();
  EXPECT_EQ(bench.handset().ReceivedCommands().size(), static_cast<std::size_t>(c.failing_level));
  EXPECT_TRUE(NothingReadSinceTheStall(bench.handset()));
  if (c.write) {
    EXPECT_EQ(bench.Stored(c.row), Expected(before, NewValues(c.row), c.failing_level));
  } else {
    EXPECT_EQ(bench.Boxes(c.row), ExpectedBoxes(before, c.row, c.failing_level));
  }

  // Tried again on the hung handset: it fails at level 0 now. The close at the start of this
  // operation discarded what was left on the line, so this command is taken by the port, but it
  // is never read or answered either.
  if (!c.write) bench.window.FillRow(c.row, OldBoxes(c.row));
  bench.Run(c.row, c.write);
  EXPECT_TRUE(FailedOnceAt(bench, c.write, 0));
  EXPECT_EQ(bench.handset().ReceivedCommands().size(), static_cast<std::size_t>(c.failing_level));
  EXPECT_TRUE(NothingReadSinceTheStall(bench.handset()));

  // Plugged in again: the same operation works.
  ASSERT_TRUE(bench.handset().HangUpNow());
  ASSERT_NE(bench.handset().WaitForNextDevice(), "");
  ExpectRetryWorks(bench, c.row, c.write);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PortNeverTakesTheCommandTest,
    ::testing::Values(LineFaultCase{"WriteStalledFromTheStart", Row::Speech, true, {1, -1}, 0},
                      LineFaultCase{"WriteStalledBeforeLevel5", Row::Melody, true, {0, 4}, 5},
                      LineFaultCase{"ReadStalledBeforeLevel3", Row::Speech, false, {0, 2}, 3}),
    [](const auto& info) { return std::string(info.param.name); });

// The handshake on a hung handset: the sleep-off command is not taken, the reply is empty, the
// handshake is refused and echo-off is not tried.
TEST(PortNeverTakesTheCommand, ConnectIsRefused) {
  Bench bench({"--fault", "1:stall"});
  bench.ops.Connect();
  EXPECT_EQ(bench.window.status, ops::kConnectError);
  EXPECT_EQ(bench.window.connect_errors, 1);
  EXPECT_EQ(bench.window.MemoText(RecordingWindow::Memo::Connect), "");
  EXPECT_EQ(bench.ops.Port().LastError().error_number, ETIMEDOUT);
  EXPECT_TRUE(bench.handset().ReceivedCommands().empty());

  ASSERT_TRUE(bench.handset().HangUpNow());
  ASSERT_NE(bench.handset().WaitForNextDevice(), "");
  bench.ops.Connect();
  EXPECT_EQ(bench.window.status, ops::kConnected);
}

}  // namespace
}  // namespace gaintool::faults
