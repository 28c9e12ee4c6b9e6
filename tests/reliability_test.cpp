// Faults around the target file, through the patcher's write commands with
// a window of the test's own: after each command the folder is compared
// with what it held before, so that nothing but the declared bytes changes,
// nothing appears or vanishes, and every failure is reported.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "patcher/patcher.h"
#include "project/tables.h"
#include "reliability_support.h"

namespace reliability {
namespace {

class TestWindow : public PatcherWindow {
public:
  std::string path;
  std::string dialogPath;
  int page = 0;
  int flag = 1;
  std::vector<std::string> errors;

  std::string TargetPath() override { return path; }
  void SetTargetPath(const std::string& p) override { path = p; }
  bool ShowOpenDialog(const std::string&, int, std::string& chosen) override {
    chosen = dialogPath;
    return true;
  }
  int SelectedPage() override { return page; }
  int SelectedFlag() override { return flag; }
  void ShowError(const std::string& message) override { errors.push_back(message); }
};

using Writes = std::vector<std::pair<int32_t, unsigned char>>;  // offset, byte

// The project of every case: page 0 with flags at 1 and 3, page 1 with a
// flag at 5; page 0, flag 1 selected.
struct Command {
  const char* name;
  void (*run)();
  Writes writes;
};
const Command Commands[] = {
    {"SelectedFlag", WriteSelectedFlagCommand, {{3, 0x33}}},
    {"SelectedPage", WriteSelectedPageCommand, {{1, 0x11}, {3, 0x33}}},
    {"AllPages", WriteAllPagesCommand, {{1, 0x11}, {3, 0x33}, {5, 0x55}}},
};

void DeclareProject(const std::vector<Writes>& pages) {
  ClearFlagValues();
  FreePageLists();
  CreatePageLists();
  for (const Writes& flags : pages) {
    const int page = PageNames->Add("page");
    for (auto [offset, value] : flags) {
      const int flag = FlagNames[page]->Add("flag");
      FlagOffsets[page][flag] = offset;
      FlagValues[page][flag] = value;
    }
  }
}

const std::string Original = "ABCDEFGH";

std::string Patched(std::string bytes, const Writes& writes) {
  for (auto [offset, value] : writes) {
    if (static_cast<size_t>(offset) >= bytes.size()) bytes.resize(static_cast<size_t>(offset) + 1, '\0');
    bytes[static_cast<size_t>(offset)] = static_cast<char>(value);
  }
  return bytes;
}

enum class Outcome { OpenRefused, WriteFailed, Written };

struct TargetFault {
  const char* name;
  // Makes the files and returns the path the user chooses.
  std::function<std::string(const ScratchFolder&)> prepare;
  // What happens to the files after the choice, before the command.
  std::function<void(const ScratchFolder&, const std::string& chosen)> meanwhile;
  Outcome outcome;
  // For Written: the entry of the folder that must receive the bytes.
  std::string receiver = "";
  bool asNobody = false;
};

void PrintTo(const TargetFault& f, std::ostream* os) { *os << f.name; }

std::string Plain(const ScratchFolder& d, const std::string& name, mode_t mode = 0644) {
  EXPECT_TRUE(WriteBytes(d / name, Original, mode));
  EXPECT_EQ(::chmod((d / name).c_str(), mode), 0);  // not narrowed by the umask
  return d / name;
}

void Relink(const std::string& target, const std::string& link) {
  ::unlink(link.c_str());
  EXPECT_EQ(::symlink(target.c_str(), link.c_str()), 0) << std::strerror(errno);
}

const std::string OddName = "セーブ データ \"1\" 'a' ＆ ｾｰﾌﾞ.sav ";

const TargetFault TargetFaultCases[] = {
    {"MissingFile", [](const ScratchFolder& d) { return d / "missing.sav"; }, nullptr, Outcome::OpenRefused},
    {"MissingFolder", [](const ScratchFolder& d) { return d / "no-folder/save.sav"; }, nullptr,
     Outcome::OpenRefused},
    {"Folder",
     [](const ScratchFolder& d) {
       EXPECT_EQ(::mkdir((d / "folder").c_str(), 0755), 0);
       return d / "folder";
     },
     nullptr, Outcome::OpenRefused},
    {"ReadOnly", [](const ScratchFolder& d) { return Plain(d, "save.sav", 0444); }, nullptr, Outcome::OpenRefused},
    {"DeletedAfterChoice", [](const ScratchFolder& d) { return Plain(d, "save.sav"); },
     [](const ScratchFolder&, const std::string& p) { EXPECT_EQ(::unlink(p.c_str()), 0); }, Outcome::OpenRefused},
    {"ReplacedByFolderAfterChoice", [](const ScratchFolder& d) { return Plain(d, "save.sav"); },
     [](const ScratchFolder&, const std::string& p) {
       EXPECT_EQ(::unlink(p.c_str()), 0);
       EXPECT_EQ(::mkdir(p.c_str(), 0755), 0);
     },
     Outcome::OpenRefused},
    // The path is read afresh by the command: the file now under that name
    // is written, and the one it replaced (still reachable through a second
    // name) keeps its bytes.
    {"ReplacedAfterChoice", [](const ScratchFolder& d) { return Plain(d, "save.sav"); },
     [](const ScratchFolder& d, const std::string& p) {
       EXPECT_EQ(::link(p.c_str(), (d / "old.keep").c_str()), 0);
       EXPECT_TRUE(WriteBytes(d / "new.tmp", Original));
       EXPECT_EQ(::rename((d / "new.tmp").c_str(), p.c_str()), 0);
     },
     Outcome::Written, "save.sav"},
    {"LinkedAwayAfterChoice", [](const ScratchFolder& d) { return Plain(d, "save.sav"); },
     [](const ScratchFolder& d, const std::string& p) {
       Plain(d, "other.sav");
       Relink("other.sav", p);
     },
     Outcome::Written, "other.sav"},
    {"OddCharactersInName", [](const ScratchFolder& d) { return Plain(d, OddName); }, nullptr, Outcome::Written,
     OddName},
    {"SymbolicLink",
     [](const ScratchFolder& d) {
       Plain(d, "save.sav");
       Relink("save.sav", d / "link.sav");
       return d / "link.sav";
     },
     nullptr, Outcome::Written, "save.sav"},
    {"LinkToLink",
     [](const ScratchFolder& d) {
       Plain(d, "save.sav");
       Relink("save.sav", d / "link1");
       Relink(d / "link1", d / "link2");
       return d / "link2";
     },
     nullptr, Outcome::Written, "save.sav"},
    {"DanglingLink",  // must not create the file it names
     [](const ScratchFolder& d) {
       Relink("absent.sav", d / "link.sav");
       return d / "link.sav";
     },
     nullptr, Outcome::OpenRefused},
    {"LinkToFolder",
     [](const ScratchFolder& d) {
       EXPECT_EQ(::mkdir((d / "folder").c_str(), 0755), 0);
       Relink("folder", d / "link");
       return d / "link";
     },
     nullptr, Outcome::OpenRefused},
    {"LinkLoop",
     [](const ScratchFolder& d) {
       Relink("b", d / "a");
       Relink("a", d / "b");
       return d / "a";
     },
     nullptr, Outcome::OpenRefused},
    {"Fifo",  // opens without waiting, but no byte can be placed in it
     [](const ScratchFolder& d) {
       EXPECT_EQ(::mkfifo((d / "pipe").c_str(), 0644), 0);
       return d / "pipe";
     },
     nullptr, Outcome::WriteFailed},
    {"FullDevice", [](const ScratchFolder&) { return std::string("/dev/full"); }, nullptr, Outcome::WriteFailed},
    // An ordinary user: another user's file, one's own read-only file, a
    // file in a folder one may not enter, and, to show that the refusals
    // are the permissions' doing, a file everyone may write.
    {"NobodyOnRootsFile", [](const ScratchFolder& d) { return Plain(d, "save.sav", 0644); }, nullptr,
     Outcome::OpenRefused, "", true},
    {"NobodyOnOwnReadOnlyFile",
     [](const ScratchFolder& d) {
       const std::string p = Plain(d, "save.sav", 0444);
       EXPECT_EQ(::chown(p.c_str(), NobodyId, NobodyId), 0);
       return p;
     },
     nullptr, Outcome::OpenRefused, "", true},
    {"NobodyInClosedFolder",
     [](const ScratchFolder& d) {
       EXPECT_EQ(::mkdir((d / "closed").c_str(), 0700), 0);
       return Plain(d, "closed/save.sav", 0666);
     },
     nullptr, Outcome::OpenRefused, "", true},
    {"NobodyOnSharedFile", [](const ScratchFolder& d) { return Plain(d, "save.sav", 0666); }, nullptr,
     Outcome::Written, "save.sav", true},
};

class TargetFaults : public testing::TestWithParam<TargetFault> {
protected:
  void SetUp() override {
    SetPatcherWindow(&window_);
    DeclareProject({{{1, 0x11}, {3, 0x33}}, {{5, 0x55}}});
  }
  void TearDown() override { SetPatcherWindow(nullptr); }

  TestWindow window_;
};

TEST_P(TargetFaults, OnlyDeclaredBytesChangeAndFailuresAreReported) {
  const TargetFault& fault = GetParam();
  if (fault.asNobody && ::geteuid() != 0) GTEST_SKIP() << "changing to another user needs root";
  for (const Command& command : Commands) {
    SCOPED_TRACE(command.name);
    ScratchFolder folder;
    ASSERT_EQ(::chmod(folder.Path().c_str(), 0755), 0);
    window_.path = "typed before";
    window_.dialogPath = fault.prepare(folder);
    ASSERT_EQ(SelectTargetFile(), 0);
    ASSERT_EQ(window_.path, window_.dialogPath);
    if (fault.meanwhile) fault.meanwhile(folder, window_.path);

    Picture expected = Take(folder.Path());
    if (fault.outcome == Outcome::Written) {
      const std::string receiver = folder / fault.receiver;
      struct stat st {};
      ASSERT_EQ(::stat(receiver.c_str(), &st), 0);
      expected[fault.receiver] = FileDescription(st.st_mode, Patched(ReadBytes(receiver), command.writes));
    }
    const std::vector<std::string> expectedErrors =
        fault.outcome == Outcome::Written       ? std::vector<std::string>{}
        : fault.outcome == Outcome::OpenRefused ? std::vector<std::string>{TargetOpenFailedMessage}
                                                : std::vector<std::string>{TargetWriteFailedMessage};

    window_.errors.clear();
    if (fault.asNobody) {
      const ChildResult child = RunChild(
          [&] {
            if (!BecomeNobody()) return 10;
            command.run();
            return window_.errors == expectedErrors ? 0 : 11;
          },
          std::chrono::seconds(30));
      EXPECT_TRUE(child.exited && child.status == 0) << child.Describe() << " (11: other messages)";
    } else {
      command.run();
      EXPECT_EQ(window_.errors, expectedErrors);
    }
    const Picture after = Take(folder.Path());
    EXPECT_EQ(after, expected) << Differences(expected, after);
  }
}

INSTANTIATE_TEST_SUITE_P(Patcher, TargetFaults, testing::ValuesIn(TargetFaultCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The largest offset a project can declare: the file grows to 2 GiB without
// its gap taking room on the disk, and without a failure.
TEST(TargetGrowth, LargestOffsetGrowsTheFileSparsely) {
  ScratchFolder folder;
  TestWindow window;
  SetPatcherWindow(&window);
  const std::string target = Plain(folder, "save.sav");
  window.path = target;
  DeclareProject({{{INT32_MAX, 0x7F}, {2, 0x22}}});
  WriteAllPagesCommand();
  SetPatcherWindow(nullptr);
  EXPECT_TRUE(window.errors.empty());

  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, int64_t{INT32_MAX} + 1);
  EXPECT_LT(st.st_blocks * 512, 1 << 20) << "the gap was filled in";
  const int fd = ::open(target.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  char head[8] = {};
  char tail[2] = {};
  EXPECT_EQ(::pread(fd, head, sizeof head, 0), 8);
  EXPECT_EQ(::pread(fd, tail, sizeof tail, INT32_MAX - 1), 2);
  ::close(fd);
  EXPECT_EQ(std::string(head, 8), Patched(Original, {{2, 0x22}}));
  EXPECT_EQ(std::string(tail, 2), std::string("\0\x7F", 2));
  EXPECT_EQ(Take(folder.Path()).size(), 1u);
}

// A device that is full: bytes inside the file still go in place, but a byte
// that needs new room fails, is reported, and stops the command; the file
// keeps its length and the bytes after the failure are not written.
TEST(TargetGrowth, FullFilesystemFailsOnlyWhereRoomIsNeeded) {
  TinyFilesystem tiny(64 * 1024);
  if (!tiny.Mounted()) GTEST_SKIP() << "mounting a tmpfs is not allowed here";
  const std::string target = tiny / "save.sav";
  ASSERT_TRUE(WriteBytes(target, Original));
  ASSERT_TRUE(tiny.Fill(0));

  TestWindow window;
  SetPatcherWindow(&window);
  window.path = target;
  DeclareProject({{{2, 0x22}, {6, 0x66}}});
  WriteAllPagesCommand();
  EXPECT_TRUE(window.errors.empty());
  EXPECT_EQ(ReadBytes(target), Patched(Original, {{2, 0x22}, {6, 0x66}}));

  DeclareProject({{{1, 0x11}, {1 << 20, 0x99}, {4, 0x44}}});
  WriteAllPagesCommand();
  SetPatcherWindow(nullptr);
  EXPECT_EQ(window.errors, std::vector<std::string>{TargetWriteFailedMessage});
  EXPECT_EQ(ReadBytes(target), Patched(Original, {{1, 0x11}, {2, 0x22}, {6, 0x66}}));
}

}  // namespace
}  // namespace reliability
