#include "support/pty.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace gaintool::testing {

namespace {

[[noreturn]] void Throw(const std::string& what) {
  throw std::runtime_error(what + ": " + std::strerror(errno));
}

}  // namespace

PseudoTerminal::PseudoTerminal(Lock lock) {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0 || grantpt(master_) != 0 || (lock == Lock::Unlocked && unlockpt(master_) != 0) ||
      ptsname(master_) == nullptr) {
    if (master_ >= 0) close(master_);
    throw std::runtime_error("cannot make a pseudo-terminal");
  }
  device_ = ptsname(master_);
}

PseudoTerminal::~PseudoTerminal() {
  close(master_);
}

DeviceFolder::DeviceFolder() {
  char folder_template[] = "/tmp/gaintool-dev-XXXXXX";
  if (mkdtemp(folder_template) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = std::string(folder_template) + "/";
}

DeviceFolder::~DeviceFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void DeviceFolder::Link(const std::string& name, const std::string& target) const {
  std::filesystem::create_symlink(target, path_ + name);
}

int OpenDescriptorCount() {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    ++count;
  }
  return count;
}

Peer::Peer(const std::string& device)
    : fd_(open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
  if (fd_ < 0) Throw("cannot open " + device);
}

Peer::~Peer() {
  if (fd_ >= 0) close(fd_);
}

termios Peer::Settings() const {
  termios settings{};
  if (tcgetattr(fd_, &settings) != 0) Throw("tcgetattr");
  return settings;
}

void Peer::Apply(const termios& settings) const {
  if (tcsetattr(fd_, TCSANOW, &settings) != 0) Throw("tcsetattr");
}

bool Peer::ExclusiveFlag() const {
  int flag = 0;
  if (ioctl(fd_, TIOCGEXCL, &flag) != 0) Throw("TIOCGEXCL");
  return flag != 0;
}

}  // namespace gaintool::testing
