// The main window on the offscreen platform: ShowPage and a tab change, on a
// page whose document has 100,000 lines and on the sample project. A tab
// change is timed as the user sees it: from choosing the tab to the window
// repainted.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTabBar>

#include "app/startup.h"
#include "bench/bench_support.h"
#include "forms/main.h"
#include "platform/application.h"
#include "project/loader.h"
#include "project/tables.h"

namespace {

constexpr int BigLines = 100000;

std::string BigProjectPath() {
  static const std::string path = [] {
    std::string p = bench::ScratchDir() + "/big-page.qmt";
    bench::WriteFile(p, bench::MakeBigPageProject(BigLines, 3));
    return p;
  }();
  return path;
}

std::string SampleProjectPath() { return QMT_SOURCE_DIR "/examples/sample.qmt"; }

bool Load(benchmark::State& state, const std::string& path) {
  ProjectFileName = path;
  if (LoadProject() != 0 || PageNames->Count() < 2) {
    state.SkipWithError("the project did not load");
    return false;
  }
  return true;
}

// Whatever the last step left for later: layout, repaint.
void Settle() { QApplication::processEvents(); }

// Chooses a tab as a click on it does, and lets the window repaint.
void ChooseTab(int index) {
  Form1->TabControl1->Bar()->setCurrentIndex(index);
  Settle();
}

void BM_ShowPage(benchmark::State& state, const std::string& path, int page) {
  if (!Load(state, path)) return;
  Settle();
  for (auto _ : state) {
    ShowPage(page);
    Settle();
  }
  state.counters["doc_lines"] = PageDocs[page]->Count();
}

// Alternates between the page `to` (timed) and the page `from` (not timed).
void BM_TabChange(benchmark::State& state, const std::string& path, int from, int to) {
  if (!Load(state, path)) return;
  ChooseTab(from);
  for (auto _ : state) {
    ChooseTab(to);
    state.PauseTiming();
    ChooseTab(from);
    state.ResumeTiming();
  }
  ChooseTab(to);
  if (Form1->Memo1->Lines().size() != PageDocs[to]->Count()) {
    state.SkipWithError("the memo does not show the page");
  }
  state.counters["doc_lines"] = PageDocs[to]->Count();
}

}  // namespace

int main(int argc, char** argv) {
  bench::TakeSmokeFlag(argc, argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  RegisterResources();
  char* qtArgv[] = {argv[0], nullptr};
  TApplication app(1, qtArgv);
  if (!CreateApplicationForms()) return 1;
  Form1->show();
  Settle();

  // Fixed counts: a tab change away from the long page is quick, but each
  // one needs an untimed change back onto it.
  auto tune = [](benchmark::internal::Benchmark* b, int iterations) {
    b->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(bench::Smoke() ? 2 : iterations);
  };
  const std::string big = BigProjectPath();
  const std::string sample = SampleProjectPath();
  tune(benchmark::RegisterBenchmark("ShowPage/100k_lines", BM_ShowPage, big, 0), 10);
  tune(benchmark::RegisterBenchmark("TabChange/to_100k_lines", BM_TabChange, big, 1, 0), 10);
  tune(benchmark::RegisterBenchmark("TabChange/from_100k_lines", BM_TabChange, big, 0, 1), 10);
  tune(benchmark::RegisterBenchmark("ShowPage/sample", BM_ShowPage, sample, 0), 200);
  tune(benchmark::RegisterBenchmark("TabChange/sample", BM_TabChange, sample, 0, 1), 200);

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  Form1->hide();
  return 0;
}
