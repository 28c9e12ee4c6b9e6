// qmt as scripts run it: "qmt check" on a 256 MiB project file against
// "wc -l" on the same file, and "qmt apply --all" with 256 flags into a
// 1 MiB and a 1 GiB target, whose times must be the same. Each run is a
// fresh process; the files are in the page cache after the first run.
#include <benchmark/benchmark.h>

#include <map>
#include <string>

#include "bench/bench_support.h"

namespace {

constexpr int64_t MiB = 1 << 20;

const std::string& DocProject(int64_t mib) {
  static std::map<int64_t, std::string> paths;
  std::string& path = paths[mib];
  if (path.empty()) {
    path = bench::ScratchDir() + "/check-" + std::to_string(mib) + "mib.qmt";
    bench::WriteFile(path, bench::MakeDocProject(static_cast<size_t>(mib * MiB), "\n"));
  }
  return path;
}

// A target of `mib` MiB and a project of 256 flags spread over all of it.
std::pair<std::string, std::string> ApplyFiles(int64_t mib) {
  static std::map<int64_t, std::pair<std::string, std::string>> files;
  auto& f = files[mib];
  if (f.first.empty()) {
    const std::string base = bench::ScratchDir() + "/apply-" + std::to_string(mib) + "mib";
    f = {base + ".qmt", base + ".sav"};
    bench::WriteFile(f.first, bench::MakeFlagProject(mib * MiB));
    bench::MakeFilledFile(f.second, mib * MiB);
  }
  return f;
}

void TimeRuns(benchmark::State& state, const std::vector<std::string>& argv) {
  bench::TimeProcess(argv);  // warm the page cache and the binary
  for (auto _ : state) state.SetIterationTime(bench::TimeProcess(argv));
}

void BM_QmtCheck(benchmark::State& state) {
  TimeRuns(state, {QMT_CLI_PATH, "check", DocProject(state.range(0))});
}

void BM_WcL(benchmark::State& state) { TimeRuns(state, {"/usr/bin/wc", "-l", DocProject(state.range(0))}); }

void BM_QmtApplyAll(benchmark::State& state) {
  const auto [project, target] = ApplyFiles(state.range(0));
  TimeRuns(state, {QMT_CLI_PATH, "apply", "--all", project, target});
}

void Tune(benchmark::internal::Benchmark* b) {
  b->Unit(benchmark::kMillisecond)->UseManualTime();
  if (bench::Smoke()) b->Iterations(2);
}

}  // namespace

int main(int argc, char** argv) {
  bench::TakeSmokeFlag(argc, argv);
  const int64_t checkMiB = bench::Smoke() ? 1 : 256;
  const int64_t bigTarget = bench::Smoke() ? 16 : 1024;
  benchmark::RegisterBenchmark("QmtCheck", BM_QmtCheck)->ArgName("MiB")->Arg(checkMiB)->Apply(Tune);
  benchmark::RegisterBenchmark("WcL", BM_WcL)->ArgName("MiB")->Arg(checkMiB)->Apply(Tune);
  benchmark::RegisterBenchmark("QmtApplyAll", BM_QmtApplyAll)->ArgName("target_MiB")->Arg(1)->Arg(bigTarget)->Apply(Tune);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
