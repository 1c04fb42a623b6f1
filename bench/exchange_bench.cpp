// How much time each command exchange costs beyond its fixed 100 ms wait.
//
// Starts the simulated handset on a pseudo-terminal with an event log, runs the seven-level Speech
// read and write alternately against it through the operations layer (a window that only keeps
// its boxes), then reads the handset's log: the gap between the arrival of one command and the
// arrival of the next within a row, less the fixed wait, is what an exchange costs beyond it.
// Each row's wall time, from the call to its return, is set against the seven waits. After each
// row the bench sleeps the same wait alone, as many times as the row has gaps: a control that
// shows how late this machine wakes a sleeping process at the time, with no I/O at all. The
// window notes when each reply is taken, which splits every gap into the tool's wait and the
// hand-over of the next command.
//
// Usage: exchange_bench --sim PATH [--runs N] [--log PATH]
// Prints Markdown tables. The exit status is 0 when every row passed and the log matched what was
// sent, whatever the figures are; the targets are shown beside them, never enforced.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "c_escape.h"
#include "ops/operations.h"
#include "protocol/commands.h"
#include "serial/serial_port.h"

namespace gaintool::bench {
namespace {

using ops::OperatorWindow;
using ops::Row;
using Clock = std::chrono::steady_clock;

constexpr double kWaitMs = std::chrono::duration<double, std::milli>(serial::kReplyWait).count();
constexpr int kLevels = 7;
constexpr int kMode = 0;  // normal

// Targets the figures are shown against.
constexpr double kMedianTargetMs = 1.0;
constexpr double kMaxTargetMs = 5.0;
constexpr double kRowTargetMs = 1.01 * kLevels * kWaitMs;

[[noreturn]] void Die(const std::string& message) {
  std::fprintf(stderr, "exchange_bench: %s\n", message.c_str());
  std::exit(1);
}

// Microseconds since the epoch, the clock of the handset's log.
long long EpochMicros() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// A window that keeps the boxes and the verdict and nothing else; it does not paint.
class QuietWindow : public OperatorWindow {
 public:
  std::string port_name;
  std::map<std::pair<Row, int>, std::string> boxes;
  std::string verdict;
  std::string status;
  std::string failure;

  std::string PortName() const override { return port_name; }
  int ModeIndex() const override { return kMode; }
  std::string BoxText(Row row, int level) const override {
    auto it = boxes.find({row, level});
    return it == boxes.end() ? "" : it->second;
  }
  // When each reply was taken: a read stores it in a box, a write in the memo, right after the
  // exchange returns.
  std::vector<long long> taken_micros;

  void SetBoxText(Row row, int level, const std::string& text) override {
    taken_micros.push_back(EpochMicros());
    boxes[{row, level}] = text;
  }
  void SetMemoText(Memo memo, const std::string& bytes) override {
    if (memo == Memo::Write) taken_micros.push_back(EpochMicros());
    memos_[memo] = bytes;
  }
  std::string MemoText(Memo memo) const override {
    auto it = memos_.find(memo);
    return it == memos_.end() ? "" : it->second;
  }
  void ClearVerdict() override { verdict.clear(); }
  void ShowPass(const std::string& text) override {
    verdict = "PASS";
    status = text;
  }
  void ShowFail(const std::string& text) override {
    verdict = "FAIL";
    status = text;
  }
  void ShowStatus(const std::string& text) override { status = text; }
  void RepaintNow() override {}
  void ShowPortFailure(const serial::PortError& cause) override { failure = cause.Describe(); }
  void ShowEmptyValue() override { failure = "empty value box"; }
  void ShowConnectError() override { failure = "connect refused"; }

 private:
  std::map<Memo, std::string> memos_;
};

// The simulated handset as a child process; its first stdout line is its pty path.
class Handset {
 public:
  Handset(const std::string& sim, const std::string& log) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) Die("pipe: " + std::string(std::strerror(errno)));
    pid_ = fork();
    if (pid_ < 0) Die("fork: " + std::string(std::strerror(errno)));
    if (pid_ == 0) {
      dup2(out[1], STDOUT_FILENO);
      execl(sim.c_str(), sim.c_str(), "--log", log.c_str(), "--echo", "off",
            static_cast<char*>(nullptr));
      std::fprintf(stderr, "exchange_bench: cannot run %s: %s\n", sim.c_str(),
                   std::strerror(errno));
      _exit(127);
    }
    close(out[1]);
    out_ = out[0];
    path_ = ReadFirstLine();
    if (path_.empty()) Die("the simulated handset printed no pty path");
  }
  ~Handset() { Stop(); }

  const std::string& PortPath() const { return path_; }

  // Ends the simulator and waits for it, so that its log is complete.
  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    if (out_ >= 0) close(out_);
    out_ = -1;
  }

 private:
  std::string ReadFirstLine() {
    std::string line;
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < deadline) {
      pollfd p{out_, POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      char c;
      if (read(out_, &c, 1) != 1) break;
      if (c == '\n') return line;
      line.push_back(c);
    }
    return {};
  }

  pid_t pid_ = -1;
  int out_ = -1;
  std::string path_;
};

struct Received {
  long long micros;
  std::string command;
};

// The RX events of the handset's log, in order.
std::vector<Received> ReadReceived(const std::string& log) {
  std::ifstream in(log);
  if (!in) Die("cannot read the handset log " + log);
  std::vector<Received> received;
  std::string line;
  while (std::getline(in, line)) {
    const auto tab1 = line.find('\t');
    if (tab1 == std::string::npos) continue;
    const auto tab2 = line.find('\t', tab1 + 1);
    const std::string event =
        line.substr(tab1 + 1, tab2 == std::string::npos ? std::string::npos : tab2 - tab1 - 1);
    if (event != "RX") continue;
    const std::string bytes = tab2 == std::string::npos ? "" : line.substr(tab2 + 1);
    const auto command = handset_sim::Unescape(bytes);
    if (!command) Die("malformed escape in the handset log: " + line);
    received.push_back({std::stoll(line.substr(0, tab1)), *command});
  }
  return received;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Max(const std::vector<double>& values) {
  return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

const char* Met(bool met) {
  return met ? "met" : "NOT met";
}

struct RowRun {
  bool write;
  double wall_ms;
  std::vector<std::string> commands;  // what the row sent, in order
  std::vector<long long> taken;       // when each level's reply was taken
};

int Run(int argc, char** argv) {
  std::string sim;
  std::string log;
  int runs = 20;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--sim" && i + 1 < argc) {
      sim = argv[++i];
    } else if (arg == "--runs" && i + 1 < argc) {
      runs = std::atoi(argv[++i]);
    } else if (arg == "--log" && i + 1 < argc) {
      log = argv[++i];
    } else {
      Die("usage: exchange_bench --sim PATH [--runs N] [--log PATH]");
    }
  }
  if (sim.empty() || runs < 1) Die("usage: exchange_bench --sim PATH [--runs N] [--log PATH]");
  std::string log_dir;
  if (log.empty()) {
    char dir[] = "/tmp/exchange-bench-XXXXXX";
    if (!mkdtemp(dir)) Die("mkdtemp: " + std::string(std::strerror(errno)));
    log_dir = dir;
    log = log_dir + "/handset.log";
  }

  // The handset appends to its log; start from an empty one.
  if (FILE* f = std::fopen(log.c_str(), "w")) {
    std::fclose(f);
  } else {
    Die("cannot write the handset log " + log);
  }
  Handset handset(sim, log);
  QuietWindow window;
  window.port_name = handset.PortPath();
  ops::Operations operations(window);

  std::vector<RowRun> rows;
  std::vector<double> control;
  for (int run = 0; run < runs; ++run) {
    for (bool write : {false, true}) {
      RowRun row{write, 0, {}, {}};
      for (int level = 0; level < kLevels; ++level) {
        // Values the write sends: in range, different from one run to the next.
        const std::string value = std::to_string((run * kLevels + level) % 256);
        if (write) {
          window.boxes[{Row::Speech, level}] = value;
          row.commands.push_back(FormatWriteCommand(kMode, ParamKind::Speech, level, value));
        } else {
          row.commands.push_back(FormatReadCommand(kMode, ParamKind::Speech, level));
        }
      }
      window.taken_micros.clear();
      const auto start = Clock::now();
      if (write) {
        operations.WriteRow(Row::Speech);
      } else {
        operations.ReadRow(Row::Speech);
      }
      row.wall_ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      if (window.verdict != "PASS") {
        Die(std::string(write ? "write" : "read") + " " + std::to_string(run) +
            " did not pass: " + window.verdict + " \"" + window.status + "\" " + window.failure);
      }
      if (window.taken_micros.size() != kLevels) Die("a row did not store seven replies");
      row.taken = window.taken_micros;
      rows.push_back(std::move(row));
      // The control: as many bare waits as the row has gaps, in the same conditions. What they
      // overrun by is the machine's wake-up delay, which every exchange pays too.
      for (int level = 1; level < kLevels; ++level) {
        const auto before = Clock::now();
        std::this_thread::sleep_for(serial::kReplyWait);
        control.push_back(std::chrono::duration<double, std::milli>(Clock::now() - before).count() -
                          kWaitMs);
      }
    }
  }
  handset.Stop();

  // Each row's commands must arrive at the handset in order, nothing between them.
  const std::vector<Received> received = ReadReceived(log);
  const std::size_t expected = rows.size() * kLevels;
  if (received.size() != expected) {
    Die("the handset log holds " + std::to_string(received.size()) + " commands, expected " +
        std::to_string(expected) + " (" + log + ")");
  }
  // Per gap between level k-1 and level k of a row:
  //   waiting   = reply of k-1 taken - arrival of k-1 - the wait: how late the tool's wait ended
  //   hand-over = arrival of k - reply of k-1 taken: judging the reply, formatting and writing
  //               the next command, and the handset waking up to read it.
  // The two add up to the gap less the wait.
  std::vector<double> gaps[2], waiting[2], hand_over[2], walls[2];
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const int w = rows[r].write ? 1 : 0;
    for (int level = 0; level < kLevels; ++level) {
      const Received& got = received[r * kLevels + level];
      if (got.command != rows[r].commands[level]) {
        Die("command " + std::to_string(r * kLevels + level) + " in the handset log differs " +
            "from the one sent (" + log + ")");
      }
      if (level == 0) continue;
      const Received& before = received[r * kLevels + level - 1];
      const long long taken = rows[r].taken[level - 1];
      gaps[w].push_back((got.micros - before.micros) / 1000.0 - kWaitMs);
      waiting[w].push_back((taken - before.micros) / 1000.0 - kWaitMs);
      hand_over[w].push_back((got.micros - taken) / 1000.0);
    }
    walls[w].push_back(rows[r].wall_ms);
  }
  const auto both = [](const std::vector<double>* v) {
    std::vector<double> all = v[0];
    all.insert(all.end(), v[1].begin(), v[1].end());
    return all;
  };
  const std::vector<double> all_gaps = both(gaps);
  const std::vector<double> all_rows = both(walls);

  std::printf(
      "Seven-level Speech row, %d reads and %d writes, alternating, against the simulated\n", runs,
      runs);
  std::printf(
      "handset on a pseudo-terminal. Gap: from one command's arrival at the handset to the\n");
  std::printf(
      "next one's in the same row, less the fixed %.0f ms wait. Control: after each row the\n",
      kWaitMs);
  std::printf(
      "bench sleeps the same wait alone, as often as a row has gaps: how late this machine\n");
  std::printf("wakes a sleeping process at the time, with no I/O at all.\n\n");
  std::printf("| exchanges | gaps | median beyond wait (ms) | max beyond wait (ms) |\n");
  std::printf("|---|---:|---:|---:|\n");
  const auto gap_line = [](const char* name, const std::vector<double>& values) {
    std::printf("| %s | %zu | %.3f | %.3f |\n", name, values.size(), Median(values), Max(values));
  };
  gap_line("read", gaps[0]);
  gap_line("write", gaps[1]);
  gap_line("all", all_gaps);
  gap_line("control: the bare wait", control);

  std::printf(
      "\nWhere the gap goes: waiting = from a command's arrival to its reply being taken,\n");
  std::printf("less the wait; hand-over = from the reply taken to the next command's arrival.\n\n");
  std::printf("| part | median (ms) | max (ms) |\n");
  std::printf("|---|---:|---:|\n");
  const auto part_line = [](const char* name, const std::vector<double>& values) {
    std::printf("| %s | %.3f | %.3f |\n", name, Median(values), Max(values));
  };
  part_line("waiting, read", waiting[0]);
  part_line("waiting, write", waiting[1]);
  part_line("hand-over, read", hand_over[0]);
  part_line("hand-over, write", hand_over[1]);

  std::printf(
      "\n| row (7 levels, port opening included) | rows | median (ms) | max (ms) | "
      "median / 700 ms |\n");
  std::printf("|---|---:|---:|---:|---:|\n");
  const auto row_line = [](const char* name, const std::vector<double>& values) {
    std::printf("| %s | %zu | %.1f | %.1f | %.4f |\n", name, values.size(), Median(values),
                Max(values), Median(values) / (kLevels * kWaitMs));
  };
  row_line("read", walls[0]);
  row_line("write", walls[1]);

  std::printf(
      "\nTargets: median beyond wait < %.0f ms: %s (%.3f); max < %.0f ms: %s (%.3f); "
      "every row within %.0f ms: %s (slowest %.1f).\n",
      kMedianTargetMs, Met(Median(all_gaps) < kMedianTargetMs), Median(all_gaps), kMaxTargetMs,
      Met(Max(all_gaps) < kMaxTargetMs), Max(all_gaps), kRowTargetMs,
      Met(Max(all_rows) <= kRowTargetMs), Max(all_rows));

  if (!log_dir.empty()) {
    std::remove(log.c_str());
    rmdir(log_dir.c_str());
  }
  return 0;
}

}  // namespace
}  // namespace gaintool::bench

int main(int argc, char** argv) {
  return gaintool::bench::Run(argc, argv);
}
