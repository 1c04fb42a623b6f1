// Start-up time, resident memory and idle CPU of two window programs, side by side.
//
// On an X display with nothing else on it (no window manager), a program's top-level window maps
// directly as a child of the root window, so a client that selects SubstructureNotify on the root
// is told by a MapNotify event the moment the window is mapped: no polling. For each program the
// bench takes the time from just before the spawn to that event, then sleeps 1 s and reads VmRSS,
// then reads the CPU time the process has used, sleeps 5 s and reads it again. The programs take
// turns, the order swapped every round, and the figures are reported as medians with the ratio of
// the first program to the second.
//
// Usage: startup_bench [--rounds N] [--warmup N] [--output PATH] OURS PEER
// DISPLAY names the display. The programs' own output goes to PATH (appended; default /dev/null).
// Prints Markdown tables; the targets are shown beside the ratios, never enforced. The exit status
// is non-zero only when a measurement could not be made.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace gaintool::bench {
namespace {

constexpr double kMapTimeoutS = 30;
constexpr double kSettleS = 1;  // from the map to the memory reading
constexpr double kIdleS = 5;    // the idle CPU window

// Targets of the first program against the second.
constexpr double kStartupRatioTarget = 0.5;
constexpr double kMemoryRatioTarget = 0.5;

[[noreturn]] void Die(const std::string& message) {
  std::fprintf(stderr, "startup_bench: %s\n", message.c_str());
  std::exit(1);
}

double Now() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

void SleepUntil(double t) {
  const double s = t - Now();
  if (s <= 0) return;
  timespec ts{static_cast<time_t>(s), static_cast<long>((s - static_cast<time_t>(s)) * 1e9)};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

// The _NET_WM_PID of a window, 0 when it has none.
long WindowPid(Display* display, Window window) {
  static const Atom net_wm_pid = XInternAtom(display, "_NET_WM_PID", False);
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  long pid = 0;
  if (XGetWindowProperty(display, window, net_wm_pid, 0, 1, False, XA_CARDINAL, &type, &format,
                         &count, &after, &data) == Success &&
      data) {
    if (type == XA_CARDINAL && format == 32 && count == 1) pid = *reinterpret_cast<long*>(data);
    XFree(data);
  }
  return pid;
}

// VmRSS of a process in KiB, -1 when unreadable.
long ResidentKib(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}

// utime + stime of a process (all its threads) in clock ticks, -1 when unreadable.
long long CpuTicks(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto paren = stat.rfind(')');
  if (paren == std::string::npos) return -1;
  // Fields after the command name start at field 3 (state); utime is field 14, stime field 15.
  std::istringstream fields(stat.substr(paren + 2));
  std::string field;
  long long utime = -1, stime = -1;
  for (int n = 3; n <= 15 && fields >> field; ++n) {
    if (n == 14) utime = std::atoll(field.c_str());
    if (n == 15) stime = std::atoll(field.c_str());
  }
  return utime < 0 || stime < 0 ? -1 : utime + stime;
}

// CPU time in ns and context switches (each one a sleep or a preemption) summed over the threads
// of a process: finer than the clock ticks of utime + stime.
struct ThreadTotals {
  long long run_ns = 0;
  long long switches = 0;
};
ThreadTotals SumThreads(pid_t pid) {
  ThreadTotals totals;
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  DIR* dir = opendir(tasks.c_str());
  if (!dir) return totals;
  while (dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    std::ifstream sched(tasks + "/" + entry->d_name + "/schedstat");
    long long run_ns = 0;
    if (sched >> run_ns) totals.run_ns += run_ns;
    std::ifstream status(tasks + "/" + entry->d_name + "/status");
    std::string line;
    while (std::getline(status, line)) {
      if (line.rfind("voluntary_ctxt_switches:", 0) == 0) {
        totals.switches += std::atoll(line.c_str() + 24);
      } else if (line.rfind("nonvoluntary_ctxt_switches:", 0) == 0) {
        totals.switches += std::atoll(line.c_str() + 27);
      }
    }
  }
  closedir(dir);
  return totals;
}

struct Sample {
  double startup_ms = 0;
  double resident_mib = 0;
  double idle_cpu_ms = 0;    // utime + stime over the idle window
  double idle_run_us = 0;    // the same from the threads' schedstat, in microseconds
  double idle_switches = 0;  // context switches over the idle window
};

void EndProcess(pid_t pid) {
  kill(pid, SIGTERM);
  const double deadline = Now() + 3;
  while (Now() < deadline) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return;
    SleepUntil(Now() + 0.01);
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

std::string g_output = "/dev/null";

// Starts `program`, waits for its top-level window to map, and takes the readings.
Sample Measure(Display* display, const std::string& program) {
  const Window root = DefaultRootWindow(display);
  XSync(display, True);  // drop the events of earlier programs

  char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, g_output.c_str(),
                                   O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  pid_t pid;
  const double start = Now();
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) Die("cannot start " + program + ": " + std::strerror(spawned));

  const int fd = ConnectionNumber(display);
  double mapped = 0;
  while (mapped == 0) {
    while (XPending(display) && mapped == 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type != MapNotify || event.xmap.event != root || event.xmap.override_redirect) {
        continue;
      }
      const double at = Now();
      // A window that names another process is not this program's.
      const long owner = WindowPid(display, event.xmap.window);
      if (owner == 0 || owner == pid) mapped = at;
    }
    if (mapped != 0) break;
    if (waitpid(pid, nullptr, WNOHANG) == pid) Die(program + " ended before mapping a window");
    if (Now() - start > kMapTimeoutS) {
      EndProcess(pid);
      Die(program + " mapped no window within " + std::to_string(kMapTimeoutS) + " s");
    }
    pollfd p{fd, POLLIN, 0};
    poll(&p, 1, 200);  // the timeout only serves to notice a program that ends or hangs
  }

  Sample sample;
  sample.startup_ms = (mapped - start) * 1000;
  SleepUntil(mapped + kSettleS);
  const long rss = ResidentKib(pid);
  const long long ticks0 = CpuTicks(pid);
  const ThreadTotals threads0 = SumThreads(pid);
  const double idle_start = Now();
  SleepUntil(idle_start + kIdleS);
  const long long ticks1 = CpuTicks(pid);
  const ThreadTotals threads1 = SumThreads(pid);
  EndProcess(pid);
  if (rss < 0 || ticks0 < 0 || ticks1 < 0) Die("cannot read /proc of " + program);

  sample.resident_mib = rss / 1024.0;
  sample.idle_cpu_ms = (ticks1 - ticks0) * 1000.0 / sysconf(_SC_CLK_TCK);
  sample.idle_run_us = (threads1.run_ns - threads0.run_ns) / 1000.0;
  sample.idle_switches = static_cast<double>(threads1.switches - threads0.switches);
  return sample;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::vector<double> Column(const std::vector<Sample>& samples, double Sample::*field) {
  std::vector<double> values;
  for (const Sample& s : samples) values.push_back(s.*field);
  return values;
}

std::string BaseName(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

const char* Met(bool met) {
  return met ? "met" : "NOT met";
}

int Run(int argc, char** argv) {
  int rounds = 7;
  int warmup = 1;
  std::vector<std::string> programs;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--rounds" && i + 1 < argc) {
      rounds = std::atoi(argv[++i]);
    } else if (arg == "--warmup" && i + 1 < argc) {
      warmup = std::atoi(argv[++i]);
    } else if (arg == "--output" && i + 1 < argc) {
      g_output = argv[++i];
    } else {
      programs.push_back(arg);
    }
  }
  if (programs.size() != 2 || rounds < 1 || warmup < 0) {
    Die("usage: startup_bench [--rounds N] [--warmup N] [--output PATH] OURS PEER");
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) Die("cannot open the X display (DISPLAY is not set or the server is not up)");
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
  XSync(display, False);

  // A warm-up run of each program, not counted, so that neither pays alone for a cold page cache
  // or for building the font cache.
  for (int w = 0; w < warmup; ++w) {
    for (const std::string& program : programs) Measure(display, program);
  }

  std::vector<Sample> samples[2];
  std::printf(
      "| round | program | start-up to map (ms) | VmRSS at +1 s (MiB) | "
      "CPU in 5 s idle, utime+stime (ms) | same, schedstat (us) | "
      "context switches in 5 s |\n");
  std::printf("|---:|---|---:|---:|---:|---:|---:|\n");
  for (int round = 0; round < rounds; ++round) {
    for (int k = 0; k < 2; ++k) {
      const int which = round % 2 ? 1 - k : k;  // ours first in even rounds, the peer in odd
      const Sample s = Measure(display, programs[which]);
      samples[which].push_back(s);
      std::printf("| %d | %s | %.1f | %.1f | %.0f | %.0f | %.0f |\n", round + 1,
                  BaseName(programs[which]).c_str(), s.startup_ms, s.resident_mib, s.idle_cpu_ms,
                  s.idle_run_us, s.idle_switches);
      std::fflush(stdout);
    }
  }
  XCloseDisplay(display);

  const std::string ours = BaseName(programs[0]);
  const std::string peer = BaseName(programs[1]);
  std::printf("\nMedians over %d rounds (interleaved, order swapped each round):\n\n", rounds);
  std::printf("| measure | %s | %s | %s / %s |\n", ours.c_str(), peer.c_str(), ours.c_str(),
              peer.c_str());
  std::printf("|---|---:|---:|---:|\n");
  struct Measure {
    const char* name;
    double Sample::*field;
    const char* format;
  };
  const Measure measures[] = {
      {"start-up to mapped window (ms)", &Sample::startup_ms, "%.1f"},
      {"VmRSS 1 s after the map (MiB)", &Sample::resident_mib, "%.1f"},
      {"CPU in 5 s idle, utime+stime (ms)", &Sample::idle_cpu_ms, "%.0f"},
      {"CPU in 5 s idle, schedstat (us)", &Sample::idle_run_us, "%.0f"},
      {"context switches in 5 s idle", &Sample::idle_switches, "%.0f"},
  };
  double ratio[5] = {};
  double ours_median[5] = {};
  for (int m = 0; m < 5; ++m) {
    const double a = Median(Column(samples[0], measures[m].field));
    const double b = Median(Column(samples[1], measures[m].field));
    ours_median[m] = a;
    ratio[m] = b != 0 ? a / b : 0;
    std::printf("| %s | ", measures[m].name);
    std::printf(measures[m].format, a);
    std::printf(" | ");
    std::printf(measures[m].format, b);
    if (b != 0) {
      std::printf(" | %.2f |\n", ratio[m]);
    } else {
      std::printf(" | - |\n");
    }
  }
  std::printf(
      "\nTargets: start-up <= %.1f x peer: %s (%.2f); memory <= %.1f x peer: %s (%.2f); "
      "idle CPU zero: %s (median %.0f ms by utime+stime, %.0f us by schedstat, %.0f "
      "context switches).\n",
      kStartupRatioTarget, Met(ratio[0] <= kStartupRatioTarget), ratio[0], kMemoryRatioTarget,
      Met(ratio[1] <= kMemoryRatioTarget), ratio[1], Met(ours_median[2] == 0), ours_median[2],
      ours_median[3], ours_median[4]);
  return 0;
}

}  // namespace
}  // namespace gaintool::bench

int main(int argc, char** argv) {
  return gaintool::bench::Run(argc, argv);
}
