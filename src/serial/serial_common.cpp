// The parts of the serial layer that do not depend on the operating system: port names, the
// reply buffer, error texts, the command exchange and discovery on top of SerialPort.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

#include "serial/serial_port.h"

namespace gaintool::serial {

namespace {

// The n of "COMn" when the name is exactly "COM" and a decimal number from 1 without leading
// zeros; 0 otherwise.
long ComPortNumber(std::string_view name) {
  constexpr std::string_view kPrefix = "COM";
  if (name.size() <= kPrefix.size() || name.substr(0, kPrefix.size()) != kPrefix) return 0;
  const std::string_view digits = name.substr(kPrefix.size());
  if (digits.front() == '0' || digits.size() > 9) return 0;
  long number = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return 0;
    number = number * 10 + (c - '0');
  }
  return number;
}

const char* FailureText(PortFailure failure) {
  switch (failure) {
    case PortFailure::None:
      return "no error";
    case PortFailure::NameTooLong:
      return "port name too long";
    case PortFailure::NoSuchDevice:
      return "no such device";
    case PortFailure::NotFunctioning:
      return "device not functioning";
    case PortFailure::Busy:
      return "busy";
    case PortFailure::PermissionDenied:
      return "permission denied";
    case PortFailure::NotATerminal:
      return "not a serial line";
    case PortFailure::SettingsRefused:
      return "line settings refused";
    case PortFailure::Other:
      return "cannot be used";
  }
  return "cannot be used";
}

}  // namespace

std::string DevicePathForPortName(std::string_view name, std::string_view device_dir) {
  if (const long number = ComPortNumber(name); number > 0) {
    return std::string(device_dir) + "ttyS" + std::to_string(number - 1);
  }
  if (!name.empty() && name.front() == '/') return std::string(name);
  return std::string(device_dir) + std::string(name);
}

std::string PortError::Describe() const {
  std::string text = device.empty() ? std::string("port") : device;
  text += ": ";
  text += FailureText(failure);
  if (!step.empty() || error_number != 0) {
    text += " (";
    text += step;
    if (error_number != 0) {
      if (!step.empty()) text += ": ";
      text += std::strerror(error_number);
    }
    text += ")";
  }
  return text;
}

std::string ReplyBuffer::Text() const {
  // At most 255 reply bytes: the last byte is the NUL's place even when something else stands
  // there.
  const auto end = std::find(bytes.begin(), bytes.end() - 1, '\0');
  return std::string(bytes.begin(), end);
}

std::string SendCommand(SerialPort& port, std::string_view command, ReplyBuffer& buffer) {
  if (!port.Write(command, kWriteBound)) {
    // A write that failed or that the port did not take in time ends the exchange at once.
    buffer.bytes[0] = '\0';
    return "";
  }
  std::this_thread::sleep_for(kReplyWait);
  const std::size_t waiting = std::min(port.BytesWaiting(), buffer.bytes.size() - 1);
  const std::size_t got = port.ReadWaiting(buffer.bytes.data(), waiting);
  buffer.bytes[got] = '\0';
  return buffer.Text();
}

void WriteCommand(SerialPort& port, std::string_view command) {
  if (port.Write(command, kWriteBound)) std::this_thread::sleep_for(kReplyWait);
}

bool ProbeOutcome::Listed() const {
  if (opened) return true;
  return error.failure != PortFailure::NoSuchDevice && error.failure != PortFailure::NotFunctioning;
}

ProbeOutcome ProbePort(std::string_view name, std::string_view device_dir) {
  ProbeOutcome outcome;
  SerialPort port;
  outcome.opened = port.Open(name, OpenMode::Probe, device_dir);
  if (!outcome.opened) outcome.error = port.LastError();
  port.Close();
  return outcome;
}

std::vector<std::string> DiscoverComPorts(int count, std::string_view device_dir) {
  std::vector<std::string> names;
  for (int number = 1; number <= count; ++number) {
    std::string name = "COM" + std::to_string(number);
    if (ProbePort(name, device_dir).Listed()) names.push_back(std::move(name));
  }
  return names;
}

}  // namespace gaintool::serial
