#pragma once
// What the benchmarks share: the smoke switch, a scratch folder, generated
// project files and timed child processes.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace bench {

// Takes "--smoke" out of argv: small inputs and a few iterations, only to
// show that every benchmark still builds and runs.
void TakeSmokeFlag(int& argc, char** argv);
bool Smoke();

// A folder for generated inputs, removed when the program ends. It lies
// under $QMT_BENCH_DIR, else $TMPDIR, else /tmp.
const std::string& ScratchDir();
void WriteFile(const std::string& path, std::string_view bytes);
std::string ReadFile(const std::string& path);

// A project file of about `bytes` bytes that is mostly document lines
// (CP932 text of mixed lengths, a few empty lines): 16 pages of 16 flags,
// each page with a document section. `eol` ends every line.
std::string MakeDocProject(size_t bytes, std::string_view eol);

// A project whose first page has a document of `lines` lines; the other
// `pages - 1` pages have three lines each.
std::string MakeBigPageProject(int lines, int pages);

// 16 pages of 16 flags whose offsets are spread over 0 .. span-1.
std::string MakeFlagProject(int64_t span);

// A file of `bytes` bytes, really written (not sparse).
void MakeFilledFile(const std::string& path, int64_t bytes);

// Runs argv[0] (a path) with its arguments, standard output to /dev/null,
// and returns the wall-clock seconds until it ended. Fails the program when
// the child cannot start or ends with another status than `expectStatus`.
double TimeProcess(const std::vector<std::string>& argv, int expectStatus = 0);

// Wall-clock seconds of a monotonic clock.
double Now();

// A field of /proc/self/status in bytes ("VmHWM", "VmRSS").
int64_t ProcStatusBytes(const char* field);

}  // namespace bench
