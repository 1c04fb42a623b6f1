// SerialPort on POSIX terminals (Linux): open(2) with flock(2) and TIOCEXCL for exclusive use,
// termios for the line settings, FIONREAD for the bytes waiting.
//
// The descriptor stays non-blocking for its whole life: the open must not wait for a carrier, a
// read takes only what is waiting, and a write is bounded by poll(2) instead of blocking the
// window for good when the port never takes its bytes.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "serial/serial_port.h"

namespace gaintool::serial {

namespace {

PortFailure FailureOfErrno(int error_number) {
  switch (error_number) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return PortFailure::NoSuchDevice;
    case EIO:
      return PortFailure::NotFunctioning;
    case EBUSY:
    case EWOULDBLOCK:  // the lock of another open
      return PortFailure::Busy;
    case EACCES:
    case EPERM:
      return PortFailure::PermissionDenied;
    case ENOTTY:
    case ENOTDIR:
    case EISDIR:
      return PortFailure::NotATerminal;
    default:
      return PortFailure::Other;
  }
}

}  // namespace

SerialPort::~SerialPort() {
  Close();
}

SerialPort::SerialPort(SerialPort&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      exclusive_(std::exchange(other.exclusive_, false)),
      device_(std::move(other.device_)),
      error_(std::move(other.error_)) {}

SerialPort& SerialPort::operator=(SerialPort&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    exclusive_ = std::exchange(other.exclusive_, false);
    device_ = std::move(other.device_);
    error_ = std::move(other.error_);
  }
  return *this;
}

bool SerialPort::Fail(PortFailure failure, const char* step, int error_number) {
  error_.failure = failure;
  error_.error_number = error_number;
  error_.device = device_;
  error_.step = step;
  return false;
}

bool SerialPort::Open(std::string_view name, OpenMode mode, std::string_view device_dir) {
  if (fd_ >= 0) {
    // The port held here stays as it is.
    error_ = {PortFailure::Other, EALREADY, device_, "open: a port is already open here"};
    return false;
  }
  error_ = {};
  device_ = DevicePathForPortName(name, device_dir);
  if (name.size() > kMaxPortNameBytes) {
    return Fail(PortFailure::NameTooLong, "name", ENAMETOOLONG);
  }

  const int fd = open(device_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return Fail(FailureOfErrno(errno), "open", errno);

  // The lock keeps out every other program that locks the port, root included.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error_number = errno;
    close(fd);
    return Fail(FailureOfErrno(error_number), "lock", error_number);
  }

  // TIOCEXCL refuses any further open of the tty (except by root) while we hold it. A probe does
  // not set it: the flag stays on the tty after our close, and would lock out the peers of a
  // program that has the tty open too. A device that is no terminal cannot take it; that device
  // is refused when its line settings are made.
  if (mode == OpenMode::Operation) {
    if (ioctl(fd, TIOCEXCL) == 0) {
      exclusive_ = true;
    } else if (errno != ENOTTY && errno != EINVAL) {
      const int error_number = errno;
      close(fd);
      return Fail(FailureOfErrno(error_number), "exclusive", error_number);
    }
  }
  fd_ = fd;
  return true;
}

bool SerialPort::Configure() {
  if (fd_ < 0) {
    // Keep the cause of the failed open when there is one.
    if (error_.failure == PortFailure::None) Fail(PortFailure::Other, "settings", EBADF);
    return false;
  }
  termios settings{};
  if (tcgetattr(fd_, &settings) != 0) {
    const int error_number = errno;
    return Fail(error_number == ENOTTY ? PortFailure::NotATerminal : PortFailure::SettingsRefused,
                "settings", error_number);
  }
  // Raw bytes both ways: no break or parity marks, no stripping, no CR/LF translation, no
  // software flow control (it would swallow the bytes 0x11 and 0x13), no output processing, no
  // echo, no line editing, no signal characters.
  settings.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                             ICRNL | IXON | IXOFF | IXANY);
#ifdef IUCLC
  settings.c_iflag &= ~static_cast<tcflag_t>(IUCLC);
#endif
  settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  settings.c_lflag &=
      ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
  // 8 data bits, no parity, one stop bit; ignore the modem lines for reading, enable the
  // receiver. Hardware flow control (CRTSCTS) and hang-up on close (HUPCL) stay as found.
  settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB);
  settings.c_cflag |= CS8 | CLOCAL | CREAD;
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 0;
  if (cfsetispeed(&settings, B115200) != 0 || cfsetospeed(&settings, B115200) != 0 ||
      tcsetattr(fd_, TCSANOW, &settings) != 0) {
    return Fail(PortFailure::SettingsRefused, "settings", errno);
  }
  // tcsetattr succeeds when any part was applied: make sure the line is what we asked for.
  termios applied{};
  if (tcgetattr(fd_, &applied) != 0) return Fail(PortFailure::SettingsRefused, "settings", errno);
  if (cfgetospeed(&applied) != B115200 || cfgetispeed(&applied) != B115200 ||
      (applied.c_cflag & (CSIZE | PARENB | CSTOPB)) != CS8) {
    return Fail(PortFailure::SettingsRefused, "settings", EINVAL);
  }
  return true;
}

bool SerialPort::Write(std::string_view bytes, std::chrono::milliseconds bound) {
  if (fd_ < 0) return Fail(PortFailure::Other, "write", EBADF);
  const auto deadline = std::chrono::steady_clock::now() + bound;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      return Fail(FailureOfErrno(errno), "write", errno);
    }
    // The port takes no more for now: wait until it does, within the bound.
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return Fail(PortFailure::Other, "write", ETIMEDOUT);
    pollfd ready{fd_, POLLOUT, 0};
    if (poll(&ready, 1, static_cast<int>(left.count())) < 0 && errno != EINTR) {
      return Fail(PortFailure::Other, "write", errno);
    }
  }
  return true;
}

std::size_t SerialPort::BytesWaiting() {
  if (fd_ < 0) return 0;
  int waiting = 0;
  if (ioctl(fd_, FIONREAD, &waiting) != 0 || waiting < 0) return 0;
  return static_cast<std::size_t>(waiting);
}

std::size_t SerialPort::ReadWaiting(char* buffer, std::size_t max) {
  if (fd_ < 0) return 0;
  std::size_t got = 0;
  while (got < max) {
    const ssize_t n = read(fd_, buffer + got, max - got);
    if (n > 0) {
      got += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      break;  // nothing more waiting (EAGAIN), the end of the line, or an error
    }
  }
  return got;
}

void SerialPort::Close() {
  if (fd_ < 0) return;
  // Output the line has not sent by now (the port is closed at the start of the next operation,
  // long after the last command's wait) is held back by flow control. Sent later, it would be a
  // stale command executed by the handset after the tool reported it failed; and close(2) would
  // wait for it to drain, up to the driver's closing wait, with the window blocked.
  if (isatty(fd_)) tcflush(fd_, TCOFLUSH);
  if (exclusive_) ioctl(fd_, TIOCNXCL);  // the flag would outlive our descriptor
  close(fd_);                            // releases the lock too
  fd_ = -1;
  exclusive_ = false;
}

}  // namespace gaintool::serial
