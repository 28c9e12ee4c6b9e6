// One load from start to end: what the window is told, the error box, what
// a reload keeps, files that cannot be read, and where a load stopped.
#include <gtest/gtest.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/exceptions.h"
#include "project_test_support.h"

namespace qmt_test {
namespace {

using Calls = std::vector<std::string>;

const Calls EmptiedWindow = {"tabs:", "title:", "value", "page:0"};

TEST_F(LoaderTest, SuccessRefreshesWindowInOrder) {
  ASSERT_EQ(Load("#title\nT\n#tab\nA\n#tab\nB\n#end"), 0);
  EXPECT_EQ(window.calls, (Calls{"title:T", "tabs:A|B", "repaint", "page:0", "value"}));
}

TEST_F(LoaderTest, ProjectWithoutPagesStillRefreshesWindow) {
  ASSERT_EQ(Load("#end"), 0);
  EXPECT_EQ(window.calls, (Calls{"title:", "tabs:", "repaint", "page:0", "value"}));
  EXPECT_EQ(ProjectCredit, "");
}

struct FailureCase {
  const char* name;
  std::string text;
  int code;
  const char* message;
  int stop_line;
};

class Failures : public LoaderTest, public ::testing::WithParamInterface<FailureCase> {};

// Each failure empties the project and the window first and then shows
// its one message; the successful refresh never happens.
TEST_P(Failures, EmptyProjectAndWindowThenShowMessage) {
  const FailureCase& c = GetParam();
  ASSERT_EQ(Load("#tab\nOld\nf\n5\n#end"), 0);
  FlagValues[0][0] = 77;

  EXPECT_EQ(Load(c.text), c.code);
  Calls expected = EmptiedWindow;
  expected.push_back("box");
  EXPECT_EQ(window.calls, expected);
  EXPECT_EQ(window.boxes, std::vector<std::string>{c.message});
  EXPECT_EQ(window.pages_at_box, 0);
  EXPECT_EQ(window.credit_at_box, NotLoadedCredit);
  EXPECT_EQ(LoadStopLine(), c.stop_line);
  EXPECT_EQ(Dump(), "");
  EXPECT_TRUE(AllValuesZero());
  EXPECT_EQ(ProjectLines, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Project, Failures,
    ::testing::Values(
        FailureCase{"EndOfFileAfterPageName", "#tab\nA", ErrEndOfFile, MsgEndOfFile, 2},
        FailureCase{"EndOfFileAfterBlankLines", "#tab\nA\nf\n1\n\n\n\n", ErrEndOfFile, MsgEndOfFile, 7},
        FailureCase{"BadOffset", "#title\nT\n#tab\nA\nf\n1\ng\nx\n#end", ErrBadOffset, MsgBadOffset, 8},
        FailureCase{"NegativeOffsetLikeEndOfFile", "#tab\nA\nf\n-1\n#end", ErrBadOffset, MsgBadOffset, 4},
        FailureCase{"NegativeOffsetLikeTooManyPages", "#tab\nA\nf\n-3\n#end", ErrBadOffset, MsgBadOffset, 4},
        FailureCase{"NegativeOffsetLikeNoCode", "#tab\nA\nf\n-100\n#end", ErrBadOffset, MsgBadOffset, 4},
        FailureCase{"TooManyPages", [] {
                      std::string s;
                      for (int i = 0; i < 17; ++i) s += "#tab\n\nP" + std::to_string(i) + "\n";
                      return s + "#end";
                    }(),
                    ErrTooManyPages, MsgTooManyPages, 51},
        FailureCase{"TooManyFlags", [] {
                      std::string s = "#tab\nA\n";
                      for (int i = 0; i < 17; ++i) s += "\nf\n1\n";
                      return s + "#end";
                    }(),
                    ErrTooManyFlags, MsgTooManyFlags, 52}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LoadErrorMessage, GivesTheTextOfEachCode) {
  EXPECT_EQ(LoadErrorMessage(ErrEndOfFile), MsgEndOfFile);
  EXPECT_EQ(LoadErrorMessage(ErrBadOffset), MsgBadOffset);
  EXPECT_EQ(LoadErrorMessage(ErrTooManyPages), MsgTooManyPages);
  EXPECT_EQ(LoadErrorMessage(ErrTooManyFlags), MsgTooManyFlags);
}

TEST_F(LoaderTest, WithoutWindowNothingIsShownButTheCodeReturns) {
  SetLoaderWindow(nullptr);
  EXPECT_EQ(Load("#tab\nA"), ErrEndOfFile);
  EXPECT_EQ(ProjectCredit, NotLoadedCredit);
  EXPECT_EQ(Load("#tab\nA\n#end"), 0);
  EXPECT_EQ(Dump(), "A{}");
  EXPECT_TRUE(window.calls.empty());
}

// ---- Reloading ------------------------------------------------------------

TEST_F(LoaderTest, ReloadGivesSameTablesWithValuesBackToZero) {
  const std::string text = "#copy\nC\n#tab\nA\nf\n1\ng\n2\n#doc\nd\n#eodoc\n#tab\nB\nh\n3\n#end";
  ASSERT_EQ(Load(text), 0);
  const std::string first = Dump();
  FlagValues[0][1] = 200;
  FlagValues[1][0] = 9;
  FlagValues[15][15] = 1;

  ASSERT_EQ(Load(text), 0);
  EXPECT_EQ(Dump(), first);
  EXPECT_TRUE(AllValuesZero());
  EXPECT_EQ(ProjectCredit, "C");
}

TEST_F(LoaderTest, TitleCarriesOverToFileWithoutTitle) {
  ASSERT_EQ(Load("#title\nFirst\n#copy\nC\n#end"), 0);
  ASSERT_EQ(Load("#tab\nA\n#end"), 0);
  EXPECT_EQ(ProjectTitle, "First");
  EXPECT_EQ(window.calls.front(), "title:First");
  EXPECT_EQ(ProjectCredit, "");  // the credit is not carried over
}

TEST_F(LoaderTest, TitleOfFailedFileStaysButLabelIsEmptied) {
  EXPECT_EQ(Load("#title\nBroken\n#tab\nA"), ErrEndOfFile);
  EXPECT_EQ(ProjectTitle, "Broken");
  EXPECT_EQ(window.calls[1], "title:");
}

TEST_F(LoaderTest, CorrectFileLoadsAfterFailedOne) {
  ASSERT_EQ(Load("#tab\nA\nf\nbad\n#end"), ErrBadOffset);
  ASSERT_EQ(Load("#tab\nA\nf\n7\n#end"), 0);
  EXPECT_EQ(Dump(), "A{f=7}");
  EXPECT_EQ(window.calls, (Calls{"title:", "tabs:A", "repaint", "page:0", "value"}));
}

// ---- Title and credit longer than their buffers ----------------------------

TEST_F(LoaderTest, LongTitleAndCreditAreCutAtCharacterBoundary) {
  // 253 ASCII bytes, then double-byte characters: the cut falls after the
  // first of them (255 bytes), not inside the second.
  const std::string title = std::string(253, 't') + "\x82\xa0\x82\xa2\x82\xa4";
  // 254 ASCII bytes, then a double-byte character that would end at 256.
  const std::string credit = std::string(254, 'c') + "\x95\x5c" + "tail";
  ASSERT_EQ(Load("#title\n" + title + "\n#copy\n" + credit + "\n#end"), 0);
  EXPECT_EQ(ProjectTitle, title.substr(0, 255));
  EXPECT_EQ(ProjectCredit, credit.substr(0, 254));
  EXPECT_EQ(window.calls.front(), "title:" + title.substr(0, 255));
}

struct CutCase {
  const char* name;
  std::string text;
  size_t kept;
};

class TextBuffer : public ::testing::TestWithParam<CutCase> {};

TEST_P(TextBuffer, CutsToAtMost255BytesOfWholeCharacters) {
  std::string buffer = "previous";
  CopyToTextBuffer(buffer, GetParam().text);
  EXPECT_EQ(buffer, GetParam().text.substr(0, GetParam().kept));
}

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Project, TextBuffer,
    ::testing::Values(
        CutCase{"Empty", "", 0}, CutCase{"Short", "abc", 3}, CutCase{"Exactly255", std::string(255, 'a'), 255},
        CutCase{"Ascii256", std::string(256, 'a'), 255}, CutCase{"Ascii1000", std::string(1000, 'a'), 255},
        CutCase{"PairEndsAt255", std::string(253, 'a') + "\x82\xa0zz", 255},
        CutCase{"PairWouldEndAt256", std::string(254, 'a') + "\x82\xa0", 254},
        // Trail bytes that are themselves lead bytes: only a walk from the
        // start knows that byte 254 is the second half of a pair here.
        CutCase{"TrailLooksLikeLead", "a" + Repeat("\x81\x81", 130), 255},
        CutCase{"TrailLooksLikeLeadEven", Repeat("\x81\x81", 130), 254},
        CutCase{"HalfWidthKatakanaAreSingle", std::string(254, 'a') + "\xb1\xb1", 255},
        CutCase{"LoneLeadByteAtEndKept", std::string(254, 'a') + "\x82", 255},
        CutCase{"LeadBytesE0ToFC", std::string(254, 'a') + "\xfc\x40", 254},
        CutCase{"ByteA0IsSingle", std::string(254, 'a') + "\xa0\xa0", 255}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Files that cannot be read ----------------------------------------------

struct OpenCase {
  const char* name;
  std::string (*make)(const ScratchDir&);  // returns the path to load
};

class OpenErrors : public LoaderTest, public ::testing::WithParamInterface<OpenCase> {};

// The load lets the file-open error through for the caller's report, with
// the old project gone from the tables and from the window, and no box.
TEST_P(OpenErrors, RaiseFileOpenErrorWithProjectEmptied) {
  ASSERT_EQ(Load("#copy\nC\n#tab\nOld\nf\n5\n#end"), 0);
  FlagValues[0][0] = 3;
  window.Forget();
  ProjectFileName = GetParam().make(dir);
  try {
    LoadProject();
    FAIL() << "no EFOpenError";
  } catch (const EFOpenError& e) {
    // (what() cannot carry a zero byte, so that one path is compared alone.)
    if (ProjectFileName.find('\0') == std::string::npos) {
      EXPECT_EQ(e.Message(), "ﾌｧｲﾙ " + ProjectFileName + " は開けません");
    }
    EXPECT_EQ(e.Path(), ProjectFileName);
  }
  EXPECT_EQ(window.calls, EmptiedWindow);
  EXPECT_TRUE(window.boxes.empty());
  EXPECT_EQ(Dump(), "");
  EXPECT_TRUE(AllValuesZero());
  EXPECT_EQ(ProjectCredit, NotLoadedCredit);
  EXPECT_EQ(ProjectLines, nullptr);
  EXPECT_EQ(LoadStopLine(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Project, OpenErrors,
    ::testing::Values(
        OpenCase{"MissingFile", [](const ScratchDir& d) { return d.File("missing.qmt"); }},
        OpenCase{"EmptyPath", [](const ScratchDir&) { return std::string(); }},
        OpenCase{"Folder", [](const ScratchDir& d) { return d.File(""); }},
        OpenCase{"Fifo",
                 [](const ScratchDir& d) {
                   std::string path = d.File("pipe.qmt");
                   EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
                   return path;
                 }},
        OpenCase{"CharacterDevice", [](const ScratchDir&) { return std::string("/dev/null"); }},
        OpenCase{"PathWithZeroByte",
                 [](const ScratchDir& d) {
                   // The part before the zero exists; it must not be read.
                   std::string path = d.Write("real.qmt", "#end");
                   return path + std::string(1, '\0') + "x";
                 }},
        OpenCase{"FolderInPlaceOfParent", [](const ScratchDir& d) {
                   return d.Write("plain", "x") + "/inside.qmt";
                 }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LoaderTest, UnreadableFileRaisesFileOpenError) {
  ProjectFileName = dir.Write("locked.qmt", "#end");
  ASSERT_EQ(chmod(ProjectFileName.c_str(), 0), 0);
  if (geteuid() != 0) {
    EXPECT_THROW(LoadProject(), EFOpenError);
    EXPECT_EQ(ProjectCredit, NotLoadedCredit);
    return;
  }
  // Root reads every file: try as the user nobody in a child process.
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(100);
    try {
      LoadProject();
    } catch (const EFOpenError&) {
      _exit(ProjectCredit == NotLoadedCredit ? 0 : 2);
    }
    _exit(1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: loaded anyway, 2: credit not reset, 100: could not drop privileges";
}

TEST_F(LoaderTest, LongPathIsKeptWhole) {
  std::string name(200, 'n');
  std::string sub = dir.File(name);
  ASSERT_EQ(mkdir(sub.c_str(), 0700), 0);
  ProjectFileName = dir.Write(name + "/" + name + ".qmt", "#tab\nA\n#end");
  ASSERT_GT(ProjectFileName.size(), 400u);
  const std::string path = ProjectFileName;
  EXPECT_EQ(LoadProject(), 0);
  EXPECT_EQ(ProjectFileName, path);
  EXPECT_EQ(Dump(), "A{}");
}

// ---- Where a successful load stopped ----------------------------------------

TEST_F(LoaderTest, StopLineOfSuccessIsEndLineOrLastLine) {
  struct Case {
    const char* text;
    int line;
  };
  for (const Case& c : {Case{"", 0}, Case{"\n\n", 2}, Case{"#tab\nA\n#end\nmore\nlines", 3},
                        Case{"#tab\nA\n#x\n", 3}, Case{"#tab\nA\n#doc\nd\n#eodoc", 5}, Case{"#end", 1}}) {
    ASSERT_EQ(Load(c.text), 0) << c.text;
    EXPECT_EQ(LoadStopLine(), c.line) << c.text;
  }
}

}  // namespace
}  // namespace qmt_test
