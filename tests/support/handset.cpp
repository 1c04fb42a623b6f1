#include "support/handset.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "c_escape.h"

#ifndef GAINTOOL_HANDSET_SIM
#error "GAINTOOL_HANDSET_SIM must name the simulator binary"
#endif

namespace gaintool::testing {

namespace {

constexpr auto kStartLimit = std::chrono::seconds(10);
constexpr auto kWaitLimit = std::chrono::seconds(5);
constexpr auto kPollStep = std::chrono::milliseconds(5);

std::string LogPath(const std::string& folder) {
  return folder + "/handset.log";
}
std::string StatePath(const std::string& folder) {
  return folder + "/handset.state";
}

}  // namespace

SimulatedHandset::SimulatedHandset(std::vector<std::string> args) {
  char folder_template[] = "/tmp/gaintool-handset-XXXXXX";
  if (mkdtemp(folder_template) == nullptr) throw std::runtime_error("mkdtemp failed");
  folder_ = folder_template;

  args.insert(args.begin(), GAINTOOL_HANDSET_SIM);
  for (const std::string& extra :
       {std::string("--log"), LogPath(folder_), std::string("--state"), StatePath(folder_),
        std::string("--timeout"), std::string("300")}) {
    args.push_back(extra);
  }
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  int output[2];
  if (pipe2(output, O_CLOEXEC) != 0) {
    Stop();
    throw std::runtime_error("pipe failed");
  }
  const pid_t parent = getpid();
  pid_ = fork();
  if (pid_ == 0) {
    // Only async-signal-safe calls between fork and exec.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(127);  // the test already ended
    dup2(output[1], STDOUT_FILENO);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(output[1]);
  output_fd_ = output[0];
  if (pid_ < 0) {
    Stop();
    throw std::runtime_error("fork failed");
  }

  // The first line of its output is the device path, printed once it answers.
  const auto limit = std::chrono::steady_clock::now() + kStartLimit;
  std::string line;
  while (line.find('\n') == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        limit - std::chrono::steady_clock::now());
    pollfd fd{output_fd_, POLLIN, 0};
    const int ready = left.count() > 0 ? poll(&fd, 1, static_cast<int>(left.count())) : 0;
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) {
      Stop();
      throw std::runtime_error("the simulated handset did not start: " + std::string(argv[0]));
    }
    char chunk[256];
    const ssize_t n = read(output_fd_, chunk, sizeof chunk);
    if (n <= 0) {
      Stop();
      throw std::runtime_error("the simulated handset ended at start: " + std::string(argv[0]));
    }
    line.append(chunk, static_cast<std::size_t>(n));
  }
  port_path_ = line.substr(0, line.find('\n'));
  output_ = line.substr(line.find('\n') + 1);
}

SimulatedHandset::~SimulatedHandset() {
  Stop();
}

void SimulatedHandset::Stop() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > limit) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
        break;
      }
      std::this_thread::sleep_for(kPollStep);
    }
    pid_ = -1;
  }
  if (output_fd_ >= 0) {
    close(output_fd_);
    output_fd_ = -1;
  }
  if (!folder_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    folder_.clear();
  }
}

bool SimulatedHandset::SignalAndWait(int signal_number, std::string_view kind) {
  const std::size_t before = WaitForEvents(kind, 0).size();
  if (pid_ <= 0 || kill(pid_, signal_number) != 0) return false;
  return WaitForEvents(kind, before + 1).size() > before;
}

bool SimulatedHandset::HangUpNow() {
  return SignalAndWait(SIGUSR1, "HANGUP");
}

bool SimulatedHandset::StallNow() {
  return SignalAndWait(SIGUSR2, "STALL");
}

std::string SimulatedHandset::ReadOutputLine(std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (output_.find('\n') == std::string::npos && output_fd_ >= 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    if (left.count() <= 0) return "";
    pollfd fd{output_fd_, POLLIN, 0};
    const int ready = poll(&fd, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return "";
    char chunk[256];
    const ssize_t n = read(output_fd_, chunk, sizeof chunk);
    if (n <= 0) return "";  // the simulator ended
    output_.append(chunk, static_cast<std::size_t>(n));
  }
  const std::size_t end_of_line = output_.find('\n');
  if (end_of_line == std::string::npos) return "";
  std::string line = output_.substr(0, end_of_line);
  output_.erase(0, end_of_line + 1);
  return line;
}

std::string SimulatedHandset::WaitForNextDevice() {
  return ReadOutputLine(kWaitLimit);
}

std::vector<SimulatedHandset::Event> SimulatedHandset::Events() const {
  std::vector<Event> events;
  std::ifstream log(LogPath(folder_), std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    // Only whole lines: the simulator may be writing the next one.
    const std::string line = text.substr(start, end - start);
    const std::size_t tab1 = line.find('\t');
    const std::size_t tab2 = line.find('\t', tab1 + 1);
    if (tab1 == std::string::npos || tab2 == std::string::npos) {
      throw std::runtime_error("malformed handset log line: " + line);
    }
    auto bytes = handset_sim::Unescape(std::string_view(line).substr(tab2 + 1));
    if (!bytes) throw std::runtime_error("malformed escape in handset log: " + line);
    events.push_back({std::stoll(line.substr(0, tab1)), line.substr(tab1 + 1, tab2 - tab1 - 1),
                      std::move(*bytes)});
  }
  return events;
}

std::vector<SimulatedHandset::Event> SimulatedHandset::WaitForEvents(std::string_view kind,
                                                                     std::size_t count) const {
  const auto limit = std::chrono::steady_clock::now() + kWaitLimit;
  for (;;) {
    std::vector<Event> matching;
    for (Event& event : Events()) {
      if (event.kind == kind) matching.push_back(std::move(event));
    }
    if (matching.size() >= count || std::chrono::steady_clock::now() > limit) return matching;
    std::this_thread::sleep_for(kPollStep);
  }
}

std::vector<std::string> SimulatedHandset::ReceivedCommands() const {
  return WaitForCommands(0);
}

std::vector<std::string> SimulatedHandset::WaitForCommands(std::size_t count) const {
  std::vector<std::string> commands;
  for (Event& event : WaitForEvents("RX", count)) commands.push_back(std::move(event.bytes));
  return commands;
}

std::string SimulatedHandset::StoredValue(int mode, int kind, int level) const {
  std::ifstream state(StatePath(folder_));
  int m, k, l;
  std::string value;
  while (state >> m >> k >> l >> value) {
    if (m == mode && k == kind && l == level) return value;
  }
  return "";
}

std::string SimulatedHandset::LongReply(std::size_t bytes) {
  std::string reply;
  for (std::size_t i = 0; i + 6 < bytes; ++i) reply += static_cast<char>('A' + i % 26);
  return reply + "\r\nOK\r\n";
}

}  // namespace gaintool::testing
