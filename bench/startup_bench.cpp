// The start of qmtedit to its first shown window, on the offscreen platform,
// against a bare Qt window program. Each run starts the program afresh and
// stops the clock when Qt reports that it has painted the top-level window
// and flushed it to the screen (the category qt.widgets.painting, which the
// programs leave to Qt); the program is then killed.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"

extern char** environ;

namespace {

constexpr const char* Marker = "qt.widgets.painting: Flushing top level";

// CPU time of every thread of `pid` so far, in seconds.
double ProcessCpuSeconds(pid_t pid) {
  const std::string dir = "/proc/" + std::to_string(pid) + "/task";
  double total = 0;
  if (DIR* d = ::opendir(dir.c_str())) {
    while (dirent* e = ::readdir(d)) {
      if (e->d_name[0] == '.') continue;
      std::ifstream in(dir + "/" + e->d_name + "/schedstat");
      double ns = 0;
      if (in >> ns) total += ns / 1e9;
    }
    ::closedir(d);
  }
  return total;
}

std::vector<std::string> Environment() {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string v = *e;
    if (v.rfind("QT_QPA_PLATFORM=", 0) == 0 || v.rfind("QT_LOGGING_RULES=", 0) == 0 ||
        v.rfind("QT_MESSAGE_PATTERN=", 0) == 0 || v.rfind("QT_LOGGING_CONF=", 0) == 0)
      continue;
    env.push_back(v);
  }
  env.push_back("QT_QPA_PLATFORM=offscreen");
  env.push_back("QT_LOGGING_RULES=qt.widgets.painting=true");
  return env;
}

struct Run {
  double seconds = 0;     // start to the first flush of the window
  double cpuSeconds = 0;  // CPU time of the program by then
  bool ok = false;
};

Run StartOnce(const std::vector<std::string>& argv) {
  static const std::vector<std::string> env = Environment();
  std::vector<char*> args, envp;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);

  int fds[2];
  if (::pipe(fds) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  posix_spawn_file_actions_addclose(&actions, fds[1]);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  Run run;
  const double start = bench::Now();
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  if (rc != 0) {
    ::close(fds[0]);
    return {};
  }
  std::string pending;
  char buf[4096];
  for (;;) {
    // A program that shows nothing within half a minute has failed.
    pollfd p{fds[0], POLLIN, 0};
    const int ready = ::poll(&p, 1, 30000);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;
    const ssize_t n = ::read(fds[0], buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // the program ended without showing a window
    pending.append(buf, static_cast<size_t>(n));
    if (pending.find(Marker) != std::string::npos) {
      run.seconds = bench::Now() - start;
      run.cpuSeconds = ProcessCpuSeconds(pid);
      run.ok = true;
      break;
    }
    // Keep only a tail that may hold the start of the marker.
    const size_t keep = std::strlen(Marker);
    if (pending.size() > keep) pending.erase(0, pending.size() - keep);
  }
  ::kill(pid, SIGKILL);
  ::close(fds[0]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return run;
}

void BM_Start(benchmark::State& state, std::vector<std::string> argv) {
  double cpu = 0;
  for (auto _ : state) {
    const Run run = StartOnce(argv);
    if (!run.ok) {
      state.SkipWithError("the program showed no window");
      return;
    }
    state.SetIterationTime(run.seconds);
    cpu += run.cpuSeconds;
  }
  state.counters["cpu_ms"] = benchmark::Counter(cpu * 1000, benchmark::Counter::kAvgIterations);
}

}  // namespace

int main(int argc, char** argv) {
  bench::TakeSmokeFlag(argc, argv);
  const std::string target = bench::ScratchDir() + "/sample.sav";
  bench::WriteFile(target, bench::ReadFile(QMT_SOURCE_DIR "/examples/sample.sav"));
  auto tune = [](benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond)->UseManualTime();
    b->Iterations(bench::Smoke() ? 2 : 20);
  };
  tune(benchmark::RegisterBenchmark("Start/bare_window", BM_Start,
                                    std::vector<std::string>{QMT_BARE_WINDOW_PATH}));
  tune(benchmark::RegisterBenchmark("Start/qmtedit", BM_Start, std::vector<std::string>{QMT_QMTEDIT_PATH}));
  tune(benchmark::RegisterBenchmark(
      "Start/qmtedit_sample", BM_Start,
      std::vector<std::string>{QMT_QMTEDIT_PATH, QMT_SOURCE_DIR "/examples/sample.qmt", target}));
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
