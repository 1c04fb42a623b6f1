// What the fault tests share: a headless window wired to a simulated handset behind a link of its
// own, and the checks made after every fault.
//
// After a fault the window must be usable: the operation returned, and the next one works. And no
// data may be lost: what the handset stores equals what the operation reported as written. A row
// written up to a failure at level k reported levels 0..k-1 written (a PASS each); those hold the
// values sent, and the levels from k on hold what they held before.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "ops/operations.h"
#include "support/handset.h"
#include "support/pty.h"
#include "support/recording_window.h"

namespace gaintool::faults {

using gaintool::ops::Operations;
using gaintool::ops::Row;
using gaintool::ops::RowSpecOf;
using gaintool::testing::DeviceFolder;
using gaintool::testing::RecordingWindow;
using gaintool::testing::SimulatedHandset;

inline int KindCode(Row row) {
  return static_cast<int>(RowSpecOf(row).kind);
}
inline int Levels(Row row) {
  return RowSpecOf(row).levels;
}

inline const char* RowName(Row row) {
  switch (row) {
    case Row::Speech:
      return "Speech";
    case Row::Melody:
      return "Melody";
    case Row::SideTone:
      return "SideTone";
    case Row::Mic:
      return "Mic";
  }
  return "?";
}

// The operations of a recording window against a simulated handset behind a link: the port name
// stays the same when the handset comes back on a new pseudo-terminal, as a handset plugged in
// again does.
class Bench {
 public:
  explicit Bench(std::vector<std::string> sim_args = {})
      : link_(folder_.Path() + "handset"), handset_(WithLink(std::move(sim_args), link_)) {
    window.port_name = link_;
  }

  SimulatedHandset& handset() { return handset_; }

  // The row's ADJ (write) or Read operation.
  void Run(Row row, bool write) {
    if (write) {
      ops.WriteRow(row);
    } else {
      ops.ReadRow(row);
    }
  }
  const std::string& link() const { return link_; }

  // The values the handset holds for the row in the window's mode.
  std::vector<std::string> Stored(Row row) const {
    std::vector<std::string> values;
    for (int level = 0; level < Levels(row); ++level) {
      values.push_back(handset_.StoredValue(window.mode, KindCode(row), level));
    }
    return values;
  }

  // The boxes of the row as the window shows them.
  std::vector<std::string> Boxes(Row row) const {
    std::vector<std::string> values;
    for (int level = 0; level < Levels(row); ++level) values.push_back(window.BoxText(row, level));
    return values;
  }

  // Calls of the window since the latest ClearVerdict: those of the latest row operation.
  std::vector<std::string> CallsOfLastOperation() const {
    const auto& calls = window.calls;
    const auto start = std::find(calls.rbegin(), calls.rend(), "ClearVerdict");
    return std::vector<std::string>(start == calls.rend() ? calls.begin() : start.base() - 1,
                                    calls.end());
  }

  // The levels that the latest write operation reported written: one PASS each.
  int ReportedWritten() const {
    const auto calls = CallsOfLastOperation();
    return static_cast<int>(std::count(calls.begin(), calls.end(), "ShowPass:"));
  }

 private:
  static std::vector<std::string> WithLink(std::vector<std::string> args, const std::string& link) {
    args.push_back("--link");
    args.push_back(link);
    return args;
  }

  DeviceFolder folder_;
  std::string link_;
  SimulatedHandset handset_;

 public:
  RecordingWindow window;
  Operations ops{window};
};

// Distinct values for a row's boxes, none of them a default of the handset.
inline std::vector<std::string> NewValues(Row row) {
  std::vector<std::string> values;
  for (int level = 0; level < Levels(row); ++level) values.push_back(std::to_string(201 + level));
  return values;
}

// What the handset must hold after a write that was reported written up to `reported` levels:
// the values sent for those, what it held before for the rest.
inline std::vector<std::string> Expected(const std::vector<std::string>& before,
                                         const std::vector<std::string>& sent, int reported) {
  std::vector<std::string> expected = before;
  for (int level = 0; level < reported; ++level) expected[level] = sent[level];
  return expected;
}

// The operation failed at `level` with its status text, once, and went on with nothing after.
inline ::testing::AssertionResult FailedOnceAt(const Bench& bench, bool write, int level) {
  const std::string text = write ? ops::WriteFailedText(level) : ops::ReadFailedText(level);
  const auto calls = bench.CallsOfLastOperation();
  if (bench.window.verdict != "FAIL" || bench.window.status != text) {
    return ::testing::AssertionFailure()
           << "verdict '" << bench.window.verdict << "' status '" << bench.window.status
           << "', expected FAIL and '" << text << "'";
  }
  if (calls.empty() || calls.back() != "ShowFail:" + text ||
      std::count(calls.begin(), calls.end(), "ShowFail:" + text) != 1) {
    return ::testing::AssertionFailure() << "the failure is not the one last call";
  }
  if (bench.window.port_failures != 0) {
    return ::testing::AssertionFailure() << "a port failure was shown";
  }
  return ::testing::AssertionSuccess();
}

// The window is usable after a fault: the operation tried again works. A read shows what the
// handset holds; a write passes and leaves the handset with every value sent.
inline void ExpectRetryWorks(Bench& bench, Row row, bool write) {
  SCOPED_TRACE("the operation tried again");
  const int failures_before = bench.window.port_failures;
  bench.Run(row, write);
  if (write) {
    EXPECT_EQ(bench.ReportedWritten(), Levels(row));
    EXPECT_EQ(bench.Stored(row), NewValues(row));
  } else {
    EXPECT_EQ(bench.Boxes(row), bench.Stored(row));
    EXPECT_EQ(bench.window.status, RowSpecOf(row).read_passed);
  }
  EXPECT_EQ(bench.window.verdict, "PASS");
  EXPECT_EQ(bench.window.port_failures, failures_before);
}

// Boxes before a read, distinct from anything a handset sends.
inline std::vector<std::string> OldBoxes(Row row) {
  std::vector<std::string> values;
  for (int level = 0; level < Levels(row); ++level) values.push_back("old" + std::to_string(level));
  return values;
}

// After a read that failed at `level`: the levels before it show what the handset holds, the
// others kept their old text.
inline std::vector<std::string> ExpectedBoxes(const std::vector<std::string>& stored, Row row,
                                              int level) {
  std::vector<std::string> expected = OldBoxes(row);
  for (int l = 0; l < level; ++l) expected[l] = stored[l];
  return expected;
}

}  // namespace gaintool::faults
