// Plain pseudo-terminals and folders of device links for tests that need a port but no handset,
// such as the port discovery.
#pragma once

#include <termios.h>

#include <string>

namespace gaintool::testing {

// A pseudo-terminal whose master side the test holds. A locked one cannot be opened on its device
// side (the open fails with EIO), like a device that is present but does not work.
class PseudoTerminal {
 public:
  enum class Lock { Unlocked, Locked };
  explicit PseudoTerminal(Lock lock = Lock::Unlocked);  // throws std::runtime_error on failure
  ~PseudoTerminal();
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  const std::string& DevicePath() const { return device_; }
  int MasterFd() const { return master_; }

 private:
  int master_ = -1;
  std::string device_;
};

// A descriptor of the test's own on a device, to look at or change the line from outside the port
// under test. Every call that fails throws std::runtime_error.
class Peer {
 public:
  explicit Peer(const std::string& device);
  ~Peer();
  Peer(const Peer&) = delete;
  Peer& operator=(const Peer&) = delete;

  int fd() const { return fd_; }
  termios Settings() const;
  void Apply(const termios& settings) const;
  // Whether the tty refuses further opens (TIOCEXCL is set on it).
  bool ExclusiveFlag() const;

 private:
  int fd_ = -1;
};

// A temporary folder that stands in for /dev/, removed with everything in it at the end.
class DeviceFolder {
 public:
  DeviceFolder();  // throws std::runtime_error on failure
  ~DeviceFolder();
  DeviceFolder(const DeviceFolder&) = delete;
  DeviceFolder& operator=(const DeviceFolder&) = delete;

  // The folder's path, ending with "/".
  const std::string& Path() const { return path_; }
  // Makes Path() + name a symbolic link to target (which need not exist).
  void Link(const std::string& name, const std::string& target) const;

 private:
  std::string path_;
};

// The number of file descriptors this process has open.
int OpenDescriptorCount();

}  // namespace gaintool::testing
