// Discovery of the ports COM1..COMn in a device folder of links to pseudo-terminals.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "serial/serial_port.h"
#include "support/handset.h"
#include "support/pty.h"

namespace gaintool::serial {
namespace {

using gaintool::testing::DeviceFolder;
using gaintool::testing::OpenDescriptorCount;
using gaintool::testing::Peer;
using gaintool::testing::PseudoTerminal;
using gaintool::testing::SimulatedHandset;

// A device folder with:
//   ttyS0  (COM1)   a port
//   ttyS1  (COM2)   nothing
//   ttyS2  (COM3)   a port that another open holds
//   ttyS3  (COM4)   a link to nothing
//   ttyS4  (COM5)   a device that does not work (its open fails with EIO)
//   ttyS9  (COM10)  a port
//   ttyS16 (COM17)  a port, beyond the 16 that are looked for
class DiscoveryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.Link("ttyS0", com1_.DevicePath());
    folder_.Link("ttyS2", com3_.DevicePath());
    folder_.Link("ttyS3", "/dev/gaintool-no-such-device");
    folder_.Link("ttyS4", broken_.DevicePath());
    folder_.Link("ttyS9", com10_.DevicePath());
    folder_.Link("ttyS16", com17_.DevicePath());
    ASSERT_TRUE(holder_.Open("COM3", OpenMode::Operation, folder_.Path()))
        << holder_.LastError().Describe();
  }

  DeviceFolder folder_;
  PseudoTerminal com1_;
  PseudoTerminal com3_;
  PseudoTerminal broken_{PseudoTerminal::Lock::Locked};
  PseudoTerminal com10_;
  PseudoTerminal com17_;
  Peer com1_peer_{com1_.DevicePath()};
  Peer com3_peer_{com3_.DevicePath()};
  Peer com10_peer_{com10_.DevicePath()};
  SerialPort holder_;  // another program's hold on COM3
};

TEST_F(DiscoveryTest, ListsPresentAndHeldPortsInNumericOrder) {
  EXPECT_EQ(DiscoverComPorts(16, folder_.Path()),
            (std::vector<std::string>{"COM1", "COM3", "COM10"}));
  EXPECT_EQ(DiscoverComPorts(17, folder_.Path()),
            (std::vector<std::string>{"COM1", "COM3", "COM10", "COM17"}));
  EXPECT_EQ(DiscoverComPorts(3, folder_.Path()), (std::vector<std::string>{"COM1", "COM3"}));
}

TEST_F(DiscoveryTest, CountBelowOneListsNothing) {
  EXPECT_TRUE(DiscoverComPorts(0, folder_.Path()).empty());
  EXPECT_TRUE(DiscoverComPorts(-1, folder_.Path()).empty());
}

TEST_F(DiscoveryTest, EachOutcomeIsListedOrSkippedByItsCause) {
  struct Row {
    const char* name;
    bool opened;
    PortFailure failure;
    bool listed;
  };
  for (const Row& row : std::vector<Row>{
           {"COM1", true, PortFailure::None, true},
           {"COM2", false, PortFailure::NoSuchDevice, false},
           {"COM3", false, PortFailure::Busy, true},
           {"COM4", false, PortFailure::NoSuchDevice, false},
           {"COM5", false, PortFailure::NotFunctioning, false},
       }) {
    const ProbeOutcome outcome = ProbePort(row.name, folder_.Path());
    EXPECT_EQ(outcome.opened, row.opened) << row.name;
    EXPECT_EQ(outcome.error.failure, row.failure) << row.name << ": " << outcome.error.Describe();
    EXPECT_EQ(outcome.Listed(), row.listed) << row.name;
  }
}

// After the scan no descriptor is left open, every port can be held again, and no tty carries
// an exclusive flag that the scan set; the flag of the holder's open stays.
TEST_F(DiscoveryTest, LeavesEveryPortAsItFoundIt) {
  const int descriptors = OpenDescriptorCount();
  DiscoverComPorts(16, folder_.Path());
  EXPECT_EQ(OpenDescriptorCount(), descriptors);

  EXPECT_FALSE(com1_peer_.ExclusiveFlag());
  EXPECT_FALSE(com10_peer_.ExclusiveFlag());
  EXPECT_TRUE(com3_peer_.ExclusiveFlag());
  for (const char* name : {"COM1", "COM10"}) {
    SerialPort port;
    EXPECT_TRUE(port.Open(name, OpenMode::Operation, folder_.Path()))
        << port.LastError().Describe();
  }
}

// The probe neither sets the exclusive flag nor touches the line settings, even while it holds
// the port, and sends nothing to the device.
TEST(Probe, LeavesTheLineAlone) {
  SimulatedHandset handset;
  DeviceFolder folder;
  folder.Link("ttyS0", handset.PortPath());
  const Peer peer(handset.PortPath());
  termios before{};
  ASSERT_EQ(tcgetattr(peer.fd(), &before), 0);
  cfsetspeed(&before, B9600);
  ASSERT_EQ(tcsetattr(peer.fd(), TCSANOW, &before), 0);

  EXPECT_TRUE(ProbePort("COM1", folder.Path()).opened);
  EXPECT_EQ(DiscoverComPorts(1, folder.Path()), std::vector<std::string>{"COM1"});

  EXPECT_FALSE(peer.ExclusiveFlag());
  termios after{};
  ASSERT_EQ(tcgetattr(peer.fd(), &after), 0);
  EXPECT_EQ(cfgetospeed(&after), B9600);
  EXPECT_EQ(after.c_cflag, before.c_cflag);
  EXPECT_EQ(after.c_lflag, before.c_lflag);
  EXPECT_TRUE(handset.ReceivedCommands().empty());
}

// Another program made a port exclusive without locking it: the probe leaves its flag on. (Root
// passes the flag and opens the port; anybody else is refused with busy. Listed either way.)
TEST(Probe, ExclusiveFlagOfAnotherProgramStays) {
  PseudoTerminal pty;
  DeviceFolder folder;
  folder.Link("ttyS0", pty.DevicePath());
  const Peer other(pty.DevicePath());
  ASSERT_EQ(ioctl(other.fd(), TIOCEXCL), 0);

  EXPECT_TRUE(ProbePort("COM1", folder.Path()).Listed());
  EXPECT_TRUE(other.ExclusiveFlag());
}

// A port locked by another program is listed, and the probe does not take its lock away.
TEST(Probe, PortLockedByAnotherProgramIsListed) {
  PseudoTerminal pty;
  DeviceFolder folder;
  folder.Link("ttyS0", pty.DevicePath());
  auto other = std::make_unique<Peer>(pty.DevicePath());
  ASSERT_EQ(flock(other->fd(), LOCK_EX | LOCK_NB), 0);

  const ProbeOutcome outcome = ProbePort("COM1", folder.Path());
  EXPECT_FALSE(outcome.opened);
  EXPECT_EQ(outcome.error.failure, PortFailure::Busy);
  EXPECT_TRUE(outcome.Listed());
  SerialPort port;
  EXPECT_FALSE(port.Open("COM1", OpenMode::Operation, folder.Path()));
  other.reset();
  EXPECT_TRUE(port.Open("COM1", OpenMode::Operation, folder.Path()));
}

}  // namespace
}  // namespace gaintool::serial
