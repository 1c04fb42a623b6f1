// A folder that stands in for /dev in window tests: entries named like serial devices (ttyS0,
// ttyUSB0 ...) that lead to pseudo-terminals held open by the test, so that port discovery finds
// them and an operation can open them.
#pragma once

#include <QTemporaryDir>
#include <string>
#include <vector>

namespace gaintool::testing {

class DeviceFolder {
 public:
  DeviceFolder();
  ~DeviceFolder();
  DeviceFolder(const DeviceFolder&) = delete;
  DeviceFolder& operator=(const DeviceFolder&) = delete;

  // The folder, ending in "/", as the window and the operations take it.
  std::string Path() const;

  // Opens a new pseudo-terminal and links `name` in the folder to its terminal side. Returns the
  // terminal's own path (/dev/pts/N). The test holds the other side until the folder goes.
  std::string AddPort(const std::string& name);

  // The side of the pseudo-terminal that the test holds for port `name` (-1 if none).
  int ControllerOf(const std::string& name) const;

 private:
  QTemporaryDir dir_;
  std::vector<std::pair<std::string, int>> controllers_;
};

}  // namespace gaintool::testing
