// The port and the command exchange over real pseudo-terminals, against the simulated handset.
#include <fcntl.h>
#include <poll.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "serial/serial_port.h"
#include "support/handset.h"
#include "support/pty.h"

namespace gaintool::serial {
namespace {

using gaintool::testing::Peer;
using gaintool::testing::PseudoTerminal;
using gaintool::testing::SimulatedHandset;

::testing::AssertionResult OpenAndConfigure(SerialPort& port, const std::string& name) {
  if (!port.Open(name) || !port.Configure()) {
    return ::testing::AssertionFailure() << port.LastError().Describe();
  }
  return ::testing::AssertionSuccess();
}

// ---- The exchange -----------------------------------------------------------------------

struct Step {
  std::string command;
  std::string reply;
  std::size_t replies_sent_before = 0;  // wait until the handset has sent this many replies
};

struct ExchangeCase {
  const char* name;
  std::vector<std::string> handset_args;
  std::vector<Step> steps;
  friend void PrintTo(const ExchangeCase& c, std::ostream* os) { *os << c.name; }
};

class ExchangeTest : public ::testing::TestWithParam<ExchangeCase> {};

TEST_P(ExchangeTest, RepliesAreWhatWaitsAfterTheWrite) {
  const ExchangeCase& c = GetParam();
  SimulatedHandset handset(c.handset_args);
  SerialPort port;
  ASSERT_TRUE(OpenAndConfigure(port, handset.PortPath()));

  std::vector<std::string> sent;
  for (std::size_t i = 0; i < c.steps.size(); ++i) {
    const Step& step = c.steps[i];
    if (step.replies_sent_before > 0) handset.WaitForEvents("TX", step.replies_sent_before);
    ReplyBuffer buffer;
    buffer.bytes.fill('U');  // a reply that is not NUL-terminated shows as trailing U's
    const std::string reply = SendCommand(port, step.command, buffer);
    EXPECT_EQ(reply, step.reply) << "exchange " << i;
    EXPECT_EQ(buffer.Text(), reply) << "exchange " << i;
    sent.push_back(step.command);
  }
  // Exactly the command bytes reach the handset, no more and no fewer.
  EXPECT_EQ(handset.WaitForCommands(sent.size()), sent);
}

const std::string kSleepOff = "AT+ESLP=0\r\n";
const std::string kOk = "\r\nOK\r\n";
const std::string kLong300 = SimulatedHandset::LongReply(300);

INSTANTIATE_TEST_SUITE_P(
    Replies, ExchangeTest,
    ::testing::Values(
        ExchangeCase{"EchoedReply", {}, {{kSleepOff, kSleepOff + kOk}}},
        ExchangeCase{"ReplyOf255BytesWhole",
                     {"--echo", "off", "--fault", "1:long:255"},
                     {{kSleepOff, SimulatedHandset::LongReply(255)}, {kSleepOff, kOk}}},
        ExchangeCase{
            "ReplyOf300BytesRestComesNext",
            {"--echo", "off", "--fault", "1:long:300"},
            {{kSleepOff, kLong300.substr(0, 255)}, {kSleepOff, kLong300.substr(255) + kOk}}},
        ExchangeCase{"NulEndsTheReply",
                     {"--echo", "off", "--fault", "1:nul"},
                     {{kSleepOff, "\r\n"}, {kSleepOff, kOk}}},
        ExchangeCase{"NulAfterTheEcho", {"--fault", "1:nul"}, {{kSleepOff, kSleepOff}}},
        ExchangeCase{"NulFirstGivesEmptyReply",
                     {"--fault", "1:reply:\\0\\r\\nOK\\r\\n"},
                     {{kSleepOff, ""}, {kSleepOff, kSleepOff + kOk}}},
        ExchangeCase{"SilentHandsetGivesEmptyReply",
                     {"--echo", "off", "--fault", "1:silent"},
                     {{kSleepOff, ""}, {kSleepOff, kOk}}},
        ExchangeCase{"LateReplyComesFirstInTheNext",
                     {"--echo", "off", "--fault", "1:delay:400"},
                     {{kSleepOff, ""}, {"ATE0\r\n", kOk + kOk, 1}}},
        ExchangeCase{"BytesPassUnchanged",
                     {"--echo", "off", "--fault",
                      "1:reply:\\r\\n\\x11\\x13\\x03\\x1a\\x7f\\xff\\x80\\xb2\\xe2\\r\\r\\n\\nOK"},
                     {{"at+eadp=1,0,3,0,\x11\x13\x03\x7f\xb2\xe2\r\n",
                       "\r\n\x11\x13\x03\x1a\x7f\xff\x80\xb2\xe2\r\r\n\nOK"}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Exchange, WriteCommandLeavesTheReplyQueued) {
  SimulatedHandset handset;
  SerialPort port;
  ASSERT_TRUE(OpenAndConfigure(port, handset.PortPath()));
  WriteCommand(port, "ATE0\r\n");
  ReplyBuffer buffer;
  EXPECT_EQ(SendCommand(port, kSleepOff, buffer), "ATE0\r\n" + kOk + kOk);
}

TEST(Exchange, BufferIsOverwrittenFromItsStart) {
  SimulatedHandset handset({"--echo", "off"});
  SerialPort port;
  ASSERT_TRUE(OpenAndConfigure(port, handset.PortPath()));
  ReplyBuffer buffer;
  EXPECT_EQ(SendCommand(port, "at+eadp=0,0,2,0\r\n", buffer),
            "\r\n+EADP: " + handset.StoredValue(0, 2, 0) + "\r\n" + kOk);
  EXPECT_EQ(SendCommand(port, kSleepOff, buffer), kOk);
}

// A port left with terminal settings (echo, line editing, translation, software flow control,
// signal characters, 9600 baud, two stop bits) passes bytes unaltered once configured, at 115200
// 8N1.
TEST(Exchange, ConfigureMakesACookedLineRaw) {
  const std::string reply = "\r\n\x11\x13\x03\x1a\x7f\x0d\x0a\xff\r\nOK\r\n";
  SimulatedHandset handset({"--echo", "off", "--fault",
                            "1:reply:\\r\\n\\x11\\x13\\x03\\x1a\\x7f\\r\\n\\xff\\r\\nOK\\r\\n"});
  const Peer peer(handset.PortPath());  // opened before the port is made exclusive
  {
    termios cooked = peer.Settings();
    cooked.c_iflag |= ICRNL | INLCR | IXON | IXOFF | PARMRK | ISTRIP;
    cooked.c_oflag |= OPOST | ONLCR | OCRNL;
    cooked.c_lflag |= ECHO | ECHONL | ICANON | ISIG | IEXTEN;
    cooked.c_cflag |= CSTOPB;
    cfsetspeed(&cooked, B9600);
    peer.Apply(cooked);
  }
  SerialPort port;
  ASSERT_TRUE(OpenAndConfigure(port, handset.PortPath()));
  const std::string command = "at+eadp=1,0,3,0,\x11\x13\x03\x7f\r\xb2\xe2\r\n";
  ReplyBuffer buffer;
  EXPECT_EQ(SendCommand(port, command, buffer), reply);
  EXPECT_EQ(handset.WaitForCommands(1), std::vector<std::string>{command});

  const termios line = peer.Settings();
  EXPECT_EQ(cfgetospeed(&line), B115200);
  EXPECT_EQ(cfgetispeed(&line), B115200);
  EXPECT_EQ(line.c_cflag & CSIZE, tcflag_t{CS8});
  EXPECT_EQ(line.c_cflag & (PARENB | CSTOPB), 0u);
  EXPECT_EQ(line.c_cflag & (CLOCAL | CREAD), tcflag_t{CLOCAL | CREAD});
}

// Hardware flow control and hang-up on close stay as the port had them.
TEST(Exchange, ConfigureKeepsHardwareFlowControlAsFound) {
  for (const bool hardware_flow : {true, false}) {
    SCOPED_TRACE(hardware_flow ? "CRTSCTS on, HUPCL off" : "CRTSCTS off, HUPCL on");
    PseudoTerminal pty;
    Peer peer(pty.DevicePath());
    termios before = peer.Settings();
    if (hardware_flow) {
      before.c_cflag = (before.c_cflag | CRTSCTS) & ~static_cast<tcflag_t>(HUPCL);
    } else {
      before.c_cflag = (before.c_cflag & ~static_cast<tcflag_t>(CRTSCTS)) | HUPCL;
    }
    peer.Apply(before);
    SerialPort port;
    ASSERT_TRUE(OpenAndConfigure(port, pty.DevicePath()));
    const termios after = peer.Settings();
    EXPECT_EQ(after.c_cflag & (CRTSCTS | HUPCL), before.c_cflag & (CRTSCTS | HUPCL));
  }
}

// The port does not take the command (its output is held back): the exchange ends with an empty
// reply instead of blocking for good.
TEST(Exchange, WriteThatIsNotTakenEndsTheExchange) {
  PseudoTerminal pty;
  Peer peer(pty.DevicePath());
  SerialPort port;
  ASSERT_TRUE(OpenAndConfigure(port, pty.DevicePath()));
  ASSERT_EQ(write(pty.MasterFd(), "stale", 5), 5);  // would be a reply if the exchange read it
  ASSERT_EQ(tcflow(peer.fd(), TCOOFF), 0);

  ReplyBuffer buffer;
  buffer.bytes.fill('U');
  EXPECT_EQ(SendCommand(port, kSleepOff, buffer), "");
  EXPECT_EQ(buffer.Text(), "");
  EXPECT_EQ(port.LastError().step, "write");
  EXPECT_EQ(port.LastError().error_number, ETIMEDOUT);

  ASSERT_EQ(tcflow(peer.fd(), TCOON), 0);
  EXPECT_EQ(SendCommand(port, kSleepOff, buffer), "stale");
}

// A command that never left the line, because the far end stopped taking bytes, is not delivered
// later: the next operation's close discards it, so the handset never executes a command that
// the tool already reported as failed. Here the far end's receive buffer is full, so the
// command waits on the line behind earlier bytes.
TEST(Exchange, CommandLeftOnTheLineIsNotSentLater) {
  PseudoTerminal pty;
  SerialPort port;
  ASSERT_TRUE(OpenAndConfigure(port, pty.DevicePath()));
  const std::string backlog(8192, 'B');  // twice the far end's receive buffer
  ASSERT_TRUE(port.Write(backlog, kWriteBound));
  const std::string command = "at+eadp=1,0,3,0,200\r\n";
  ReplyBuffer buffer;
  EXPECT_EQ(SendCommand(port, command, buffer), "");  // taken by the port, never answered
  port.Close();

  ASSERT_TRUE(OpenAndConfigure(port, pty.DevicePath()));
  ASSERT_TRUE(port.Write("ATE0\r\n", kWriteBound));
  // The far end reads again, everything there is.
  std::string arrived;
  pollfd ready{pty.MasterFd(), POLLIN, 0};
  while (arrived.find("ATE0\r\n") == std::string::npos && poll(&ready, 1, 5000) == 1) {
    char chunk[4096];
    const ssize_t n = read(pty.MasterFd(), chunk, sizeof chunk);
    if (n <= 0) break;
    arrived.append(chunk, static_cast<std::size_t>(n));
  }
  EXPECT_NE(arrived.find("ATE0\r\n"), std::string::npos);
  EXPECT_EQ(arrived.find(command), std::string::npos) << "the stale command reached the handset";
}

TEST(Exchange, HandsetDroppingTheLine) {
  SimulatedHandset handset({"--echo", "off", "--fault", "2:hangup"});
  SerialPort port;
  ASSERT_TRUE(OpenAndConfigure(port, handset.PortPath()));
  ReplyBuffer buffer;
  EXPECT_EQ(SendCommand(port, kSleepOff, buffer), kOk);
  EXPECT_EQ(SendCommand(port, kSleepOff, buffer), "");
  handset.WaitForEvents("HANGUP", 1);
  EXPECT_EQ(SendCommand(port, kSleepOff, buffer), "");
  port.Close();
  EXPECT_FALSE(port.Open(handset.PortPath()));
  EXPECT_EQ(port.LastError().failure, PortFailure::NoSuchDevice);
}

// With a link, a handset whose line dropped comes back on a new pseudo-terminal behind it, like
// one plugged in again; the port name that the operator typed reaches it.
TEST(Exchange, HandsetComesBackBehindItsLink) {
  gaintool::testing::DeviceFolder folder;
  const std::string link = folder.Path() + "handset";
  SimulatedHandset handset({"--echo", "off", "--link", link, "--fault", "1:hangup"});
  SerialPort port;
  ASSERT_TRUE(OpenAndConfigure(port, link));
  ReplyBuffer buffer;
  EXPECT_EQ(SendCommand(port, kSleepOff, buffer), "");
  handset.WaitForEvents("HANGUP", 1);
  port.Close();
  // The new line is up once its link is in place.
  for (int i = 0; i < 1000 && std::filesystem::read_symlink(link) == handset.PortPath(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_TRUE(OpenAndConfigure(port, link));
  EXPECT_NE(port.DevicePath(), handset.PortPath());
  EXPECT_EQ(SendCommand(port, kSleepOff, buffer), kOk);
}

// ---- Opening the port -------------------------------------------------------------------

TEST(OpenPort, TwoOpensInARowBothSucceed) {
  SimulatedHandset handset({"--echo", "off"});
  SerialPort port;
  ReplyBuffer buffer;
  for (int round = 0; round < 2; ++round) {
    port.Close();
    ASSERT_TRUE(OpenAndConfigure(port, handset.PortPath())) << "round " << round;
    EXPECT_EQ(SendCommand(port, kSleepOff, buffer), kOk) << "round " << round;
  }
}

TEST(OpenPort, OpenWhileOpenFailsAndKeepsThePort) {
  SimulatedHandset handset({"--echo", "off"});
  PseudoTerminal other;
  SerialPort port;
  ASSERT_TRUE(OpenAndConfigure(port, handset.PortPath()));
  EXPECT_FALSE(port.Open(other.DevicePath()));
  EXPECT_EQ(port.DevicePath(), handset.PortPath());
  ReplyBuffer buffer;
  EXPECT_EQ(SendCommand(port, kSleepOff, buffer), kOk);
}

// The exclusive flag is on the tty while an operation holds it, and gone after the close, so
// that the port is left as it was found.
TEST(OpenPort, ExclusiveFlagIsHeldOnlyWhileOpen) {
  PseudoTerminal pty;
  Peer peer(pty.DevicePath());
  SerialPort port;
  ASSERT_TRUE(OpenAndConfigure(port, pty.DevicePath()));
  EXPECT_TRUE(peer.ExclusiveFlag());
  port.Close();
  EXPECT_FALSE(peer.ExclusiveFlag());
  // ... and after a port that moved elsewhere is closed.
  ASSERT_TRUE(port.Open(pty.DevicePath()));
  SerialPort moved(std::move(port));
  EXPECT_FALSE(port.IsOpen());
  EXPECT_TRUE(peer.ExclusiveFlag());
  moved = SerialPort();
  EXPECT_FALSE(peer.ExclusiveFlag());
}

// Opening anew drops what the earlier open left unread, a reply not yet sent included, as a
// serial port does; within one open nothing is dropped (see ExchangeTest).
TEST(OpenPort, ReopenStartsWithNothingUnread) {
  SimulatedHandset handset({"--fault", "3:delay:300"});
  SerialPort port;
  ReplyBuffer buffer;
  ASSERT_TRUE(OpenAndConfigure(port, handset.PortPath()));
  WriteCommand(port, kSleepOff);  // its reply is left unread
  port.Close();
  ASSERT_TRUE(OpenAndConfigure(port, handset.PortPath()));
  EXPECT_EQ(SendCommand(port, "ATE0\r\n", buffer), "ATE0\r\n" + kOk);
  EXPECT_EQ(SendCommand(port, kSleepOff, buffer), "");  // its reply is still to come
  port.Close();
  ASSERT_TRUE(OpenAndConfigure(port, handset.PortPath()));
  EXPECT_EQ(SendCommand(port, kSleepOff, buffer), kOk);
  // Well after the delayed reply was due, it has still not come.
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  EXPECT_EQ(SendCommand(port, kSleepOff, buffer), kOk);

  std::vector<std::string> dropped;
  int replies = 0;
  for (const auto& event : handset.Events()) {
    if (event.kind == "OPEN") dropped.push_back(event.bytes);
    if (event.kind == "TX") ++replies;
  }
  EXPECT_EQ(dropped, (std::vector<std::string>{"", kSleepOff + kOk, ""}));
  EXPECT_EQ(replies, 4);
}

struct RefusalCase {
  const char* name;
  // Prepares what the port is to meet and returns the port name to open.
  std::function<std::string(SimulatedHandset&, std::vector<std::shared_ptr<void>>& keep)> prepare;
  bool opens;  // the open succeeds and the settings fail
  PortFailure failure;
  std::vector<std::string> steps;  // the failing step, one of these
  friend void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }
};

class RefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(RefusalTest, PortIsRefusedWithItsCause) {
  const RefusalCase& c = GetParam();
  SimulatedHandset handset;
  std::vector<std::shared_ptr<void>> keep;
  const std::string name = c.prepare(handset, keep);

  SerialPort port;
  const bool opened = port.Open(name);
  EXPECT_EQ(opened, c.opens) << port.LastError().Describe();
  EXPECT_FALSE(port.Configure());
  EXPECT_EQ(port.LastError().failure, c.failure) << port.LastError().Describe();
  EXPECT_NE(std::find(c.steps.begin(), c.steps.end(), port.LastError().step), c.steps.end())
      << port.LastError().step;
  EXPECT_EQ(port.LastError().device, DevicePathForPortName(name));
  ReplyBuffer buffer;
  EXPECT_EQ(SendCommand(port, kSleepOff, buffer), "");
  EXPECT_TRUE(handset.ReceivedCommands().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Ports, RefusalTest,
    ::testing::Values(RefusalCase{"EmptyName",
                                  [](auto&, auto&) { return std::string(); },
                                  false,
                                  PortFailure::NotATerminal,
                                  {"open"}},
                      RefusalCase{"NameOf96Bytes",
                                  [](auto&, auto&) { return "/tmp/" + std::string(91, 'x'); },
                                  false,
                                  PortFailure::NameTooLong,
                                  {"name"}},
                      RefusalCase{"NameOf95BytesIsTried",
                                  [](auto&, auto&) { return "/tmp/" + std::string(90, 'x'); },
                                  false,
                                  PortFailure::NoSuchDevice,
                                  {"open"}},
                      RefusalCase{"NoSuchDevice",
                                  [](auto&, auto&) { return std::string("ttyGaintoolNone"); },
                                  false,
                                  PortFailure::NoSuchDevice,
                                  {"open"}},
                      RefusalCase{"DeviceNotFunctioning",
                                  [](auto&, auto& keep) {
                                    auto locked = std::make_shared<PseudoTerminal>(
                                        PseudoTerminal::Lock::Locked);
                                    keep.push_back(locked);
                                    return locked->DevicePath();
                                  },
                                  false,
                                  PortFailure::NotFunctioning,
                                  {"open"}},
                      RefusalCase{"DevNullRefusedAtTheSettings",
                                  [](auto&, auto&) { return std::string("/dev/null"); },
                                  true,
                                  PortFailure::NotATerminal,
                                  {"settings"}},
                      RefusalCase{
                          "HeldByAnotherOpen",
                          [](SimulatedHandset& handset, auto& keep) {
                            auto holder = std::make_shared<SerialPort>();
                            EXPECT_TRUE(holder->Open(handset.PortPath()));
                            keep.push_back(holder);
                            return handset.PortPath();
                          },
                          // Root passes TIOCEXCL and meets the lock; anybody else meets TIOCEXCL.
                          false,
                          PortFailure::Busy,
                          {"lock", "open"}},
                      RefusalCase{"LockedByAnotherProgram",
                                  [](SimulatedHandset& handset, auto& keep) {
                                    auto peer = std::make_shared<Peer>(handset.PortPath());
                                    EXPECT_EQ(flock(peer->fd(), LOCK_EX | LOCK_NB), 0);
                                    keep.push_back(peer);
                                    return handset.PortPath();
                                  },
                                  false,
                                  PortFailure::Busy,
                                  {"lock"}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Port names -------------------------------------------------------------------------

TEST(PortNames, MapToDevicePaths) {
  struct Row {
    const char* name;
    const char* dir;
    const char* path;
  };
  for (const Row& row : std::vector<Row>{
           {"COM1", "/dev/", "/dev/ttyS0"},
           {"COM10", "/dev/", "/dev/ttyS9"},
           {"COM17", "/tmp/d/", "/tmp/d/ttyS16"},
           {"COM0", "/dev/", "/dev/COM0"},
           {"COM01", "/dev/", "/dev/COM01"},
           {"COM", "/dev/", "/dev/COM"},
           {"com1", "/dev/", "/dev/com1"},
           {"COM1 ", "/dev/", "/dev/COM1 "},
           {" COM1", "/dev/", "/dev/ COM1"},
           {"COM1x", "/dev/", "/dev/COM1x"},
           {"COM99999999999", "/dev/", "/dev/COM99999999999"},
           {"ttyUSB0", "/dev/", "/dev/ttyUSB0"},
           {"/tmp/gaintool-handset", "/dev/", "/tmp/gaintool-handset"},
           {"", "/dev/", "/dev/"},
       }) {
    EXPECT_EQ(DevicePathForPortName(row.name, row.dir), row.path) << "'" << row.name << "'";
  }
}

TEST(PortErrors, DescribeNamesDeviceCauseAndStep) {
  EXPECT_EQ((PortError{PortFailure::Busy, EBUSY, "/dev/ttyS0", "open"}).Describe(),
            "/dev/ttyS0: busy (open: Device or resource busy)");
  EXPECT_EQ((PortError{PortFailure::PermissionDenied, EACCES, "/dev/ttyS1", "open"}).Describe(),
            "/dev/ttyS1: permission denied (open: Permission denied)");
}

// ---- The simulated handset's own dialogue (what the other tests rely on) ---------------

struct DialogueCase {
  const char* name;
  std::vector<std::string> handset_args;
  std::vector<std::pair<std::string, std::string>> exchanges;  // command, reply
  friend void PrintTo(const DialogueCase& c, std::ostream* os) { *os << c.name; }
};

class HandsetDialogueTest : public ::testing::TestWithParam<DialogueCase> {};

TEST_P(HandsetDialogueTest, AnswersLikeAHandset) {
  const DialogueCase& c = GetParam();
  SimulatedHandset handset(c.handset_args);
  SerialPort port;
  ASSERT_TRUE(OpenAndConfigure(port, handset.PortPath()));
  ReplyBuffer buffer;
  for (const auto& [command, reply] : c.exchanges) {
    EXPECT_EQ(SendCommand(port, command, buffer), reply) << command;
  }
}

std::string Value(const char* v) {
  return std::string("\r\n+EADP: ") + v + "\r\n" + kOk;
}
const std::string kError = "\r\nERROR\r\n";

INSTANTIATE_TEST_SUITE_P(
    Commands, HandsetDialogueTest,
    ::testing::Values(
        DialogueCase{
            "EchoUntilEchoOff",
            {},
            {{kSleepOff, kSleepOff + kOk}, {"ATE0\r\n", "ATE0\r\n" + kOk}, {kSleepOff, kOk}}},
        DialogueCase{"WriteThenRead",
                     {"--echo", "off"},
                     {{"at+eadp=1,2,2,6,0\r\n", kOk},
                      {"at+eadp=1,1,0,3,255\r\n", kOk},
                      {"at+eadp=0,2,2,6\r\n", Value("0")},
                      {"at+eadp=0,1,0,3\r\n", Value("255")}}},
        DialogueCase{"PresetValue",
                     {"--echo", "off", "--set", "1,3,0=99"},
                     {{"at+eadp=0,1,3,0\r\n", Value("99")}}},
        DialogueCase{"RefusedCommands",
                     {"--echo", "off"},
                     {{"at+eadp=1,0,3,0,256\r\n", kError},
                      {"at+eadp=1,0,3,0,-1\r\n", kError},
                      {"at+eadp=1,0,3,0,0x10\r\n", kError},
                      {"at+eadp=1,0,3,0,\r\n", kError},
                      {"at+eadp=0,0,1,0\r\n", kError},
                      {"at+eadp=0,0,2,7\r\n", kError},
                      {"at+eadp=0,0,3,1\r\n", kError},
                      {"at+eadp=0,3,2,0\r\n", kError},
                      {"at+eadp=0,0,2\r\n", kError},
                      {"AT+CSQ\r\n", kError}}},
        DialogueCase{"FaultedCommandHasNoEffect",
                     {"--echo", "off", "--set", "0,3,0=5", "--fault", "1:error"},
                     {{"at+eadp=1,0,3,0,7\r\n", kError}, {"at+eadp=0,0,3,0\r\n", Value("5")}}},
        DialogueCase{"FaultedEchoOffKeepsEcho",
                     {"--fault", "1:silent"},
                     {{"ATE0\r\n", ""}, {kSleepOff, kSleepOff + kOk}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HandsetDialogue, DefaultsDifferPerModeAndLevel) {
  SimulatedHandset handset;
  std::vector<std::string> speech;
  for (int mode = 0; mode <= 2; ++mode) {
    for (int level = 0; level <= 6; ++level) speech.push_back(handset.StoredValue(mode, 2, level));
  }
  std::sort(speech.begin(), speech.end());
  EXPECT_EQ(std::adjacent_find(speech.begin(), speech.end()), speech.end());
  EXPECT_NE(speech.front(), "");
  EXPECT_EQ(handset.StoredValue(0, 3, 1), "");  // Mic has level 0 only
}

}  // namespace
}  // namespace gaintool::serial
