#include "port_folder.h"

namespace gaintool::testing {

std::string PortFolder::AddPort(const std::string& name) {
  auto terminal = std::make_unique<PseudoTerminal>();
  folder_.Link(name, terminal->DevicePath());
  const std::string path = terminal->DevicePath();
  ports_.emplace_back(name, std::move(terminal));
  return path;
}

int PortFolder::ControllerOf(const std::string& name) const {
  for (const auto& [entry, terminal] : ports_) {
    if (entry == name) return terminal->MasterFd();
  }
  return -1;
}

}  // namespace gaintool::testing
