#include "device_folder.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace gaintool::testing {

DeviceFolder::DeviceFolder() {
  if (!dir_.isValid()) throw std::runtime_error("cannot create a temporary folder");
}

DeviceFolder::~DeviceFolder() {
  for (const auto& [name, fd] : controllers_) ::close(fd);
}

std::string DeviceFolder::Path() const {
  return dir_.path().toStdString() + "/";
}

std::string DeviceFolder::AddPort(const std::string& name) {
  const int fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) throw std::runtime_error(std::string("posix_openpt: ") + std::strerror(errno));
  if (::grantpt(fd) != 0 || ::unlockpt(fd) != 0) {
    ::close(fd);
    throw std::runtime_error(std::string("pseudo-terminal setup: ") + std::strerror(errno));
  }
  const std::string terminal = ::ptsname(fd);
  const std::string link = Path() + name;
  if (::symlink(terminal.c_str(), link.c_str()) != 0) {
    ::close(fd);
    throw std::runtime_error("symlink " + link + ": " + std::strerror(errno));
  }
  controllers_.emplace_back(name, fd);
  return terminal;
}

int DeviceFolder::ControllerOf(const std::string& name) const {
  for (const auto& [entry, fd] : controllers_) {
    if (entry == name) return fd;
  }
  return -1;
}

}  // namespace gaintool::testing
