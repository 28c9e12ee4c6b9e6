// The project file loader on generated files of 1, 16 and 256 MiB, mostly
// document lines, with LF and with CR LF line ends; beside it a plain memchr
// line count over the same bytes, the ceiling of any line cutting. Each load
// row also gives the load's peak memory against the file's size, measured in
// a fresh process.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include "bench/bench_support.h"
#include "project/loader.h"
#include "project/tables.h"

namespace {

constexpr int64_t MiB = 1 << 20;

std::string EolName(int64_t crlf) { return crlf ? "crlf" : "lf"; }

// The generated file for (size, line end), made once.
const std::string& InputPath(int64_t mib, int64_t crlf) {
  static std::map<std::pair<int64_t, int64_t>, std::string> paths;
  auto& path = paths[{mib, crlf}];
  if (path.empty()) {
    path = bench::ScratchDir() + "/doc-" + std::to_string(mib) + "mib-" + EolName(crlf) + ".qmt";
    bench::WriteFile(path, bench::MakeDocProject(static_cast<size_t>(mib * MiB), crlf ? "\r\n" : "\n"));
  }
  return path;
}

// The bytes of the last input asked for; one at a time, to keep the
// benchmark's own memory small.
const std::string& InputBytes(const std::string& path) {
  static std::string cachedPath;
  static std::string bytes;
  if (cachedPath != path) {
    bytes.clear();
    bytes.shrink_to_fit();
    bytes = bench::ReadFile(path);
    cachedPath = path;
  }
  return bytes;
}

// The growth of the resident set from before a load of `path` to its
// high-water mark, in this process, which must have loaded nothing before.
int64_t MeasurePeak(const std::string& path) {
  // Reset the high-water mark to the present resident set.
  if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
    std::fputs("5", f);
    std::fclose(f);
  }
  const int64_t before = bench::ProcStatusBytes("VmRSS");
  ProjectFileName = path;
  if (LoadProject() != 0) return -1;
  return bench::ProcStatusBytes("VmHWM") - before;
}

// The same in a fresh run of this program, so that no free memory of
// earlier loads is reused.
int64_t LoadPeakBytes(const std::string& path) {
  int fds[2];
  if (::pipe(fds) != 0) return -1;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(fds[1], STDOUT_FILENO);
    ::close(fds[0]);
    ::close(fds[1]);
    ::execl("/proc/self/exe", "bench_loader", "--peak-of", path.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  ::close(fds[1]);
  char text[64] = {};
  const ssize_t n = ::read(fds[0], text, sizeof text - 1);
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return n > 0 ? std::strtoll(text, nullptr, 10) : -1;
}

void BM_Load(benchmark::State& state) {
  const std::string& path = InputPath(state.range(0), state.range(1));
  const auto size = static_cast<int64_t>(std::filesystem::file_size(path));
  // The peak first, from a process whose heap holds no earlier load.
  const int64_t peak = LoadPeakBytes(path);
  ProjectFileName = path;
  for (auto _ : state) {
    if (LoadProject() != 0) state.SkipWithError("the load failed");
    benchmark::DoNotOptimize(PageDocs[15]->Count());
  }
  state.SetBytesProcessed(state.iterations() * size);
  state.counters["peak_mem_per_byte"] = static_cast<double>(peak) / static_cast<double>(size);
  state.counters["doc_lines"] = PageDocs[0]->Count() * 16.0;
  // Leave no tables behind for the next benchmark to free.
  FreePageLists();
  CreatePageLists();
}

void BM_MemchrLineCount(benchmark::State& state) {
  const std::string& bytes = InputBytes(InputPath(state.range(0), state.range(1)));
  for (auto _ : state) {
    size_t lines = 0;
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    while (const void* hit = std::memchr(p, '\n', static_cast<size_t>(end - p))) {
      ++lines;
      p = static_cast<const char*>(hit) + 1;
    }
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}

// Each load is followed by the line count over the same bytes, so that the
// two rows of a goal's ratio are measured one right after the other, under
// the same load of the machine.
void Register() {
  for (int64_t mib : bench::Smoke() ? std::vector<int64_t>{1} : std::vector<int64_t>{1, 16, 256}) {
    for (int64_t crlf : {0, 1}) {
      for (auto* b : {benchmark::RegisterBenchmark("Load", BM_Load),
                      benchmark::RegisterBenchmark("MemchrLineCount", BM_MemchrLineCount)}) {
        b->ArgNames({"MiB", "crlf"})->Args({mib, crlf})->Unit(benchmark::kMillisecond)->UseRealTime();
        if (bench::Smoke()) b->Iterations(2);
      }
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--peak-of") == 0) {
    std::printf("%lld\n", static_cast<long long>(MeasurePeak(argv[2])));
    return 0;
  }
  bench::TakeSmokeFlag(argc, argv);
  CreatePageLists();
  Register();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
