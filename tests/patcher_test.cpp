// The target file patcher: the write commands against real files, compared
// byte for byte afterwards.
#include "patcher/patcher.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "project/tables.h"

namespace {

class FakeWindow : public PatcherWindow {
public:
  std::string path;
  int page = -1;
  int flag = -1;
  std::vector<std::string> errors;
  // The dialog's script: whether it is confirmed and with which path.
  bool dialogConfirms = false;
  std::string dialogPath;
  std::vector<std::pair<std::string, int>> dialogShowings;  // title, filter index

  std::string TargetPath() override { return path; }
  void SetTargetPath(const std::string& p) override { path = p; }
  bool ShowOpenDialog(const std::string& title, int filterIndex, std::string& chosen) override {
    dialogShowings.emplace_back(title, filterIndex);
    if (!dialogConfirms) return false;
    chosen = dialogPath;
    return true;
  }
  int SelectedPage() override { return page; }
  int SelectedFlag() override { return flag; }
  void ShowError(const std::string& message) override { errors.push_back(message); }
};

struct Command {
  const char* name;
  void (*run)();
};
const Command kCommands[] = {
    {"WriteSelectedFlag", WriteSelectedFlagCommand},
    {"WriteSelectedPage", WriteSelectedPageCommand},
    {"WriteAllPages", WriteAllPagesCommand},
};

struct FlagSpec {
  int32_t offset;
  int32_t value;
};

// Empties the tables the way a load does, and forgets earlier offsets.
void ResetProject() {
  ClearFlagValues();
  FreePageLists();
  CreatePageLists();
  std::memset(FlagOffsets, 0, sizeof FlagOffsets);
}

// Declares the next page with the given flags, as a load would.
void AddPage(const std::vector<FlagSpec>& flags) {
  const int page = PageNames->Add("page");
  for (const FlagSpec& f : flags) {
    const int flag = FlagNames[page]->Add("flag");
    FlagOffsets[page][flag] = f.offset;
    FlagValues[page][flag] = f.value;
  }
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool Exists(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0;
}

int OpenDescriptorCount() {
  int count = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (readdir(dir) != nullptr) ++count;
    closedir(dir);
  }
  return count;
}

// A fresh folder with a 16-byte target file of distinct bytes 0x80..0x8F.
class PatcherTest : public testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/qmt-patcher-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    target_ = dir_ + "/save.dat";
    for (int i = 0; i < 16; ++i) original_.push_back(static_cast<char>(0x80 + i));
    WriteFile(target_, original_);
    window_.path = target_;
    SetPatcherWindow(&window_);
    ResetProject();
    descriptorsBefore_ = OpenDescriptorCount();
  }
  void TearDown() override {
    EXPECT_EQ(OpenDescriptorCount(), descriptorsBefore_) << "a file was left open";
    SetPatcherWindow(nullptr);
    ResetProject();
    std::string command = "rm -rf '" + dir_ + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
  }

  // The original bytes with `changes` applied.
  std::string Expected(const std::vector<std::pair<size_t, unsigned char>>& changes) const {
    std::string bytes = original_;
    for (auto [at, byte] : changes) bytes[at] = static_cast<char>(byte);
    return bytes;
  }

  std::string dir_;
  std::string target_;
  std::string original_;
  FakeWindow window_;
  int descriptorsBefore_ = 0;
};

// Also with a selection that names no declared flag: an earlier project's
// offsets stay in the table, and must not be written.
TEST_F(PatcherTest, WithoutProjectEveryCommandLeavesTheFileAlone) {
  FlagOffsets[0][0] = 3;
  for (auto [page, flag] : {std::pair{-1, -1}, std::pair{0, 0}, std::pair{0, -1}}) {
    window_.page = page;
    window_.flag = flag;
    for (const Command& c : kCommands) {
      SCOPED_TRACE(std::string(c.name) + " with page " + std::to_string(page) + ", flag " +
                   std::to_string(flag));
      c.run();
      EXPECT_TRUE(window_.errors.empty());
      EXPECT_EQ(ReadFile(target_), original_);
    }
  }
}

TEST_F(PatcherTest, UnopenablePathsShowTheOpenMessageAndCreateNothing) {
  const std::string folder = dir_ + "/folder";
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  const std::string missing = dir_ + "/missing.dat";
  const std::string paths[] = {
      "",
      missing,
      folder,
      dir_ + "/no-such-folder/save.dat",
      " " + target_,  // used as given: the leading blank is part of the name
      target_ + std::string(1, '\0') + "x",
  };
  for (bool loaded : {false, true}) {
    ResetProject();
    if (loaded) AddPage({{0, 1}, {1, 2}});
    window_.page = 0;
    window_.flag = 0;
    for (const std::string& path : paths) {
      for (const Command& c : kCommands) {
        SCOPED_TRACE(std::string(c.name) + " on \"" + path + "\", project loaded: " +
                     (loaded ? "yes" : "no"));
        window_.path = path;
        window_.errors.clear();
        c.run();
        EXPECT_EQ(window_.errors, std::vector<std::string>{TargetOpenFailedMessage});
        EXPECT_EQ(window_.path, path);
      }
    }
  }
  EXPECT_FALSE(Exists(missing));
  EXPECT_FALSE(Exists(" " + target_));
  EXPECT_FALSE(Exists(dir_ + "/no-such-folder"));
  EXPECT_EQ(ReadFile(target_), original_);
}

TEST_F(PatcherTest, WritesTheLowEightBitsAsOneByte) {
  AddPage({{0, 10}, {1, 0}, {2, 255}, {3, 256}, {4, -1}, {5, 0x1234}, {6, 17}});
  WriteAllPagesCommand();
  EXPECT_TRUE(window_.errors.empty());
  // 10 becomes 0x0A with no 0x0D before it, and the length stays.
  EXPECT_EQ(ReadFile(target_),
            Expected({{0, 0x0A}, {1, 0x00}, {2, 0xFF}, {3, 0x00}, {4, 0xFF}, {5, 0x34}, {6, 0x11}}));
}

TEST_F(PatcherTest, FreshProjectWritesZerosAtItsOffsetsOnly) {
  AddPage({{1, 0}, {3, 0}});
  AddPage({{8, 0}, {15, 0}});
  window_.page = 0;
  WriteSelectedPageCommand();
  EXPECT_EQ(ReadFile(target_), Expected({{1, 0}, {3, 0}}));
  WriteAllPagesCommand();
  EXPECT_EQ(ReadFile(target_), Expected({{1, 0}, {3, 0}, {8, 0}, {15, 0}}));
  EXPECT_TRUE(window_.errors.empty());
}

// Each write command against the same two-page project, with a selection.
struct SelectionCase {
  const char* name;
  void (*run)();
  int page;
  int flag;
  std::vector<std::pair<size_t, unsigned char>> changes;
};

class PatcherSelectionTest : public PatcherTest,
                             public testing::WithParamInterface<SelectionCase> {};

TEST_P(PatcherSelectionTest, WritesWhatTheSelectionNames) {
  const SelectionCase& c = GetParam();
  AddPage({{0, 0x10}, {1, 0x11}, {2, 0x12}});
  AddPage({{5, 0x25}, {6, 0x26}});
  AddPage({});  // a page without flags
  window_.page = c.page;
  window_.flag = c.flag;
  c.run();
  EXPECT_TRUE(window_.errors.empty());
  EXPECT_EQ(ReadFile(target_), Expected(c.changes));
}

INSTANTIATE_TEST_SUITE_P(
    Commands, PatcherSelectionTest,
    testing::Values(
        SelectionCase{"FlagOfFirstPage", WriteSelectedFlagCommand, 0, 2, {{2, 0x12}}},
        SelectionCase{"FlagOfSecondPage", WriteSelectedFlagCommand, 1, 0, {{5, 0x25}}},
        SelectionCase{"FlagWithoutFlagSelected", WriteSelectedFlagCommand, 1, -1, {}},
        SelectionCase{"FlagWithoutPageSelected", WriteSelectedFlagCommand, -1, 0, {}},
        SelectionCase{"FlagOfPageWithoutFlags", WriteSelectedFlagCommand, 2, -1, {}},
        SelectionCase{"Page", WriteSelectedPageCommand, 1, 0, {{5, 0x25}, {6, 0x26}}},
        SelectionCase{"PageWithoutPageSelected", WriteSelectedPageCommand, -1, -1, {}},
        SelectionCase{"PageWithoutFlags", WriteSelectedPageCommand, 2, -1, {}},
        SelectionCase{"AllPages", WriteAllPagesCommand, -1, -1,
                      {{0, 0x10}, {1, 0x11}, {2, 0x12}, {5, 0x25}, {6, 0x26}}}),
    [](const testing::TestParamInfo<SelectionCase>& info) { return info.param.name; });

TEST_F(PatcherTest, LaterPageDecidesASharedOffset) {
  AddPage({{4, 0x01}, {4, 0x02}});
  AddPage({{4, 0x03}});
  WriteAllPagesCommand();
  EXPECT_EQ(ReadFile(target_), Expected({{4, 0x03}}));
  window_.page = 0;
  WriteSelectedPageCommand();
  EXPECT_EQ(ReadFile(target_), Expected({{4, 0x02}}));
}

// An offset at or beyond the end grows the file to offset + 1; the gap reads
// as zeros.
TEST_F(PatcherTest, OffsetsPastTheEndGrowTheFile) {
  struct GrowCase {
    int32_t offset;
    off_t size;
  };
  const GrowCase cases[] = {{16, 17}, {100, 101}, {1 << 20, (1 << 20) + 1}, {INT32_MAX, 2147483648LL}};
  for (const GrowCase& g : cases) {
    SCOPED_TRACE(g.offset);
    WriteFile(target_, original_);
    ResetProject();
    AddPage({{g.offset, 0x5A}, {3, 0x33}});
    WriteAllPagesCommand();
    EXPECT_TRUE(window_.errors.empty());
    struct stat st {};
    ASSERT_EQ(stat(target_.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, g.size);
    if (g.size > (1 << 21)) continue;  // the gap of the 2 GiB file is not read back
    std::string expected = Expected({{3, 0x33}});
    expected.resize(static_cast<size_t>(g.offset), '\0');
    expected.push_back(0x5A);
    EXPECT_EQ(ReadFile(target_), expected);
  }
}

TEST_F(PatcherTest, FailedFlushOnCloseIsReported) {
  AddPage({{0, 1}, {1, 2}});
  window_.page = 0;
  window_.flag = 1;
  window_.path = "/dev/full";
  for (const Command& c : kCommands) {
    SCOPED_TRACE(c.name);
    window_.errors.clear();
    c.run();
    EXPECT_EQ(window_.errors, std::vector<std::string>{TargetWriteFailedMessage});
  }
  // Nothing to write, nothing to fail: the open and the close succeed.
  ResetProject();
  window_.errors.clear();
  WriteAllPagesCommand();
  EXPECT_TRUE(window_.errors.empty());
}

// A failed seek (an offset no load would accept) stops the command; what was
// written before it still reaches the file, and the user is told.
TEST_F(PatcherTest, FailedSeekStopsWritingAndIsReported) {
  AddPage({{0, 0x01}, {-1, 0x02}, {2, 0x03}});
  AddPage({{5, 0x04}});
  WriteAllPagesCommand();
  EXPECT_EQ(window_.errors, std::vector<std::string>{TargetWriteFailedMessage});
  EXPECT_EQ(ReadFile(target_), Expected({{0, 0x01}}));

  window_.errors.clear();
  window_.page = 0;
  window_.flag = 1;
  WriteSelectedFlagCommand();
  EXPECT_EQ(window_.errors, std::vector<std::string>{TargetWriteFailedMessage});
  EXPECT_EQ(ReadFile(target_), Expected({{0, 0x01}}));
}

TEST_F(PatcherTest, FunctionsOutsideACommandFindNoStream) {
  EXPECT_EQ(CloseTargetFile(), 0);
  EXPECT_EQ(WriteFlagByte(0, 1), -1);
  EXPECT_EQ(OpenTargetFile(), 0);
  EXPECT_EQ(WriteFlagByte(0, 1), 0);
  EXPECT_EQ(CloseTargetFile(), 0);
  EXPECT_EQ(CloseTargetFile(), 0);
  EXPECT_EQ(WriteFlagByte(1, 1), -1);
  EXPECT_EQ(ReadFile(target_), Expected({{0, 0x01}}));
}

TEST_F(PatcherTest, DialogChoosesTheTargetPath) {
  window_.path = "typed.sav";
  window_.dialogConfirms = false;
  EXPECT_EQ(SelectTargetFile(), -1);
  EXPECT_EQ(window_.path, "typed.sav");

  window_.dialogConfirms = true;
  window_.dialogPath = dir_ + "/chosen.sav";
  EXPECT_EQ(SelectTargetFile(), 0);
  EXPECT_EQ(window_.path, dir_ + "/chosen.sav");
  EXPECT_FALSE(Exists(dir_ + "/chosen.sav"));  // neither opened nor created

  const std::pair<std::string, int> showing{"Open save-data file.", 2};
  EXPECT_EQ(window_.dialogShowings, (std::vector<std::pair<std::string, int>>{showing, showing}));
  EXPECT_TRUE(window_.errors.empty());
}

// Runs `check` in a child process as the user and group nobody (65534) and
// returns its exit status: 0 when every check held.
int RunAsNobody(int (*check)(const std::string&), const std::string& dir) {
  pid_t child = fork();
  if (child == 0) {
    if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(100);
    _exit(check(dir));
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// In the child: every command on `path` shows the open message only.
int CommandsRefuse(FakeWindow& window, const std::string& path) {
  window.path = path;
  for (const Command& c : kCommands) {
    window.errors.clear();
    c.run();
    if (window.errors != std::vector<std::string>{TargetOpenFailedMessage}) return 1;
  }
  return 0;
}

int NobodyChecks(const std::string& dir) {
  FakeWindow window;
  SetPatcherWindow(&window);
  window.page = 0;
  window.flag = 0;
  // Root's file that only root may write, and nobody's own read-only file.
  if (CommandsRefuse(window, dir + "/roots.dat") != 0) return 2;
  if (CommandsRefuse(window, dir + "/readonly.dat") != 0) return 3;
  // A file that everyone may write is written: the refusals above are the
  // permissions' doing.
  window.path = dir + "/shared.dat";
  window.errors.clear();
  WriteSelectedFlagCommand();
  if (!window.errors.empty()) return 4;
  return 0;
}

TEST_F(PatcherTest, FilesWithoutWritePermissionAreRefused) {
  AddPage({{0, 0x42}});
  window_.page = 0;
  window_.flag = 0;

  const std::string readonly = dir_ + "/readonly.dat";
  WriteFile(readonly, original_);
  ASSERT_EQ(chmod(readonly.c_str(), 0444), 0);
  for (const Command& c : kCommands) {
    SCOPED_TRACE(c.name);
    window_.path = readonly;
    window_.errors.clear();
    c.run();
    EXPECT_EQ(window_.errors, std::vector<std::string>{TargetOpenFailedMessage});
  }
  EXPECT_EQ(ReadFile(readonly), original_);

  if (geteuid() != 0) GTEST_SKIP() << "the cases for another user need root";

  const std::string roots = dir_ + "/roots.dat";
  const std::string shared = dir_ + "/shared.dat";
  WriteFile(roots, original_);
  WriteFile(shared, original_);
  ASSERT_EQ(chmod(roots.c_str(), 0644), 0);
  ASSERT_EQ(chmod(shared.c_str(), 0666), 0);
  ASSERT_EQ(chown(readonly.c_str(), 65534, 65534), 0);
  ASSERT_EQ(chmod(dir_.c_str(), 0755), 0);

  EXPECT_EQ(RunAsNobody(NobodyChecks, dir_), 0);
  EXPECT_EQ(ReadFile(roots), original_);
  EXPECT_EQ(ReadFile(readonly), original_);
  EXPECT_EQ(ReadFile(shared), Expected({{0, 0x42}}));
}

}  // namespace
