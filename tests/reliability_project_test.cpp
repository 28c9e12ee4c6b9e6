// Bad project files through the loader: huge files, huge lines, random
// bytes, things that are no file, files that change while they are read.
// Each load runs in a child process with a time limit, so that a crash or a
// hang fails the case instead of the test program, and its peak memory is
// compared with the file's size.
#include <fcntl.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <iterator>
#include <string>

#include "platform/exceptions.h"
#include "project/loader.h"
#include "project/tables.h"
#include "reliability_support.h"

namespace reliability {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool Sanitized = true;
#else
constexpr bool Sanitized = false;
#endif

// Writes a file piece by piece, never holding it whole.
class FileWriter {
public:
  explicit FileWriter(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {}
  ~FileWriter() { Close(); }
  FileWriter& operator<<(const std::string& bytes) {
    if (file_ && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) ok_ = false;
    return *this;
  }
  bool Close() {
    if (file_ && std::fclose(file_) != 0) ok_ = false;
    file_ = nullptr;
    return ok_;
  }

private:
  std::FILE* file_;
  bool ok_ = file_ != nullptr;
};

enum class Expect { Loads, Fails, OpenError, LoadsOrFails };

// What the child found, sent back through a pipe.
struct Report {
  int kind = -1;  // 0 loaded, 1 failure code, 2 file-open error, 3 other exception
  int code = 0;
  int pages = 0;
  long docLines = 0;
  size_t longestDocLine = 0;
  size_t titleBytes = 0;
  int32_t firstOffset = -1;
  long peakGrowthKiB = 0;  // ru_maxrss after the load minus before
};

Report LoadInChild(const std::string& path) {
  Report r;
  struct rusage before {};
  ::getrusage(RUSAGE_SELF, &before);
  CreatePageLists();
  ProjectFileName = path;
  try {
    r.code = LoadProject();
    r.kind = r.code == 0 ? 0 : 1;
  } catch (const EFOpenError&) {
    r.kind = 2;
  } catch (...) {
    r.kind = 3;
  }
  r.pages = PageNames->Count();
  for (int p = 0; p < MaxPages; ++p) {
    r.docLines += PageDocs[p]->Count();
    for (const std::string& line : PageDocs[p]->Items()) r.longestDocLine = std::max(r.longestDocLine, line.size());
  }
  if (r.pages > 0 && FlagNames[0]->Count() > 0) r.firstOffset = FlagOffsets[0][0];
  r.titleBytes = ProjectTitle.size();
  struct rusage after {};
  ::getrusage(RUSAGE_SELF, &after);
  r.peakGrowthKiB = after.ru_maxrss - before.ru_maxrss;
  return r;
}

struct BadFile {
  const char* name;
  // Makes the file (or whatever stands at the path) and returns the path.
  std::function<std::string(const ScratchFolder&)> make;
  Expect expect;
  std::function<void(const Report&)> check = nullptr;
  // Something that runs beside the load, in a process of its own, until
  // the load has ended; the load starts once it has called ready().
  using Meanwhile = std::function<void(const std::string& path, const std::function<void()>& ready)>;
  Meanwhile meanwhile = nullptr;
  // The most memory the load may take, in multiples of the file's size.
  // Each line costs a list entry of 32 bytes besides its bytes, so files of
  // lines of a few bytes take more.
  double memoryFactor = 4;
};

void PrintTo(const BadFile& f, std::ostream* os) { *os << f.name; }

// About `bytes` of document lines of 20 to 80 bytes.
std::string DocumentLines(const ScratchFolder& d, size_t bytes, long* lines = nullptr) {
  const std::string path = d / "doc.qmt";
  FileWriter out(path);
  out << "#title\nA long manual\n#tab\nManual\nflag\n$10\n#doc\n";
  std::mt19937 random(7);
  std::string chunk;
  size_t written = 0;
  long count = 0;
  while (written < bytes) {
    chunk.clear();
    while (chunk.size() < (1 << 20)) {
      const size_t length = 20 + random() % 61;
      chunk.append(length, static_cast<char>('a' + count % 26));
      chunk += count % 3 ? "\n" : "\r\n";
      ++count;
    }
    out << chunk;
    written += chunk.size();
  }
  out << "#eodoc\n#end\n";
  EXPECT_TRUE(out.Close());
  if (lines) *lines = count;
  return path;
}

// One line of `bytes` bytes between `before` and `after`.
std::string OneLongLine(const ScratchFolder& d, const std::string& before, char fill, size_t bytes,
                        const std::string& after) {
  const std::string path = d / "long.qmt";
  FileWriter out(path);
  out << before;
  const std::string chunk(1 << 20, fill);
  for (size_t left = bytes; left > 0; left -= std::min(left, chunk.size())) {
    out << chunk.substr(0, std::min(left, chunk.size()));
  }
  out << after;
  EXPECT_TRUE(out.Close());
  return path;
}

std::string RandomBytes(const ScratchFolder& d, size_t bytes, bool zeros, bool lineWise) {
  const std::string path = d / "random.qmt";
  FileWriter out(path);
  std::mt19937_64 random(bytes);
  const char* const words[] = {"#title", "#copy", "#tab", "#doc", "#eodoc", "#end", "", "1", "$FF", "x"};
  std::string chunk;
  for (size_t written = 0; written < bytes; written += chunk.size()) {
    chunk.clear();
    while (chunk.size() < (1 << 16)) {
      if (lineWise && random() % 2) {
        chunk += words[random() % std::size(words)];
        chunk += "\n";
      } else {
        char c = static_cast<char>(random());
        if (!zeros && c == 0) c = '\n';
        chunk += c;
      }
    }
    out << chunk;
  }
  EXPECT_TRUE(out.Close());
  return path;
}

constexpr size_t MiB = 1 << 20;

const BadFile BadFiles[] = {
    {"HundredsOfMegabytesOfDocumentLines",
     [](const ScratchFolder& d) { return DocumentLines(d, (Sanitized ? 100 : 300) * MiB); }, Expect::Loads,
     [](const Report& r) {
       EXPECT_EQ(r.pages, 1);
       EXPECT_GT(r.docLines, 1000000);
       EXPECT_EQ(r.longestDocLine, 80u);
       EXPECT_EQ(r.firstOffset, 16);
     }},
    {"HundredMegabyteDocumentLine",
     [](const ScratchFolder& d) { return OneLongLine(d, "#tab\nP\n#doc\n", 'd', 100 * MiB, "\n#eodoc\n#end\n"); },
     Expect::Loads, [](const Report& r) { EXPECT_EQ(r.longestDocLine, 100 * MiB); }},
    {"HundredMegabyteTitle",
     [](const ScratchFolder& d) { return OneLongLine(d, "#title\n", 't', 100 * MiB, "\n#end\n"); }, Expect::Loads,
     [](const Report& r) { EXPECT_EQ(r.titleBytes, 255u); }},
    // Leading zeros of an offset are as many as the line holds.
    {"HundredMegabyteOffset",
     [](const ScratchFolder& d) { return OneLongLine(d, "#tab\nP\nf\n$", '0', 100 * MiB, "2A\n#end\n"); },
     Expect::Loads, [](const Report& r) { EXPECT_EQ(r.firstOffset, 42); }},
    {"HundredMegabyteNumber",
     [](const ScratchFolder& d) { return OneLongLine(d, "#tab\nP\nf\n", '9', 100 * MiB, "\n#end\n"); },
     Expect::Fails, [](const Report& r) { EXPECT_EQ(r.code, ErrBadOffset); }},
    {"RandomBytes", [](const ScratchFolder& d) { return RandomBytes(d, 8 * MiB, true, false); },
     Expect::LoadsOrFails},
    {"RandomBytesWithoutZeros", [](const ScratchFolder& d) { return RandomBytes(d, 32 * MiB, false, false); },
     Expect::LoadsOrFails},
    {"RandomDirectiveLines", [](const ScratchFolder& d) { return RandomBytes(d, 32 * MiB, false, true); },
     Expect::LoadsOrFails, nullptr, nullptr, 10},
    // The worst case for memory: nothing but empty lines, each an entry of
    // the file's lines and then one of the page's document.
    {"EmptyDocumentLines",
     [](const ScratchFolder& d) { return OneLongLine(d, "#tab\nP\n#doc\n", '\n', 8 * MiB, "#eodoc\n#end\n"); },
     Expect::Loads, [](const Report& r) { EXPECT_EQ(r.docLines, long{8 * MiB}); }, nullptr, 70},
    {"Folder", [](const ScratchFolder& d) { return d.Path(); }, Expect::OpenError},
    {"Fifo",
     [](const ScratchFolder& d) {
       EXPECT_EQ(::mkfifo((d / "pipe.qmt").c_str(), 0644), 0);
       return d / "pipe.qmt";
     },
     Expect::OpenError},
    // A writer that holds the FIFO open and never writes.
    {"FifoWithSilentWriter",
     [](const ScratchFolder& d) {
       EXPECT_EQ(::mkfifo((d / "pipe.qmt").c_str(), 0644), 0);
       return d / "pipe.qmt";
     },
     Expect::OpenError, nullptr,
     [](const std::string& path, const std::function<void()>& ready) {
       ::open(path.c_str(), O_RDWR);
       ready();
       ::pause();
     }},
    {"LinkToFifo",
     [](const ScratchFolder& d) {
       EXPECT_EQ(::mkfifo((d / "pipe").c_str(), 0644), 0);
       EXPECT_EQ(::symlink("pipe", (d / "link.qmt").c_str()), 0);
       return d / "link.qmt";
     },
     Expect::OpenError},
    {"EndlessDevice", [](const ScratchFolder&) { return std::string("/dev/zero"); }, Expect::OpenError},
    {"Terminal", [](const ScratchFolder&) { return std::string("/dev/tty"); }, Expect::OpenError},
    // Emptied and written again, over and over.
    {"RewrittenWhileRead",
     [](const ScratchFolder& d) { return DocumentLines(d, 16 * MiB); }, Expect::LoadsOrFails, nullptr,
     [](const std::string& path, const std::function<void()>& ready) {
       const std::string text = "#tab\nP\nf\n1\n#doc\n" + std::string(MiB, 'r') + "\n";
       ready();
       for (;;) {
         const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC);
         if (fd < 0 || ::write(fd, text.data(), text.size()) < 0) break;
         ::close(fd);
       }
       ::pause();
     }},
};

// Loads `path` in a child process, with `meanwhile` running in another one
// until the load has ended. The child's exit status is 0 when it reported.
ChildResult LoadWhile(const std::string& path, const BadFile::Meanwhile& meanwhile, Report& report) {
  int reportPipe[2];
  int readyPipe[2];
  if (::pipe(reportPipe) != 0 || ::pipe(readyPipe) != 0) return {};
  pid_t beside = -1;
  if (meanwhile) {
    beside = ::fork();
    if (beside == 0) {
      meanwhile(path, [&] { (void)!::write(readyPipe[1], "r", 1); });
      ::_exit(0);
    }
    char byte = 0;
    if (beside < 0 || ::read(readyPipe[0], &byte, 1) != 1) ADD_FAILURE() << "the other process did not start";
  }
  ChildResult child = RunChild(
      [&] {
        const Report r = LoadInChild(path);
        return ::write(reportPipe[1], &r, sizeof r) == sizeof r ? 0 : 1;
      },
      std::chrono::seconds(Sanitized ? 240 : 60));
  if (beside > 0) {
    ::kill(beside, SIGKILL);
    ::waitpid(beside, nullptr, 0);
  }
  if (child.exited && child.status == 0 && ::read(reportPipe[0], &report, sizeof report) != sizeof report) {
    child.status = 2;
  }
  for (int fd : {reportPipe[0], reportPipe[1], readyPipe[0], readyPipe[1]}) ::close(fd);
  return child;
}

class BadProjectFiles : public testing::TestWithParam<BadFile> {};

TEST_P(BadProjectFiles, LoadOrFailWithoutCrashHangOrRunawayMemory) {
  const BadFile& bad = GetParam();
  ScratchFolder folder;
  const std::string path = bad.make(folder);

  Report r;
  const ChildResult child = LoadWhile(path, bad.meanwhile, r);
  ASSERT_TRUE(child.exited && child.status == 0) << child.Describe();
  switch (bad.expect) {
    case Expect::Loads:
      EXPECT_EQ(r.kind, 0) << "code " << r.code;
      break;
    case Expect::Fails:
      EXPECT_EQ(r.kind, 1);
      break;
    case Expect::OpenError:
      EXPECT_EQ(r.kind, 2);
      break;
    case Expect::LoadsOrFails:
      EXPECT_TRUE(r.kind == 0 || r.kind == 1) << "kind " << r.kind;
      break;
  }
  if (r.kind == 1) {
    EXPECT_GE(r.code, ErrTooManyFlags);
    EXPECT_LE(r.code, ErrEndOfFile);
    EXPECT_EQ(r.pages, 0);
    EXPECT_EQ(r.docLines, 0);
  }
  if (bad.check) bad.check(r);

  // The file as it is now: a file that grew meanwhile may have been read
  // that far.
  struct stat st {};
  const bool regular = ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  const off_t size = regular ? st.st_size : 0;

  // Lines of 20 bytes and more cost at most about twice their bytes, and
  // the bytes are held once more while they are cut into lines.
  const double factor = bad.memoryFactor * (Sanitized ? 2 : 1);
  const long limitKiB = static_cast<long>(factor * static_cast<double>(size) / 1024) + 64 * 1024;
  EXPECT_LE(r.peakGrowthKiB, limitKiB) << "file of " << size / 1024 << " KiB";
  RecordProperty("peak_growth_kib", std::to_string(r.peakGrowthKiB));
  RecordProperty("file_kib", std::to_string(size / 1024));
  std::printf("%s: file %lld KiB, outcome %d (code %d), %ld document lines, peak memory growth %ld KiB\n", bad.name,
              static_cast<long long>(size / 1024), r.kind, r.code, r.docLines, r.peakGrowthKiB);
}

INSTANTIATE_TEST_SUITE_P(Loader, BadProjectFiles, testing::ValuesIn(BadFiles),
                         [](const auto& info) { return std::string(info.param.name); });

// Another program appends to the file as fast as it can from the moment
// the loader opens it (up to 256 MiB, to spare the disk): the load takes
// the file as it stood then, instead of chasing its end.
TEST(ChangingProjectFile, GrowingFileIsReadAsItStoodWhenOpened) {
  ScratchFolder folder;
  const std::string path = folder / "growing.qmt";
  // A document section without "#eodoc": every line appended would join it.
  FileWriter out(path);
  out << "#tab\nP\n#doc\n";
  const std::string line = "a line that was there when the file was opened\n";
  const long lines = 300000;
  for (long i = 0; i < lines; ++i) out << line;
  ASSERT_TRUE(out.Close());

  Report r;
  const ChildResult child = LoadWhile(
      path,
      [](const std::string& p, const std::function<void()>& ready) {
        const int fd = ::open(p.c_str(), O_WRONLY | O_APPEND);
        const int watch = ::inotify_init1(IN_CLOEXEC);
        if (fd < 0 || watch < 0 || ::inotify_add_watch(watch, p.c_str(), IN_OPEN) < 0) ::_exit(1);
        ready();
        char event[sizeof(struct inotify_event) + 256];
        if (::read(watch, event, sizeof event) <= 0) ::_exit(1);
        std::string block;
        while (block.size() < MiB) block += "a line appended while the file is read\n";
        for (size_t written = 0; written < 256 * MiB; written += block.size()) {
          if (::write(fd, block.data(), block.size()) <= 0) break;
        }
        ::pause();
      },
      r);
  ASSERT_TRUE(child.exited && child.status == 0) << child.Describe();
  EXPECT_EQ(r.kind, 0);
  EXPECT_EQ(r.docLines, lines);
  EXPECT_EQ(r.longestDocLine, line.size() - 1);
}

}  // namespace
}  // namespace reliability
