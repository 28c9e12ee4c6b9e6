// Faults around the target file through the built `qmt apply`, run as a
// process: each case once without and once with --backup, comparing the
// folders afterwards with what they held before.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "reliability_support.h"

namespace reliability {
namespace {

const std::string Qmt = QMT_BINARY_DIR "/src/cli/qmt";

const std::string Original = "ABCDEFGH";

// Pages 0 and 1 inside an 8-byte target, page 2 far beyond its end.
const std::string Project = "#tab\nP0\nf1\n1\nf3\n3\n#tab\nP1\nf5\n5\n#tab\nP2\nfar\n1000000\n#end\n";
using Writes = std::vector<std::pair<int32_t, unsigned char>>;
const std::vector<std::string> SetInside = {"--set", "0:0=0x11", "--set", "0:1=0x33", "--set", "1:0=0x55"};
const Writes WritesInside = {{1, 0x11}, {3, 0x33}, {5, 0x55}};
const std::vector<std::string> SetFar = {"--set", "0:0=0x11", "--set", "0:1=0x33", "--set", "2:0=0x99"};
const Writes WritesFar = {{1, 0x11}, {3, 0x33}, {1000000, 0x99}};

std::string Patched(std::string bytes, const Writes& writes) {
  for (auto [offset, value] : writes) {
    if (static_cast<size_t>(offset) >= bytes.size()) bytes.resize(static_cast<size_t>(offset) + 1, '\0');
    bytes[static_cast<size_t>(offset)] = static_cast<char>(value);
  }
  return bytes;
}

enum class Outcome { OpenRefused, BackupRefused, WriteFailed, Written };

// Where the target lies: the case's scratch folder or a tiny filesystem
// filled up but for `room` bytes.
struct Place {
  ScratchFolder& folder;
  TinyFilesystem* tiny;
  std::string operator/(const std::string& name) const { return tiny ? *tiny / name : folder / name; }
};

struct CliFault {
  const char* name;
  std::function<std::string(const Place&)> prepare;  // returns TARGET
  Outcome plain;       // without --backup
  Outcome withBackup;  // with --backup
  std::string receiver = "";  // the entry of the target's folder that is written
  bool far = false;           // write the flag beyond the end (with SetFar)
  bool asNobody = false;
  rlim_t fileSizeLimit = 0;  // RLIMIT_FSIZE for qmt, when not 0
  long tinyRoom = -1;        // a tiny filesystem with this much room left
};

void PrintTo(const CliFault& f, std::ostream* os) { *os << f.name; }

std::string Plain(const Place& p, const std::string& name, mode_t mode = 0644) {
  EXPECT_TRUE(WriteBytes(p / name, Original, mode));
  EXPECT_EQ(::chmod((p / name).c_str(), mode), 0);
  return p / name;
}

const std::string OddName = "セーブ データ \"1\" 'a' ＆ ｾｰﾌﾞ.sav ";

const CliFault CliFaultCases[] = {
    {"MissingFile", [](const Place& p) { return p / "missing.sav"; }, Outcome::OpenRefused, Outcome::OpenRefused},
    {"Folder",
     [](const Place& p) {
       EXPECT_EQ(::mkdir((p / "folder").c_str(), 0755), 0);
       return p / "folder";
     },
     Outcome::OpenRefused, Outcome::OpenRefused},
    {"ReadOnly", [](const Place& p) { return Plain(p, "save.sav", 0444); }, Outcome::OpenRefused,
     Outcome::OpenRefused},
    {"OddCharactersInName", [](const Place& p) { return Plain(p, OddName); }, Outcome::Written, Outcome::Written,
     OddName},
    // The file the link points to is written; the link stays a link, and the
    // backup, named after the link, is a plain copy.
    {"SymbolicLink",
     [](const Place& p) {
       Plain(p, "save.sav");
       EXPECT_EQ(::symlink("save.sav", (p / "link.sav").c_str()), 0);
       return p / "link.sav";
     },
     Outcome::Written, Outcome::Written, "save.sav"},
    {"DanglingLink",
     [](const Place& p) {
       EXPECT_EQ(::symlink("absent.sav", (p / "link.sav").c_str()), 0);
       return p / "link.sav";
     },
     Outcome::OpenRefused, Outcome::OpenRefused},
    // Neither holds a byte at an offset; neither may be waited on.
    {"Fifo",
     [](const Place& p) {
       EXPECT_EQ(::mkfifo((p / "pipe").c_str(), 0644), 0);
       return p / "pipe";
     },
     Outcome::WriteFailed, Outcome::BackupRefused},
    {"FullDevice", [](const Place&) { return std::string("/dev/full"); }, Outcome::WriteFailed,
     Outcome::BackupRefused},
    // The file may not grow as far as the last flag: the bytes before it are
    // written, the failure is reported, and the backup stays an exact copy.
    {"FileSizeLimit", [](const Place& p) { return Plain(p, "save.sav"); }, Outcome::WriteFailed,
     Outcome::WriteFailed, "save.sav", true, false, 4096},
    // A full filesystem: bytes in place need no room, a backup does.
    {"FullFilesystem", [](const Place& p) { return Plain(p, "save.sav"); }, Outcome::Written,
     Outcome::BackupRefused, "save.sav", false, false, 0, 0},
    // Room for the backup's one page and no more: the growing write fails
    // after the backup is complete.
    {"RoomForBackupOnly", [](const Place& p) { return Plain(p, "save.sav"); }, Outcome::Written,
     Outcome::WriteFailed, "save.sav", true, false, 0, 4096},
    {"NobodyOnRootsFile", [](const Place& p) { return Plain(p, "save.sav", 0644); }, Outcome::OpenRefused,
     Outcome::OpenRefused, "", false, true},
    // Nobody may write the file but may not add its backup to the folder.
    {"NobodyOnSharedFile", [](const Place& p) { return Plain(p, "save.sav", 0666); }, Outcome::Written,
     Outcome::BackupRefused, "save.sav", false, true},
};

struct QmtRun {
  ChildResult child;
  std::string err;
};

// Runs qmt with `args`, its standard output and error kept outside the
// folders that are compared.
QmtRun RunQmt(const std::vector<std::string>& args, bool asNobody, rlim_t fileSizeLimit) {
  ScratchFolder out("qmt-reliability-out");
  ::chmod(out.Path().c_str(), 0777);
  const std::string errPath = out / "err";
  QmtRun run;
  run.child = RunChild(
      [&] {
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        const int null = ::open("/dev/null", O_WRONLY);
        if (err < 0 || null < 0 || ::dup2(null, 1) < 0 || ::dup2(err, 2) < 0) return 120;
        if (asNobody && !BecomeNobody()) return 121;
        if (fileSizeLimit) {
          ::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead
          const struct rlimit limit {fileSizeLimit, fileSizeLimit};
          if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 122;
        }
        std::vector<std::string> words = args;
        std::vector<char*> argv;
        std::string program = Qmt;
        argv.push_back(program.data());
        for (std::string& w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        return 127;
      },
      std::chrono::seconds(60));
  run.err = ReadBytes(errPath);
  return run;
}

class CliFaults : public testing::TestWithParam<CliFault> {};

TEST_P(CliFaults, ApplyChangesOnlyDeclaredBytesAndReportsFailures) {
  const CliFault& fault = GetParam();
  if ((fault.asNobody || fault.tinyRoom >= 0) && ::geteuid() != 0) GTEST_SKIP() << "needs root";
  ASSERT_EQ(::access(Qmt.c_str(), X_OK), 0) << Qmt;
  for (bool backup : {false, true}) {
    SCOPED_TRACE(backup ? "with --backup" : "without --backup");
    const Outcome outcome = backup ? fault.withBackup : fault.plain;
    ScratchFolder folder;
    ASSERT_EQ(::chmod(folder.Path().c_str(), 0755), 0);
    std::unique_ptr<TinyFilesystem> tiny;
    if (fault.tinyRoom >= 0) {
      tiny = std::make_unique<TinyFilesystem>(64 * 1024);
      if (!tiny->Mounted()) GTEST_SKIP() << "mounting a tmpfs is not allowed here";
    }
    const Place place{folder, tiny.get()};
    const std::string project = folder / "p.qmt";
    ASSERT_TRUE(WriteBytes(project, Project));
    const std::string target = fault.prepare(place);
    if (tiny) {
      ASSERT_TRUE(tiny->Fill(static_cast<size_t>(fault.tinyRoom)));
    }
    const std::string targetFolder = tiny ? *tiny / "" : folder.Path();
    const std::string filler = tiny ? "filler" : "";

    Picture expectedTargets = Take(targetFolder);
    const Picture expectedProjects = Take(folder.Path());
    const std::string targetName = fs::path(target).filename().string();
    const Writes& writes = fault.far ? WritesFar : WritesInside;
    if (outcome == Outcome::Written || outcome == Outcome::WriteFailed) {
      if (!fault.receiver.empty()) {
        const std::string receiver = place / fault.receiver;
        struct stat st {};
        ASSERT_EQ(::stat(receiver.c_str(), &st), 0);
        // A failure stops at the far flag, after the bytes before it.
        const Writes done = outcome == Outcome::Written ? writes : Writes(writes.begin(), writes.end() - 1);
        expectedTargets[fault.receiver] = FileDescription(st.st_mode, Patched(Original, done));
      }
      if (backup && target != "/dev/full") expectedTargets[targetName + ".bak"] = FileDescription(0644, Original);
    }

    std::vector<std::string> args = {"apply", project, target, "--grow"};
    const std::vector<std::string>& sets = fault.far ? SetFar : SetInside;
    args.insert(args.end(), sets.begin(), sets.end());
    if (backup) args.push_back("--backup");
    const QmtRun run = RunQmt(args, fault.asNobody, fault.fileSizeLimit);

    const char* message = outcome == Outcome::OpenRefused     ? "ﾀｰｹﾞｯﾄﾌｧｲﾙが開けませんでした。"
                          : outcome == Outcome::WriteFailed   ? "ﾀｰｹﾞｯﾄﾌｧｲﾙに書き込めませんでした。"
                          : outcome == Outcome::BackupRefused ? "the backup failed, nothing was written"
                                                              : nullptr;
    ASSERT_TRUE(run.child.exited) << run.child.Describe();
    if (message) {
      EXPECT_EQ(run.child.status, 1) << run.err;
      EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    } else {
      EXPECT_EQ(run.child.status, 0) << run.err;
      EXPECT_EQ(run.err, "");
    }
    Picture afterTargets = Take(targetFolder);
    if (!filler.empty()) {  // the filler is the test's own
      afterTargets.erase(filler);
      expectedTargets.erase(filler);
    }
    EXPECT_EQ(afterTargets, expectedTargets) << Differences(expectedTargets, afterTargets);
    if (tiny) {
      const Picture after = Take(folder.Path());
      EXPECT_EQ(after, expectedProjects) << Differences(expectedProjects, after);
    }
    struct stat st {};
    EXPECT_NE(::lstat("/dev/full.bak", &st), 0) << "a backup of a device was made";
  }
}

INSTANTIATE_TEST_SUITE_P(Apply, CliFaults, testing::ValuesIn(CliFaultCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The largest offset: with --grow the file becomes 2 GiB, sparse, and the
// backup holds the 8 bytes it had before.
TEST(CliGrowth, LargestOffsetGrowsSparselyWithExactBackup) {
  ScratchFolder folder;
  const std::string project = folder / "p.qmt";
  const std::string target = folder / "save.sav";
  ASSERT_TRUE(WriteBytes(project, "#tab\nP\nlast\n$7FFFFFFF\n#end\n"));
  ASSERT_TRUE(WriteBytes(target, Original));
  const QmtRun run = RunQmt({"apply", project, target, "--grow", "--backup", "--set", "0:0=0x7f"}, false, 0);
  ASSERT_TRUE(run.child.exited) << run.child.Describe();
  EXPECT_EQ(run.child.status, 0) << run.err;
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, int64_t{INT32_MAX} + 1);
  EXPECT_LT(st.st_blocks * 512, 1 << 20) << "the gap was filled in";
  const int fd = ::open(target.c_str(), O_RDONLY);
  char head[8] = {};
  char last = 0;
  EXPECT_EQ(::pread(fd, head, sizeof head, 0), 8);
  EXPECT_EQ(::pread(fd, &last, 1, INT32_MAX), 1);
  ::close(fd);
  EXPECT_EQ(std::string(head, 8), Original);
  EXPECT_EQ(last, 0x7f);
  EXPECT_EQ(ReadBytes(target + ".bak"), Original);
}

// The commands that only read must not wait on a FIFO either.
TEST(CliFifo, ReadingCommandsDoNotWaitOnAFifo) {
  ScratchFolder folder;
  const std::string project = folder / "p.qmt";
  const std::string pipe = folder / "pipe";
  ASSERT_TRUE(WriteBytes(project, Project));
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"read", project, pipe}, {"apply", "--dry-run", project, pipe, "--all"}}) {
    SCOPED_TRACE(args[0] + " " + args[1]);
    const QmtRun run = RunQmt(args, false, 0);
    // A FIFO has no bytes and no end: "past end" for every flag, or a
    // refusal, but an answer.
    ASSERT_TRUE(run.child.exited) << run.child.Describe();
    EXPECT_TRUE(run.child.status == 0 || run.child.status == 1) << run.err;
  }
  EXPECT_EQ(Take(folder.Path()).size(), 2u);
}

}  // namespace
}  // namespace reliability
