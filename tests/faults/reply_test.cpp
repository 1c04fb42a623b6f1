// Replies that are garbage: random bytes, line endings only, a NUL first, and a backlog of bytes
// that the handset sent while nobody read, waiting ahead of the reply.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "c_escape.h"
#include "faults/fault_bench.h"
#include "protocol/commands.h"

namespace gaintool::faults {
namespace {

// `count` bytes of every value, NUL included, the same on every run.
std::string RandomBytes(std::size_t count, std::uint32_t seed) {
  std::mt19937 generator(seed);
  std::uniform_int_distribution<int> byte(0, 255);
  std::string bytes;
  for (std::size_t i = 0; i < count; ++i) bytes += static_cast<char>(byte(generator));
  return bytes;
}

// `count` bytes of every value but NUL, so that all of them reach the reply text.
std::string RandomBytesWithoutNul(std::size_t count, std::uint32_t seed) {
  std::string bytes = RandomBytes(count, seed);
  for (char& c : bytes) {
    if (c == '\0') c = '\x01';
  }
  return bytes;
}

// The reply text the tool makes of the first bytes waiting: at most 255, up to the first NUL.
std::string ReplyTextOf(const std::string& waiting) {
  const std::string taken = waiting.substr(0, 255);
  return taken.substr(0, taken.find('\0'));
}

std::vector<std::string> ReplyFault(int command, const std::string& bytes) {
  return {"--fault", std::to_string(command) + ":reply:" + handset_sim::Escape(bytes)};
}

const std::string kRandom = RandomBytes(300, 20240601);
const std::string kRandomWithoutNul = RandomBytesWithoutNul(200, 7);

struct GarbageCase {
  const char* name;
  Row row;
  bool write;
  int failing_level;  // the fault is at its command, level + 1
  std::vector<std::string> fault;
  // The command was carried out although its level failed: its reply came, but behind the
  // backlog, past the bytes the tool judges.
  bool carried_out = false;
  friend void PrintTo(const GarbageCase& c, std::ostream* os) { *os << c.name; }
};

class GarbageReplyTest : public ::testing::TestWithParam<GarbageCase> {};

TEST_P(GarbageReplyTest, LevelFailsAndTheNextOperationWorks) {
  const GarbageCase& c = GetParam();
  Bench bench(c.fault);
  const std::vector<std::string> before = bench.Stored(c.row);
  bench.window.FillRow(c.row, c.write ? NewValues(c.row) : OldBoxes(c.row));

  bench.Run(c.row, c.write);

  EXPECT_TRUE(FailedOnceAt(bench, c.write, c.failing_level));
  EXPECT_EQ(bench.handset().ReceivedCommands().size(),
            static_cast<std::size_t>(c.failing_level + 1));
  if (c.write) {
    EXPECT_EQ(bench.ReportedWritten(), c.failing_level);
    EXPECT_EQ(bench.Stored(c.row),
              Expected(before, NewValues(c.row), c.failing_level + (c.carried_out ? 1 : 0)));
  } else {
    EXPECT_EQ(bench.Boxes(c.row), ExpectedBoxes(before, c.row, c.failing_level));
    EXPECT_EQ(bench.Stored(c.row), before);
  }
  ExpectRetryWorks(bench, c.row, c.write);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, GarbageReplyTest,
    ::testing::Values(
        GarbageCase{"RandomBytesWithNulsAtLevel2OfAWrite", Row::Speech, true, 2,
                    ReplyFault(3, kRandom)},
        GarbageCase{"RandomBytesAtLevel0OfARead", Row::Mic, false, 0,
                    ReplyFault(1, kRandomWithoutNul)},
        GarbageCase{"OnlyCrLfAtLevel3OfARead", Row::Melody, false, 3, ReplyFault(4, "\r\n")},
        GarbageCase{"OnlyCrLfsAtLevel0OfAWrite", Row::SideTone, true, 0,
                    ReplyFault(1, "\r\n\r\n\r\n")},
        GarbageCase{"NulFirstAtLevel5OfAWrite", Row::Melody, true, 5,
                    ReplyFault(6, std::string("\0\r\nOK\r\n", 7))},
        GarbageCase{"NulFirstAtLevel1OfARead", Row::Speech, false, 1,
                    ReplyFault(2, std::string("\0\r\n+EADP: 7\r\n\r\nOK\r\n", 19))},
        // 4 KiB of unsolicited lines wait ahead of the reply, which the handset gives as usual:
        // the 255 bytes taken hold no OK.
        GarbageCase{
            "BacklogOf4KiBAtLevel0OfARead", Row::Speech, false, 0, {"--fault", "1:backlog:4096"}},
        GarbageCase{"BacklogOf4KiBAtLevel4OfAWrite",
                    Row::Melody,
                    true,
                    4,
                    {"--fault", "5:backlog:4096"},
                    true}),
    [](const auto& info) { return std::string(info.param.name); });

// What the random replies are taken for is known before they are sent: no OK in the bytes the
// tool judges, and, with NULs, a reply cut short.
TEST(GarbageReply, RandomRepliesHoldNoOk) {
  EXPECT_FALSE(ReplyIsOk(ReplyTextOf(kRandom)));
  EXPECT_LT(ReplyTextOf(kRandom).size(), 255u);
  EXPECT_FALSE(ReplyIsOk(kRandomWithoutNul));
  EXPECT_EQ(ReplyTextOf(kRandomWithoutNul), kRandomWithoutNul);
}

// After a backlog the rest of it waits unread when the operation ends; the next operation opens
// the port anew and finds none of it, as on a serial port.
TEST(GarbageReply, RestOfTheBacklogDoesNotReachTheNextOperation) {
  Bench bench({"--fault", "1:backlog:4096"});
  bench.window.FillRow(Row::Mic, OldBoxes(Row::Mic));
  bench.ops.ReadRow(Row::Mic);
  EXPECT_TRUE(FailedOnceAt(bench, false, 0));
  bench.ops.ReadRow(Row::Mic);
  EXPECT_EQ(bench.window.verdict, "PASS");
  EXPECT_EQ(bench.Boxes(Row::Mic), bench.Stored(Row::Mic));
  const auto opens = bench.handset().WaitForEvents("OPEN", 2);
  ASSERT_EQ(opens.size(), 2u);
  // What was dropped at the second open: the backlog past the 255 bytes taken, then the reply.
  const std::string reply =
      "at+eadp=0,0,3,0\r\n\r\n+EADP: " + bench.Stored(Row::Mic)[0] + "\r\n\r\nOK\r\n";
  EXPECT_EQ(opens[1].bytes.size(), 4096 - 255 + reply.size());
  EXPECT_EQ(opens[1].bytes.substr(opens[1].bytes.size() - reply.size()), reply);
}

// ---- A stale OK in the backlog ----------------------------------------------------------
//
// When the bytes waiting ahead of the reply hold an "OK" line, the level is judged from them and
// passes, whatever the handset answered: every reply is what waits after the wait, at most 255
// bytes of it, and passes on any line that is exactly "OK". A backlog longer than the replies of
// a whole row stands in for all of them. These tests pin down what happens; it is a failure
// reported as success, and it stays so while the reply rules are what they are.

TEST(StaleOkInTheBacklog, ReadShowsValuesTheHandsetDoesNotHold) {
  Bench bench({"--fault", "1:backlog:4096:\\r\\n+EADP: 99\\r\\n\\r\\nOK\\r\\n"});
  bench.window.FillRow(Row::Speech, OldBoxes(Row::Speech));

  bench.ops.ReadRow(Row::Speech);

  EXPECT_EQ(bench.window.verdict, "PASS");
  EXPECT_EQ(bench.window.status, "Read Speech Successful");
  EXPECT_EQ(bench.Boxes(Row::Speech)[0], "99");
  for (const std::string& value : bench.Stored(Row::Speech)) EXPECT_NE(value, "99");
  EXPECT_NE(bench.Boxes(Row::Speech), bench.Stored(Row::Speech));

  // The port opened anew starts without the stale bytes: the next read is right.
  ExpectRetryWorks(bench, Row::Speech, false);
}

TEST(StaleOkInTheBacklog, WriteReportsALevelWrittenThatTheHandsetRefused) {
  // The handset refuses the level-2 command; its ERROR waits behind the stale OKs.
  Bench bench({"--fault", "1:backlog:4096:\\r\\nOK\\r\\n", "--fault", "3:error"});
  const std::vector<std::string> before = bench.Stored(Row::Speech);
  const std::vector<std::string> sent = NewValues(Row::Speech);
  bench.window.FillRow(Row::Speech, sent);

  bench.ops.WriteRow(Row::Speech);

  EXPECT_EQ(bench.window.verdict, "PASS");
  EXPECT_EQ(bench.ReportedWritten(), 7);
  std::vector<std::string> held = sent;
  held[2] = before[2];  // reported written, not stored
  EXPECT_EQ(bench.Stored(Row::Speech), held);

  ExpectRetryWorks(bench, Row::Speech, true);
}

}  // namespace
}  // namespace gaintool::faults
