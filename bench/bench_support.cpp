#include "bench/bench_support.h"

#include <fcntl.h>
#include <iconv.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace bench {
namespace {

bool g_smoke = false;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "bench: %s\n", what.c_str());
  std::exit(2);
}

class Scratch {
public:
  Scratch() {
    const char* base = std::getenv("QMT_BENCH_DIR");
    if (!base || !*base) base = std::getenv("TMPDIR");
    if (!base || !*base) base = "/tmp";
    std::string templ = std::string(base) + "/qmt-bench.XXXXXX";
    if (!::mkdtemp(templ.data())) Fail("cannot make a folder under " + std::string(base));
    path_ = templ;
  }
  ~Scratch() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }

private:
  std::string path_;
};

// UTF-8 to code page 932, for the generator's word pool.
std::string ToCp932(std::string_view utf8) {
  iconv_t cd = iconv_open("CP932", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) Fail("no CP932 converter");
  std::string out(utf8.size() * 2 + 4, '\0');
  char* in = const_cast<char*>(utf8.data());
  size_t inLeft = utf8.size();
  char* dst = out.data();
  size_t outLeft = out.size();
  if (iconv(cd, &in, &inLeft, &dst, &outLeft) == static_cast<size_t>(-1)) Fail("CP932 conversion");
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
}

// Pieces of document text; a line joins one to four of them.
const std::vector<std::string>& Pieces() {
  static const std::vector<std::string> pieces = [] {
    const char* utf8[] = {
        "アイテムの所持数を書き換えます。",
        "値がそのまま個数です。",
        "99個までにしてください。",
        "1 で所持、0 で未所持です。",
        "鍵を持たずに北の塔へ入ると、",
        "扉の前から先へ進めなくなるので注意してください。",
        "物語の進み具合を表すフラグです。",
        "ﾌﾗｸﾞの値は 0 から 255 まで。",
        "Values are raw bytes. ",
        "See the notes below. ",
        "0x40: potion count, ",
        "the hero's level (1-99). ",
    };
    std::vector<std::string> out;
    for (const char* s : utf8) out.push_back(ToCp932(s));
    return out;
  }();
  return pieces;
}

void AppendDocLine(std::string& out, std::mt19937& rng, std::string_view eol) {
  const auto& pieces = Pieces();
  if (rng() % 12 == 0) {  // now and then an empty line
    out.append(eol);
    return;
  }
  const unsigned n = 1 + rng() % 4;
  for (unsigned i = 0; i < n; ++i) out.append(pieces[rng() % pieces.size()]);
  out.append(eol);
}

void AppendLine(std::string& out, std::string_view text, std::string_view eol) {
  out.append(text);
  out.append(eol);
}

}  // namespace

void TakeSmokeFlag(int& argc, char** argv) {
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--smoke") == 0) {
      g_smoke = true;
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  argv[argc] = nullptr;
}

bool Smoke() { return g_smoke; }

const std::string& ScratchDir() {
  static Scratch scratch;
  return scratch.path();
}

void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) Fail("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail("cannot read " + path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string MakeDocProject(size_t bytes, std::string_view eol) {
  std::mt19937 rng(12345);
  std::string head;
  AppendLine(head, "; generated for the loader benchmark", eol);
  AppendLine(head, "#title", eol);
  AppendLine(head, ToCp932("ベンチマーク用プロジェクト"), eol);
  AppendLine(head, "#copy", eol);
  AppendLine(head, "qmtedit bench", eol);
  std::string out;
  out.reserve(bytes + 4096);
  out = head;
  const size_t perPage = bytes > out.size() ? (bytes - out.size()) / 16 : 0;
  for (int p = 0; p < 16; ++p) {
    const size_t pageEnd = out.size() + perPage;
    AppendLine(out, "#tab", eol);
    AppendLine(out, ToCp932("ページ") + std::to_string(p), eol);
    for (int f = 0; f < 16; ++f) {
      AppendLine(out, ToCp932("フラグ") + std::to_string(f), eol);
      AppendLine(out, "$" + std::to_string(p * 100 + f), eol);
    }
    AppendLine(out, "#doc", eol);
    while (out.size() + 16 < pageEnd) AppendDocLine(out, rng, eol);
    AppendLine(out, "#eodoc", eol);
  }
  AppendLine(out, "#end", eol);
  return out;
}

std::string MakeBigPageProject(int lines, int pages) {
  std::mt19937 rng(777);
  const std::string_view eol = "\r\n";
  std::string out;
  AppendLine(out, "#title", eol);
  AppendLine(out, ToCp932("長い説明のあるプロジェクト"), eol);
  for (int p = 0; p < pages; ++p) {
    AppendLine(out, "#tab", eol);
    AppendLine(out, ToCp932("ページ") + std::to_string(p), eol);
    for (int f = 0; f < 16; ++f) {
      AppendLine(out, ToCp932("フラグ") + std::to_string(f), eol);
      AppendLine(out, std::to_string(p * 16 + f), eol);
    }
    AppendLine(out, "#doc", eol);
    const int n = p == 0 ? lines : 3;
    for (int i = 0; i < n; ++i) AppendDocLine(out, rng, eol);
    AppendLine(out, "#eodoc", eol);
  }
  AppendLine(out, "#end", eol);
  return out;
}

std::string MakeFlagProject(int64_t span) {
  std::string out;
  const std::string_view eol = "\n";
  AppendLine(out, "#title", eol);
  AppendLine(out, "256 flags", eol);
  const int64_t step = span / 256;
  for (int p = 0; p < 16; ++p) {
    AppendLine(out, "#tab", eol);
    AppendLine(out, "page " + std::to_string(p), eol);
    for (int f = 0; f < 16; ++f) {
      const int64_t i = p * 16 + f;
      AppendLine(out, "flag " + std::to_string(f), eol);
      AppendLine(out, std::to_string(i * step + (i * 7919) % (step > 1 ? step : 1)), eol);
    }
  }
  AppendLine(out, "#end", eol);
  return out;
}

void MakeFilledFile(const std::string& path, int64_t bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) Fail("cannot create " + path);
  std::string block(1 << 20, '\0');
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 31 + 7);
  int64_t left = bytes;
  while (left > 0) {
    const size_t n = static_cast<size_t>(std::min<int64_t>(left, static_cast<int64_t>(block.size())));
    const ssize_t w = ::write(fd, block.data(), n);
    if (w <= 0) {
      if (w < 0 && errno == EINTR) continue;
      Fail("cannot write " + path);
    }
    left -= w;
  }
  // On the disk before any timing: a page still being written back would
  // make the first write into it wait.
  if (::fsync(fd) != 0) Fail("cannot write " + path);
  // Then out of the page cache, so that the warm-up run brings in what qmt
  // reads, as for a save file that was not written a moment ago. Left in the
  // cache as one big sequential write put it there, the file sits in large
  // folios, and the kernel's cost of dirtying a few bytes grows with the
  // folio's size (qmt apply of 256 flags into a 1 GiB file: 11.8 ms after
  // 1 MiB writes, 7.5 ms after 4 KiB writes).
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  if (::close(fd) != 0) Fail("cannot write " + path);
}

double Now() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double TimeProcess(const std::vector<std::string>& argv, int expectStatus) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  const double start = Now();
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) Fail("cannot start " + argv[0] + ": " + std::strerror(rc));
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) Fail("waitpid");
  }
  const double seconds = Now() - start;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != expectStatus) {
    Fail(argv[0] + " ended with status " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1));
  }
  return seconds;
}

int64_t ProcStatusBytes(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const std::string prefix = std::string(field) + ":";
  while (std::getline(in, line)) {
    if (line.rfind(prefix, 0) == 0) return std::stoll(line.substr(prefix.size())) * 1024;
  }
  return -1;
}

}  // namespace bench
