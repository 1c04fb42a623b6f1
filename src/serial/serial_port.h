// The serial port as the operations see it: an exclusive open of a named port, the line set to
// 115200 baud 8N1 raw, one command/reply exchange with a fixed wait, and the discovery of the
// ports COM1..COMn. One header; one source per operating system (serial_posix.cpp here).
//
// Every call returns a status, and every failure keeps its cause: the step, the errno and the
// device it happened on.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace gaintool::serial {

// Why a port could not be used.
enum class PortFailure {
  None,
  NameTooLong,       // the port name is longer than kMaxPortNameBytes
  NoSuchDevice,      // ENOENT, ENODEV, ENXIO: nothing of that name
  NotFunctioning,    // EIO: the device exists but does not work
  Busy,              // another program holds the port (EBUSY, or its lock is taken)
  PermissionDenied,  // EACCES, EPERM
  NotATerminal,      // the device opened but is no serial line (ENOTTY, ENOTDIR, EISDIR ...)
  SettingsRefused,   // the line settings could not be applied
  Other,             // any other errno
};

struct PortError {
  PortFailure failure = PortFailure::None;
  int error_number = 0;  // errno of the failing call, 0 when none
  std::string device;    // the device path the call was made on
  std::string step;      // which call failed: "open", "lock", "exclusive", "settings", ...

  // One line for the operator or a log, e.g. "/dev/ttyS0: busy (open: Device or resource busy)".
  std::string Describe() const;
};

// Port names longer than this are refused like a port that cannot be opened.
inline constexpr std::size_t kMaxPortNameBytes = 95;

// Where a port name leads on this system:
//   "COMn" (exactly COM and a decimal number, n >= 1) -> <device_dir>ttyS<n-1>
//   a name that begins with "/"                      -> the name itself
//   anything else                                    -> <device_dir><name>
// Nothing is trimmed. device_dir ends with "/".
std::string DevicePathForPortName(std::string_view name, std::string_view device_dir = "/dev/");

// How a port is opened. An operation holds the port exclusively: a non-blocking flock (which also
// keeps out root, whom TIOCEXCL does not stop) and TIOCEXCL. A discovery probe only takes the
// flock to see whether another program holds the port, and never sets TIOCEXCL, since that flag
// outlives our close and would lock out the peers of a process that shares the tty.
enum class OpenMode { Operation, Probe };

// One open serial port. Move-only; closing clears TIOCEXCL before the descriptor goes.
class SerialPort {
 public:
  SerialPort() = default;
  ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;
  SerialPort(SerialPort&& other) noexcept;
  SerialPort& operator=(SerialPort&& other) noexcept;

  // Opens the port named `name` (mapped by DevicePathForPortName) for reading and writing.
  // Fails without touching anything when a port is already open here.
  bool Open(std::string_view name, OpenMode mode = OpenMode::Operation,
            std::string_view device_dir = "/dev/");

  // Sets 115200 baud, 8 data bits, no parity, one stop bit, raw bytes both ways (no echo, no
  // line editing, no translation, no software flow control), CLOCAL and CREAD. Hardware flow
  // control and the modem lines stay as found. Fails on a device that is not a terminal, and
  // when the line does not read back as asked. Called after a failed Open, it fails and keeps
  // the open's cause in LastError().
  bool Configure();

  // Writes all bytes, giving up when the port has not taken them within `bound` (LastError()
  // then says "write" with ETIMEDOUT).
  bool Write(std::string_view bytes, std::chrono::milliseconds bound);

  // Number of received bytes waiting in the input queue.
  std::size_t BytesWaiting();

  // Reads up to `max` bytes that are waiting, without waiting for more. Returns the count.
  std::size_t ReadWaiting(char* buffer, std::size_t max);

  // Releases the port. Does nothing when none is open.
  void Close();

  bool IsOpen() const { return fd_ >= 0; }
  const std::string& DevicePath() const { return device_; }
  const PortError& LastError() const { return error_; }

 private:
  bool Fail(PortFailure failure, const char* step, int error_number);

  int fd_ = -1;
  bool exclusive_ = false;
  std::string device_;
  PortError error_;
};

// One exchange's receive buffer: at most 255 reply bytes and a NUL.
struct ReplyBuffer {
  std::array<char, 256> bytes{};
  // The reply text: the buffer's content up to its first NUL.
  std::string Text() const;
};

// The fixed wait after each command; the whole time the handset has to answer.
inline constexpr std::chrono::milliseconds kReplyWait{100};
// How long a write may take before the exchange gives up on it.
inline constexpr std::chrono::milliseconds kWriteBound{1000};

// One exchange: write the command, wait kReplyWait from the moment the write returns, take the
// bytes then waiting (at most 255) into `buffer` from its start, put a NUL after them. Returns the
// reply text. Nothing is discarded before or after; bytes beyond 255 stay queued. A failed or
// timed-out write gives an empty reply.
std::string SendCommand(SerialPort& port, std::string_view command, ReplyBuffer& buffer);

// The write and the wait of SendCommand; whatever the handset answers stays queued.
void WriteCommand(SerialPort& port, std::string_view command);

// What a trial open of a port found, and whether the port is listed for the operator.
struct ProbeOutcome {
  bool opened = false;
  PortError error;  // when not opened
  bool Listed() const;
};
ProbeOutcome ProbePort(std::string_view name, std::string_view device_dir = "/dev/");

// The names COM1..COM<count> whose trial open succeeded or failed for a reason other than "no
// such device" or "device not functioning", in ascending order. Nothing when count < 1. Leaves no
// port open.
std::vector<std::string> DiscoverComPorts(int count, std::string_view device_dir = "/dev/");

}  // namespace gaintool::serial
