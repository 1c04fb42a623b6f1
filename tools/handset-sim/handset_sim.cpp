// handset-sim: a simulated handset on a pseudo-terminal, for the tests and for trying the tool
// without a handset.
//
//   handset-sim [--link PATH] [--log PATH] [--state PATH] [--echo on|off] [--timeout SECONDS]
//               [--set MODE,KIND,LEVEL=VALUE]... [--fault N:WHAT]...
//
// It opens a pseudo-terminal, prints the path of its device side (the side the tool opens) as the
// first line of its standard output once it is ready to answer, and answers command lines like a
// handset's modem:
//
//   AT+ESLP=0                 -> echo + "\r\nOK\r\n"
//   ATE0                      -> echo + "\r\nOK\r\n", and the echo is off from then on
//   at+eadp=0,MODE,KIND,LEVEL -> echo + "\r\n+EADP: VALUE\r\n\r\nOK\r\n"
//   at+eadp=1,MODE,KIND,LEVEL,VALUE
//                             -> stores VALUE (decimal digits, 0..255), echo + "\r\nOK\r\n"
//   anything else, an unknown mode, kind or level, or a value that is not decimal or lies
//   outside 0..255           -> echo + "\r\nERROR\r\n"
//
// A command line ends with its LF. The command word is matched without regard to case, like a
// modem does. The echo is the received line as received, line ending included; the handset
// starts with echo on, like one after a reset (--echo off starts it without). Modes are 0..2;
// kinds are 0 (Melody, levels 0..6), 2 (Speech, 0..6), 3 (Mic, level 0) and 4 (SideTone,
// level 0). Every value starts at a default that differs per mode, kind and level (see
// DefaultGain), or at what --set gives.
//
// Replies go out in the order of the commands, as from a handset that works through its commands
// one at a time: a delayed reply holds back the replies to the commands after it.
//
// --fault N:WHAT changes what happens at the Nth command line received (counted from 1 over the
// whole run). The command has no effect (no value stored, echo unchanged) except with delay, nul
// and backlog, which keep the normal handling:
//   error        echo + "\r\nERROR\r\n"
//   silent       no reply at all
//   delay:MS     the normal reply, MS milliseconds later
//   nul          the normal reply with a NUL byte inserted right after its first CR LF
//                (with echo on: right after the echoed command line)
//   long:BYTES   a reply of exactly BYTES bytes (at least 6): BYTES-6 filler bytes, byte i being
//                'A' + i % 26, then "\r\nOK\r\n"; no echo
//   reply:TEXT   exactly the bytes of TEXT, with the escapes \r \n \t \0 \\ \xHH
//   backlog:BYTES[:TEXT]
//                BYTES bytes (at least 1) that the handset had been sending while nobody read,
//                then the normal reply: TEXT (escapes as above; default the unsolicited line
//                "\r\nRING\r\n") repeated and cut at BYTES. They go out when the command
//                arrives, before its reply; the tool reads nothing before its wait ends, so it
//                finds them waiting ahead of the reply as if they had come before the command.
//   stall        the handset stops reading its line before the Nth command: once command N-1 is
//                answered (for N=1 before the device path is printed) it takes no more bytes, and
//                the line toward it fills up (the simulator writes filler bytes, that nobody ever
//                reads, through its own descriptor of the device side until the line takes no
//                more), so that the tool's next write is not taken. Replies already due still go
//                out. The stall ends only when the line drops (hangup, or SIGUSR1); the line
//                that comes back is not stalled again, and answers command N as usual.
//   hangup       the line drops: the pseudo-terminal goes away without a reply, and its device
//                node with it. With --link the handset comes back on a new pseudo-terminal, like a
//                handset plugged in again, points the link at it and prints the new device path
//                as another line; without --link it stays without a line until it ends.
//
// Two signals act at once, for a test that needs a fault at a moment of its choosing rather than
// at a command: SIGUSR1 drops the line like the fault hangup; SIGUSR2 stalls the line like the
// fault stall. Each is logged (HANGUP, STALL) once it is done.
//
// The port side of a pseudo-terminal keeps the bytes that the tool never read across a close and
// an open, where a serial port starts empty. So the simulator watches its device node: when
// anybody opens it, what waits unread for the reader is dropped, and so are replies not yet sent.
// The open is always noticed before the command that follows it is answered: the open's event is
// queued before the open returns, so before that opener can write anything, and the simulator
// reads all pending events before it answers a command or sends a delayed reply.
//
// --log PATH appends one line per event, written before the reply goes out:
//   <microseconds since the epoch> TAB <EVENT> TAB <bytes, escaped as above>
// EVENT is RX (one command line received, with its line ending), TX (reply bytes handed to the
// line), OPEN (the port was opened anew; the bytes are the unread ones that were dropped),
// HANGUP (the line was dropped; no bytes), STALL (the handset stopped reading and its line is
// full; no bytes).
// --state PATH holds the gain table, rewritten (temporary file and rename) at start and after each
// stored value: one line per value, "MODE KIND LEVEL VALUE".
// --timeout SECONDS (default 600) ends the simulator after that time so that a forgotten one never
// lingers; SIGTERM and SIGINT end it at once. On the way out it removes its link.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/signalfd.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "c_escape.h"

namespace {

using handset_sim::Escape;
using handset_sim::Unescape;

// ---- options ------------------------------------------------------------------------------

struct Fault {
  enum class Kind { Error, Silent, Delay, Nul, Long, Reply, Hangup, Backlog, Stall };
  Kind kind = Kind::Error;
  long millis = 0;        // Delay
  std::size_t bytes = 0;  // Long, Backlog
  std::string text;       // Reply, Backlog
};

using GainKey = std::tuple<int, int, int>;  // mode, kind, level

struct Options {
  std::string link;
  std::string log;
  std::string state;
  bool echo = true;
  long timeout_seconds = 600;
  std::map<GainKey, int> sets;
  std::map<long, Fault> faults;
};

constexpr const char* kUsage =
    "usage: handset-sim [--link PATH] [--log PATH] [--state PATH] [--echo on|off]\n"
    "                   [--timeout SECONDS] [--set MODE,KIND,LEVEL=VALUE]...\n"
    "                   [--fault N:WHAT]...\n"
    "  WHAT: error | silent | delay:MS | nul | long:BYTES | reply:TEXT | hangup\n"
    "        | backlog:BYTES[:TEXT] | stall\n"
    "  SIGUSR1 drops the line now (like hangup), SIGUSR2 stalls it now (like stall).\n";

[[noreturn]] void Usage(const std::string& problem) {
  std::fprintf(stderr, "handset-sim: %s\n%s", problem.c_str(), kUsage);
  std::exit(2);
}

// A decimal number of digits only, without sign or blanks, that fits `limit`.
std::optional<long> ParseDecimal(std::string_view text, long limit) {
  if (text.empty()) return std::nullopt;
  long value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > limit) return std::nullopt;
  }
  return value;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

bool ValidAddress(int mode, int kind, int level) {
  if (mode < 0 || mode > 2) return false;
  switch (kind) {
    case 0:  // Melody
    case 2:  // Speech
      return level >= 0 && level <= 6;
    case 3:  // Mic
    case 4:  // SideTone
      return level == 0;
    default:
      return false;
  }
}

// Plausible values that differ per mode, kind and level, so that a test can tell them apart.
int DefaultGain(int mode, int kind, int level) {
  switch (kind) {
    case 0:
      return 16 + 32 * level + 4 * mode;  // Melody: 16..208 rising
    case 2:
      return 40 + 24 * level + 8 * mode;  // Speech: 40..200 rising
    case 3:
      return 160 + 16 * mode;  // Mic
    default:
      return 64 + 8 * mode;  // SideTone
  }
}

Fault ParseFault(std::string_view what) {
  Fault fault;
  auto argument = [&](std::string_view prefix) -> std::optional<std::string_view> {
    if (what.substr(0, prefix.size()) != prefix) return std::nullopt;
    return what.substr(prefix.size());
  };
  if (what == "error") {
    fault.kind = Fault::Kind::Error;
  } else if (what == "silent") {
    fault.kind = Fault::Kind::Silent;
  } else if (what == "nul") {
    fault.kind = Fault::Kind::Nul;
  } else if (what == "hangup") {
    fault.kind = Fault::Kind::Hangup;
  } else if (what == "stall") {
    fault.kind = Fault::Kind::Stall;
  } else if (auto backlog = argument("backlog:")) {
    const std::size_t colon = backlog->find(':');
    const auto value = ParseDecimal(backlog->substr(0, colon), 1L << 20);
    if (!value || *value < 1) Usage("backlog:BYTES needs at least 1 byte: " + std::string(what));
    std::optional<std::string> text = std::string("\r\nRING\r\n");
    if (colon != std::string_view::npos) text = Unescape(backlog->substr(colon + 1));
    if (!text || text->empty()) Usage("bad text in --fault: " + std::string(what));
    fault.kind = Fault::Kind::Backlog;
    fault.bytes = static_cast<std::size_t>(*value);
    fault.text = *text;
  } else if (auto ms = argument("delay:")) {
    const auto value = ParseDecimal(*ms, 3600L * 1000);
    if (!value) Usage("bad delay in --fault: " + std::string(what));
    fault.kind = Fault::Kind::Delay;
    fault.millis = *value;
  } else if (auto bytes = argument("long:")) {
    const auto value = ParseDecimal(*bytes, 1L << 20);
    if (!value || *value < 6) Usage("long:BYTES needs at least 6 bytes: " + std::string(what));
    fault.kind = Fault::Kind::Long;
    fault.bytes = static_cast<std::size_t>(*value);
  } else if (auto text = argument("reply:")) {
    const auto bytes_of_text = Unescape(*text);
    if (!bytes_of_text) Usage("bad escape in --fault: " + std::string(what));
    fault.kind = Fault::Kind::Reply;
    fault.text = *bytes_of_text;
  } else {
    Usage("unknown fault: " + std::string(what));
  }
  return fault;
}

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view flag = argv[i];
    auto value = [&]() -> std::string_view {
      if (i + 1 >= argc) Usage(std::string(flag) + " needs a value");
      return argv[++i];
    };
    if (flag == "--help") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    } else if (flag == "--link") {
      options.link = value();
    } else if (flag == "--log") {
      options.log = value();
    } else if (flag == "--state") {
      options.state = value();
    } else if (flag == "--echo") {
      const std::string_view v = value();
      if (v != "on" && v != "off") Usage("--echo takes on or off");
      options.echo = v == "on";
    } else if (flag == "--timeout") {
      const auto seconds = ParseDecimal(value(), 7L * 24 * 3600);
      if (!seconds || *seconds < 1) Usage("--timeout takes a number of seconds");
      options.timeout_seconds = *seconds;
    } else if (flag == "--set") {
      const std::string_view v = value();
      const std::size_t equals = v.find('=');
      const auto address = Split(v.substr(0, equals), ',');
      std::optional<long> gain;
      if (equals != std::string_view::npos) gain = ParseDecimal(v.substr(equals + 1), 255);
      std::optional<long> fields[3];
      if (address.size() == 3) {
        for (int f = 0; f < 3; ++f) fields[f] = ParseDecimal(address[f], 9);
      }
      if (!gain || !fields[0] || !fields[1] || !fields[2] ||
          !ValidAddress(int(*fields[0]), int(*fields[1]), int(*fields[2]))) {
        Usage("bad --set (MODE,KIND,LEVEL=VALUE, VALUE 0..255): " + std::string(v));
      }
      options.sets[{int(*fields[0]), int(*fields[1]), int(*fields[2])}] = int(*gain);
    } else if (flag == "--fault") {
      const std::string_view v = value();
      const std::size_t colon = v.find(':');
      const auto n = colon == std::string_view::npos ? std::nullopt
                                                     : ParseDecimal(v.substr(0, colon), 1L << 30);
      if (!n || *n < 1) Usage("bad --fault (N:WHAT, N from 1): " + std::string(v));
      if (options.faults.count(*n)) Usage("two faults for command " + std::to_string(*n));
      options.faults[*n] = ParseFault(v.substr(colon + 1));
    } else {
      Usage("unknown argument: " + std::string(flag));
    }
  }
  return options;
}

// ---- the handset ---------------------------------------------------------------------------

// How long the line toward a stalling handset must stay without room before it counts as full.
constexpr int kStallSettleMillis = 20;

std::int64_t MonotonicMillis() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return std::int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1000000;
}

std::int64_t EpochMicros() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return std::int64_t{now.tv_sec} * 1000000 + now.tv_nsec / 1000;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != prefix[i]) return false;
  }
  return true;
}

void Die(const char* what) {
  std::fprintf(stderr, "handset-sim: %s: %s\n", what, std::strerror(errno));
  std::exit(1);
}

class Handset {
 public:
  explicit Handset(Options options) : options_(std::move(options)), echo_(options_.echo) {
    for (int mode = 0; mode <= 2; ++mode) {
      for (int kind : {0, 2, 3, 4}) {
        for (int level = 0; level <= 6; ++level) {
          if (ValidAddress(mode, kind, level))
            gains_[{mode, kind, level}] = DefaultGain(mode, kind, level);
        }
      }
    }
    for (const auto& [key, value] : options_.sets) gains_[key] = value;
    if (!options_.log.empty()) {
      log_fd_ = open(options_.log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
      if (log_fd_ < 0) Die(options_.log.c_str());
    }
    WriteState();
  }

  int Run() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGUSR1);
    sigaddset(&signals, SIGUSR2);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    signal(SIGPIPE, SIG_IGN);
    signal(SIGHUP, SIG_IGN);
    const int signal_fd = signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
    if (signal_fd < 0) Die("signalfd");

    OpenLine();
    const std::int64_t deadline = MonotonicMillis() + options_.timeout_seconds * 1000;

    for (;;) {
      const std::int64_t now = MonotonicMillis();
      if (now >= deadline) break;
      std::int64_t wake = deadline;
      if (!pending_.empty()) wake = std::min(wake, pending_.front().due);
      const int timeout = static_cast<int>(std::max<std::int64_t>(0, wake - now));

      pollfd fds[3] = {{signal_fd, POLLIN, 0}, {-1, 0, 0}, {-1, 0, 0}};
      if (master_ >= 0) {
        // A stalled handset reads nothing: what the tool writes stays in the line.
        const short read = stalled_ ? 0 : POLLIN;
        fds[1] = {master_, static_cast<short>(read | (out_.empty() ? 0 : POLLOUT)), 0};
        fds[2] = {watch_fd_, POLLIN, 0};
      }
      if (poll(fds, 3, timeout) < 0) {
        if (errno == EINTR) continue;
        Die("poll");
      }
      if ((fds[0].revents & POLLIN) && !HandleSignals(signal_fd)) break;
      if (master_ >= 0 && (fds[2].revents & POLLIN)) DrainOpens();
      if (master_ >= 0 && !stalled_ && (fds[1].revents & POLLIN)) ReadCommands();
      SendDueReplies();
      if (master_ >= 0 && !out_.empty()) Flush();
    }
    CloseLine();
    return 0;
  }

 private:
  struct PendingReply {
    std::int64_t due;
    std::string bytes;
  };

  // Acts on every pending signal; false when one of them ends the simulator.
  bool HandleSignals(int signal_fd) {
    signalfd_siginfo info{};
    while (read(signal_fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
      switch (info.ssi_signo) {
        case SIGUSR1:
          if (master_ >= 0) HangUp();
          break;
        case SIGUSR2:
          if (master_ >= 0) Stall();
          break;
        default:
          return false;
      }
    }
    return true;
  }

  // From here on the handset reads nothing of its line, and the line toward it is filled until it
  // takes no more: the tool's next write is not taken. The filler is written through the
  // simulator's own descriptor of the device side, from where it goes where the tool's bytes go.
  // The line may refuse a large write and still take a small one, so the writes get smaller down
  // to a single byte; and it moves bytes on in the background, so it counts as full only once it
  // has stayed without room for a while.
  void Stall() {
    if (stalled_) return;
    stalled_ = true;
    const std::string filler(4096, 'Z');
    std::size_t size = filler.size();
    for (;;) {
      const ssize_t n = write(slave_, filler.data(), size);
      if (n > 0) continue;
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno != EAGAIN) Die("stall");
      if (size > 1) {
        size /= 2;
        continue;
      }
      pollfd room{slave_, POLLOUT, 0};
      const int ready = poll(&room, 1, kStallSettleMillis);
      if (ready < 0 && errno != EINTR) Die("stall");
      if (ready == 0) break;
      size = filler.size();
    }
    Log("STALL", "");
  }

  // A stall fault for the command after `commands_` starts now. It happens once: a line that
  // comes back after a drop is not stalled again, and that command is answered when it comes.
  void StallIfDue() {
    const auto next = options_.faults.find(commands_ + 1);
    if (master_ >= 0 && next != options_.faults.end() && next->second.kind == Fault::Kind::Stall) {
      options_.faults.erase(next);
      Stall();
    }
  }

  // A new pseudo-terminal, raw on both sides, with its device node watched for opens.
  void OpenLine() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) Die("posix_openpt");
    const char* name = ptsname(master_);
    if (name == nullptr) Die("ptsname");
    device_ = name;
    // The simulator keeps the device side open itself: the line stays up while the tool has it
    // closed, the raw settings stay in force, and the unread input can be dropped from here.
    slave_ = open(device_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (slave_ < 0) Die(device_.c_str());
    termios settings{};
    if (tcgetattr(slave_, &settings) != 0) Die("tcgetattr");
    cfmakeraw(&settings);  // no echo of our own replies back to us, no translation
    if (tcsetattr(slave_, TCSANOW, &settings) != 0) Die("tcsetattr");
    watch_fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch_fd_ < 0 || inotify_add_watch(watch_fd_, device_.c_str(), IN_OPEN) < 0) {
      Die("inotify");
    }
    if (!options_.link.empty()) {
      const std::string temporary = options_.link + ".new";
      unlink(temporary.c_str());
      if (symlink(device_.c_str(), temporary.c_str()) != 0) Die(temporary.c_str());
      if (rename(temporary.c_str(), options_.link.c_str()) != 0) Die(options_.link.c_str());
    }
    stalled_ = false;
    if (commands_ == 0) StallIfDue();  // a stall from the first command on is in place at once
    std::printf("%s\n", device_.c_str());
    std::fflush(stdout);
  }

  void CloseLine() {
    if (master_ < 0) return;
    if (!options_.link.empty()) {
      char target[4096];
      const ssize_t n = readlink(options_.link.c_str(), target, sizeof target);
      if (n >= 0 && std::string_view(target, static_cast<std::size_t>(n)) == device_) {
        unlink(options_.link.c_str());
      }
    }
    close(watch_fd_);
    close(slave_);
    close(master_);
    watch_fd_ = slave_ = master_ = -1;
    pending_.clear();
    out_.clear();
    partial_.clear();
  }

  void Log(std::string_view event, std::string_view bytes) {
    if (log_fd_ < 0) return;
    std::string line = std::to_string(EpochMicros());
    line += '\t';
    line += event;
    line += '\t';
    line += Escape(bytes);
    line += '\n';
    // One write per line, on a file opened for appending: a reader sees whole lines or none.
    if (write(log_fd_, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
      Die("log");
    }
  }

  void WriteState() {
    if (options_.state.empty()) return;
    std::string text;
    for (const auto& [key, value] : gains_) {
      const auto [mode, kind, level] = key;
      text += std::to_string(mode) + ' ' + std::to_string(kind) + ' ' + std::to_string(level) +
              ' ' + std::to_string(value) + '\n';
    }
    const std::string temporary = options_.state + ".tmp";
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()) ||
        close(fd) != 0 || rename(temporary.c_str(), options_.state.c_str()) != 0) {
      Die(options_.state.c_str());
    }
  }

  // Reads every pending open event of the device node. On an open by anybody, drops what waits
  // unread on the port side and every reply not yet sent.
  void DrainOpens() {
    if (watch_fd_ < 0) return;
    bool opened = false;
    alignas(inotify_event) char events[4096];
    for (;;) {
      const ssize_t n = read(watch_fd_, events, sizeof events);
      if (n <= 0) break;
      for (ssize_t at = 0; at < n;) {
        const auto* event = reinterpret_cast<const inotify_event*>(events + at);
        if (event->mask & IN_OPEN) opened = true;
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      }
    }
    if (!opened) return;
    std::string dropped;
    char chunk[4096];
    for (;;) {
      const ssize_t n = read(slave_, chunk, sizeof chunk);
      if (n <= 0) break;
      dropped.append(chunk, static_cast<std::size_t>(n));
    }
    tcflush(slave_, TCIFLUSH);  // and whatever the line had not yet passed on
    pending_.clear();
    out_.clear();
    Log("OPEN", dropped);
  }

  void ReadCommands() {
    char chunk[4096];
    const ssize_t n = read(master_, chunk, sizeof chunk);
    if (n <= 0) return;
    // An open that came before these bytes is handled before they are answered.
    DrainOpens();
    partial_.append(chunk, static_cast<std::size_t>(n));
    std::size_t end;
    while (master_ >= 0 && !stalled_ && (end = partial_.find('\n')) != std::string::npos) {
      const std::string line = partial_.substr(0, end + 1);
      partial_.erase(0, end + 1);
      Answer(line);
      StallIfDue();
    }
  }

  // What the command line does with normal handling; the effect is applied when `apply`.
  std::string Evaluate(const std::string& line, bool apply) {
    std::string_view command = line;
    while (!command.empty() && (command.back() == '\n' || command.back() == '\r')) {
      command.remove_suffix(1);
    }
    static constexpr std::string_view kOk = "\r\nOK\r\n";
    static constexpr std::string_view kError = "\r\nERROR\r\n";
    if (command.size() == 9 && StartsWithNoCase(command, "AT+ESLP=0")) return std::string(kOk);
    if (command.size() == 4 && StartsWithNoCase(command, "ATE0")) {
      if (apply) echo_ = false;
      return std::string(kOk);
    }
    if (!StartsWithNoCase(command, "AT+EADP=")) return std::string(kError);
    const auto fields = Split(command.substr(8), ',');
    std::vector<long> numbers;
    for (std::size_t i = 0; i < fields.size() && i < 4; ++i) {
      const auto number = ParseDecimal(fields[i], 99);
      if (!number) return std::string(kError);
      numbers.push_back(*number);
    }
    if (numbers.size() != 4) return std::string(kError);
    const GainKey key{int(numbers[1]), int(numbers[2]), int(numbers[3])};
    if (!ValidAddress(int(numbers[1]), int(numbers[2]), int(numbers[3]))) {
      return std::string(kError);
    }
    if (numbers[0] == 0 && fields.size() == 4) {
      return "\r\n+EADP: " + std::to_string(gains_[key]) + "\r\n" + std::string(kOk);
    }
    if (numbers[0] == 1 && fields.size() == 5) {
      const auto value = ParseDecimal(fields[4], 255);
      if (!value) return std::string(kError);
      if (apply) {
        gains_[key] = static_cast<int>(*value);
        WriteState();
      }
      return std::string(kOk);
    }
    return std::string(kError);
  }

  void Answer(const std::string& line) {
    ++commands_;
    Log("RX", line);
    const std::string echo = echo_ ? line : std::string();
    const auto fault_entry = options_.faults.find(commands_);
    if (fault_entry == options_.faults.end()) {
      Queue(echo + Evaluate(line, true), 0);
      return;
    }
    const Fault& fault = fault_entry->second;
    switch (fault.kind) {
      case Fault::Kind::Error:
        Queue(echo + "\r\nERROR\r\n", 0);
        break;
      case Fault::Kind::Silent:
        break;
      case Fault::Kind::Delay:
        Queue(echo + Evaluate(line, true), fault.millis);
        break;
      case Fault::Kind::Nul: {
        std::string reply = echo + Evaluate(line, true);
        const std::size_t crlf = reply.find("\r\n");
        reply.insert(crlf == std::string::npos ? reply.size() : crlf + 2, 1, '\0');
        Queue(reply, 0);
        break;
      }
      case Fault::Kind::Long: {
        std::string reply;
        for (std::size_t i = 0; i + 6 < fault.bytes; ++i) {
          reply += static_cast<char>('A' + i % 26);
        }
        reply += "\r\nOK\r\n";
        Queue(reply, 0);
        break;
      }
      case Fault::Kind::Reply:
        Queue(fault.text, 0);
        break;
      case Fault::Kind::Hangup:
        HangUp();
        break;
      case Fault::Kind::Backlog: {
        std::string backlog;
        while (backlog.size() < fault.bytes) backlog += fault.text;
        backlog.resize(fault.bytes);
        Queue(backlog + echo + Evaluate(line, true), 0);
        break;
      }
      case Fault::Kind::Stall:  // never reached: taken out when the stall began
        Queue(echo + Evaluate(line, true), 0);
        break;
    }
  }

  // Replies leave in the order of their commands: none before the one queued ahead of it.
  void Queue(std::string bytes, long delay_millis) {
    std::int64_t due = MonotonicMillis() + delay_millis;
    if (!pending_.empty()) due = std::max(due, pending_.back().due);
    pending_.push_back({due, std::move(bytes)});
    SendDueReplies();
  }

  void SendDueReplies() {
    if (master_ < 0 || pending_.empty()) return;
    DrainOpens();  // a reply for a port that was opened anew since is dropped
    const std::int64_t now = MonotonicMillis();
    while (!pending_.empty() && pending_.front().due <= now) {
      Log("TX", pending_.front().bytes);
      out_ += pending_.front().bytes;
      pending_.pop_front();
    }
    Flush();
  }

  void Flush() {
    while (!out_.empty()) {
      const ssize_t n = write(master_, out_.data(), out_.size());
      if (n <= 0) return;  // the line is full: the rest goes when it takes more
      out_.erase(0, static_cast<std::size_t>(n));
    }
  }

  // Logged once the line is down: whoever reads HANGUP in the log finds the tool's side hung up.
  void HangUp() {
    CloseLine();
    Log("HANGUP", "");
    if (!options_.link.empty()) OpenLine();
  }

  Options options_;
  bool echo_;
  std::map<GainKey, int> gains_;
  int log_fd_ = -1;
  int master_ = -1;
  int slave_ = -1;
  int watch_fd_ = -1;
  std::string device_;
  long commands_ = 0;
  bool stalled_ = false;              // reading nothing, the line toward the handset full
  std::string partial_;               // received bytes of a command line not yet complete
  std::deque<PendingReply> pending_;  // replies not yet due
  std::string out_;                   // reply bytes due but not yet taken by the line
};

}  // namespace

int main(int argc, char** argv) {
  Handset handset(ParseOptions(argc, argv));
  return handset.Run();
}
