#include "support/pty.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

namespace gaintool::testing {

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

}  // namespace gaintool::testing
