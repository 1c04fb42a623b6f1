// Port names that lead to no serial line: a directory, a regular file, a dangling symbolic link,
// and a terminal that the user may not open. Each operation ends at the port with its message,
// sends nothing and changes nothing; the next operation on a real port works.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "faults/fault_bench.h"

namespace gaintool::faults {
namespace {

using gaintool::testing::PseudoTerminal;
using serial::PortFailure;

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// Every operation of the window, each ending at the port with its message and nothing else.
void ExpectEveryOperationEndsAtThePort(RecordingWindow& window, ops::Operations& operations,
                                       PortFailure failure, const std::string& step) {
  window.verdict = "PASS";  // left by an earlier operation
  window.status = "kept";
  window.FillRow(Row::Speech, NewValues(Row::Speech));
  window.FillRow(Row::Mic, OldBoxes(Row::Mic));
  operations.ReadRow(Row::Mic);
  operations.WriteRow(Row::Speech);
  operations.Connect();
  EXPECT_EQ(window.port_failures, 3);
  EXPECT_EQ(window.last_port_error.failure, failure) << window.last_port_error.Describe();
  EXPECT_EQ(window.last_port_error.step, step) << window.last_port_error.Describe();
  EXPECT_EQ(window.verdict, "");
  EXPECT_EQ(window.status, "kept");
  EXPECT_EQ(window.BoxText(Row::Mic, 0), OldBoxes(Row::Mic)[0]);
  EXPECT_EQ(window.connect_errors, 0);
  EXPECT_EQ(window.empty_values, 0);
}

struct NameCase {
  const char* name;
  // Makes what the port name leads to in `folder` and returns the name.
  std::function<std::string(const DeviceFolder& folder)> prepare;
  PortFailure failure;
  const char* step;
  friend void PrintTo(const NameCase& c, std::ostream* os) { *os << c.name; }
};

class PortNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(PortNameTest, OperationsEndAtThePortAndTheNextOnARealPortWorks) {
  const NameCase& c = GetParam();
  Bench bench;
  DeviceFolder folder;
  const std::string name = c.prepare(folder);
  bench.window.port_name = name;
  const bool regular_file = std::filesystem::is_regular_file(name);
  const std::string contents = regular_file ? ReadFile(name) : "";

  ExpectEveryOperationEndsAtThePort(bench.window, bench.ops, c.failure, c.step);
  EXPECT_TRUE(bench.handset().ReceivedCommands().empty());
  if (regular_file) {
    EXPECT_EQ(ReadFile(name), contents) << "nothing is written into a file";
  }

  bench.window.port_name = bench.link();
  ExpectRetryWorks(bench, Row::Speech, true);
}

INSTANTIATE_TEST_SUITE_P(
    Names, PortNameTest,
    ::testing::Values(NameCase{"Directory",
                               [](const DeviceFolder& folder) {
                                 std::filesystem::create_directory(folder.Path() + "ttyS0");
                                 return folder.Path() + "ttyS0";
                               },
                               PortFailure::NotATerminal, "open"},
                      NameCase{"RegularFile",
                               [](const DeviceFolder& folder) {
                                 std::ofstream(folder.Path() + "ttyS0") << "a file\n";
                                 return folder.Path() + "ttyS0";
                               },
                               PortFailure::NotATerminal, "settings"},
                      NameCase{"DanglingSymbolicLink",
                               [](const DeviceFolder& folder) {
                                 folder.Link("ttyUSB0", folder.Path() + "gone");
                                 return folder.Path() + "ttyUSB0";
                               },
                               PortFailure::NoSuchDevice, "open"},
                      NameCase{"LinkToADirectory",
                               [](const DeviceFolder& folder) {
                                 folder.Link("ttyUSB0", "/tmp");
                                 return folder.Path() + "ttyUSB0";
                               },
                               PortFailure::NotATerminal, "open"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- A terminal without permission ------------------------------------------------------
//
// Root may open any terminal, so the operations run in a child process that has given up root
// for the user nobody. What the child's window saw comes back over a pipe.

struct ChildReport {
  int setup_error = 0;  // errno of a failed drop of privileges, or -1 when the child broke
  int port_failures = 0;
  int failure = 0;
  int error_number = 0;
  char step[16] = {};
  char verdict_after_failures[8] = {};
  char verdict_of_next[8] = {};
  char status_of_next[32] = {};
  char box_of_next[8] = {};
};

template <std::size_t N>
void CopyText(char (&to)[N], const std::string& from) {
  std::strncpy(to, from.c_str(), N - 1);
}

// Runs the operations on `denied` and then one read of Mic on `allowed`, as uid/gid, in a child.
ChildReport RunOperationsAs(uid_t uid, gid_t gid, const std::string& denied,
                            const std::string& allowed) {
  ChildReport report;
  int channel[2];
  if (pipe(channel) != 0) return {-1};
  const pid_t child = fork();
  if (child < 0) return {-1};
  if (child == 0) {
    close(channel[0]);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    alarm(30);  // a child that hangs ends; the parent then sees no report
    if (getuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0)) {
      report.setup_error = errno;
    } else {
      RecordingWindow window;
      ops::Operations operations(window);
      window.port_name = denied;
      window.FillRow(Row::Speech, NewValues(Row::Speech));
      window.verdict = "PASS";
      operations.ReadRow(Row::Mic);
      operations.WriteRow(Row::Speech);
      operations.Connect();
      report.port_failures = window.port_failures;
      report.failure = static_cast<int>(window.last_port_error.failure);
      report.error_number = window.last_port_error.error_number;
      CopyText(report.step, window.last_port_error.step);
      CopyText(report.verdict_after_failures, window.verdict);
      window.port_name = allowed;
      operations.ReadRow(Row::Mic);
      CopyText(report.verdict_of_next, window.verdict);
      CopyText(report.status_of_next, window.status);
      CopyText(report.box_of_next, window.BoxText(Row::Mic, 0));
    }
    const ssize_t written = write(channel[1], &report, sizeof report);
    _exit(written == static_cast<ssize_t>(sizeof report) ? 0 : 1);
  }
  close(channel[1]);
  ChildReport received;
  const ssize_t got = read(channel[0], &received, sizeof received);
  close(channel[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (got != static_cast<ssize_t>(sizeof received)) return {-1};
  return received;
}

TEST(PortName, TerminalWithoutPermission) {
  PseudoTerminal denied;
  Bench bench({"--echo", "off"});
  uid_t uid = getuid();
  gid_t gid = getgid();
  if (uid == 0) {
    const passwd* nobody = getpwnam("nobody");
    if (nobody == nullptr) GTEST_SKIP() << "running as root and there is no user nobody to be";
    uid = nobody->pw_uid;
    gid = nobody->pw_gid;
    // The terminal is root's alone; the handset's line is open to everybody.
    ASSERT_EQ(chmod(denied.DevicePath().c_str(), 0600), 0) << std::strerror(errno);
    ASSERT_EQ(chmod(bench.handset().PortPath().c_str(), 0666), 0) << std::strerror(errno);
  } else {
    // Not root: a terminal of our own that we took every permission from stands for it.
    ASSERT_EQ(chmod(denied.DevicePath().c_str(), 0), 0) << std::strerror(errno);
  }

  const ChildReport report =
      RunOperationsAs(uid, gid, denied.DevicePath(), bench.handset().PortPath());

  ASSERT_EQ(report.setup_error, 0) << (report.setup_error < 0 ? "the child reported nothing"
                                                              : std::strerror(report.setup_error));
  EXPECT_EQ(report.port_failures, 3);
  EXPECT_EQ(report.failure, static_cast<int>(PortFailure::PermissionDenied));
  EXPECT_EQ(report.error_number, EACCES) << std::strerror(report.error_number);
  EXPECT_STREQ(report.step, "open");
  EXPECT_STREQ(report.verdict_after_failures, "");
  // The next operation, on a port the user may open, works.
  EXPECT_STREQ(report.verdict_of_next, "PASS");
  EXPECT_STREQ(report.status_of_next, "Read Mic Successful");
  EXPECT_EQ(report.box_of_next, bench.Stored(Row::Mic)[0]);
  EXPECT_EQ(bench.handset().ReceivedCommands().size(), 1u);
}

}  // namespace
}  // namespace gaintool::faults
