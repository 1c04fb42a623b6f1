// Port discovery for the window: the ports found on this machine, appended to a combo box's list.
#pragma once

#include <string_view>

class QComboBox;

namespace gaintool::ui {

// Probes COM1 to COM<count> and appends the name of each port found to the list of `box`, in
// ascending order. The box's text and its selected item stay as they were (an empty box stays
// empty with nothing selected). `device_dir` is where the port names lead (see
// serial::DevicePathForPortName).
void ListComPorts(int count, QComboBox* box, std::string_view device_dir = "/dev/");

}  // namespace gaintool::ui
