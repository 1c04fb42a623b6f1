// A simulated handset for tests: build/handset-sim started on its own pseudo-terminal, with its
// log and gain table in a temporary folder that the test reads back.
//
// The simulator cannot outlive the test: it gets SIGTERM when the test process ends, however it
// ends, and it ends itself after its own time-out in any case.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace gaintool::testing {

class SimulatedHandset {
 public:
  // One line of the simulator's log.
  struct Event {
    std::int64_t micros = 0;  // microseconds since the epoch
    std::string kind;         // "RX", "TX", "OPEN" or "HANGUP"
    std::string bytes;        // unescaped
  };

  // Starts the simulator with `args` (see tools/handset-sim) plus its own --log and --state in a
  // temporary folder, and waits until it names its device. Throws std::runtime_error when it
  // does not start.
  explicit SimulatedHandset(std::vector<std::string> args = {});
  ~SimulatedHandset();
  SimulatedHandset(const SimulatedHandset&) = delete;
  SimulatedHandset& operator=(const SimulatedHandset&) = delete;

  // The device path of the pseudo-terminal, the port name to open.
  const std::string& PortPath() const { return port_path_; }

  // Every command line received so far, with its line ending, in order.
  std::vector<std::string> ReceivedCommands() const;
  // Waits until at least `count` command lines have been received, and returns them all. Gives up
  // after a few seconds and returns what there is: a synchronisation, not a time limit under test.
  std::vector<std::string> WaitForCommands(std::size_t count) const;

  // Every event of the log so far, in order.
  std::vector<Event> Events() const;
  // Waits, like WaitForCommands, until the log holds at least `count` events of `kind`.
  std::vector<Event> WaitForEvents(std::string_view kind, std::size_t count) const;

  // The value the handset holds for mode, kind and level, in decimal; "" when it holds none.
  std::string StoredValue(int mode, int kind, int level) const;

  // Drops the line at once (SIGUSR1), like the fault hangup, and waits until it is down: the
  // tool's side of the line is hung up when this returns true.
  bool HangUpNow();
  // Stalls the line at once (SIGUSR2), like the fault stall, and waits until the line toward the
  // handset is full: the tool's next write is not taken when this returns true.
  bool StallNow();
  // Waits until the simulator names the device of a new line (it comes back after a hang-up when
  // started with --link), and returns its path; "" when none comes within a few seconds. Each
  // call returns the next one.
  std::string WaitForNextDevice();

  // Ends the simulator (SIGTERM, then SIGKILL when it does not go) and removes its folder.
  // Called by the destructor; later calls do nothing.
  void Stop();

  // The reply of the fault long:BYTES: BYTES-6 filler bytes ('A' + i % 26), then CR LF OK CR LF.
  static std::string LongReply(std::size_t bytes);

 private:
  // Sends `signal_number` and waits for one more `kind` event in the log.
  bool SignalAndWait(int signal_number, std::string_view kind);
  // The next line of the simulator's standard output, without its LF; "" when none comes in time.
  std::string ReadOutputLine(std::chrono::milliseconds limit);

  std::string folder_;
  std::string port_path_;
  pid_t pid_ = -1;
  int output_fd_ = -1;  // the simulator's standard output, kept open so that it can write on
  std::string output_;  // output read but not yet taken as a line
};

}  // namespace gaintool::testing
