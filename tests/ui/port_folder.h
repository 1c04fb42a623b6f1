// A folder that stands in for /dev in window tests: entries named like serial devices (ttyS0,
// ttyUSB0 ...) that lead to pseudo-terminals held open by the test, so that port discovery finds
// them and an operation can open them.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/pty.h"

namespace gaintool::testing {

class PortFolder {
 public:
  // The folder, ending in "/", as the window and the operations take it.
  std::string Path() const { return folder_.Path(); }

  // Opens a new pseudo-terminal and links `name` in the folder to its terminal side. Returns the
  // terminal's own path (/dev/pts/N). The test holds the other side until the folder goes.
  std::string AddPort(const std::string& name);

  // The side of the pseudo-terminal that the test holds for port `name` (-1 if none).
  int ControllerOf(const std::string& name) const;

 private:
  DeviceFolder folder_;
  std::vector<std::pair<std::string, std::unique_ptr<PseudoTerminal>>> ports_;
};

}  // namespace gaintool::testing
