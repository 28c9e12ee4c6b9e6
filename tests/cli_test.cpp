// qmt, the command-line tool: its pure parts (values, references, the write
// plan, JSON) directly, and then the built program as a process, case by
// case, with the files it is given and the files it leaves behind.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/apply_plan.h"
#include "cli/json.h"
#include "cli/refs.h"
#include "cli/values.h"

namespace fs = std::filesystem;

namespace {

// ---------------------------------------------------------------- values

struct ValueCase {
  std::string text;
  std::optional<int> value;  // nothing: refused
};

void PrintTo(const ValueCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class ByteValueTest : public testing::TestWithParam<ValueCase> {};

TEST_P(ByteValueTest, ReadsOrRefuses) {
  const ValueCase& c = GetParam();
  int value = -1;
  const bool ok = ParseByteValue(c.text, value);
  ASSERT_EQ(ok, c.value.has_value()) << "\"" << c.text << "\"";
  if (ok) {
    EXPECT_EQ(value, *c.value) << "\"" << c.text << "\"";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Values, ByteValueTest,
    testing::Values(ValueCase{"0", 0}, ValueCase{"255", 255}, ValueCase{"007", 7},
                    ValueCase{"0xff", 255}, ValueCase{"0XFF", 255}, ValueCase{"0x0000ff", 255},
                    ValueCase{"$1a", 26}, ValueCase{"$A0", 160}, ValueCase{"0x0", 0},
                    // no wrap to 8 bits, no sign, nothing around the number
                    ValueCase{"256", {}}, ValueCase{"0x100", {}}, ValueCase{"$1ff", {}},
                    ValueCase{"99999999999999999999", {}}, ValueCase{"-1", {}},
                    ValueCase{"+1", {}}, ValueCase{"", {}}, ValueCase{"0x", {}},
                    ValueCase{"$", {}}, ValueCase{"ff", {}}, ValueCase{" 1", {}},
                    ValueCase{"1 ", {}}, ValueCase{"1e2", {}}, ValueCase{"0x-1", {}},
                    ValueCase{"x10", {}}, ValueCase{"12abc", {}}));

// ------------------------------------------------------------------ JSON

struct QuoteCase {
  std::string text;
  std::string json;
};

void PrintTo(const QuoteCase& c, std::ostream* os) { *os << testing::PrintToString(c.text); }

class JsonQuoteTest : public testing::TestWithParam<QuoteCase> {};

TEST_P(JsonQuoteTest, EscapesAsJsonNeeds) {
  EXPECT_EQ(JsonQuote(GetParam().text), GetParam().json);
}

INSTANTIATE_TEST_SUITE_P(
    Strings, JsonQuoteTest,
    testing::Values(
        QuoteCase{"", "\"\""}, QuoteCase{"plain text", "\"plain text\""},
        QuoteCase{"a\"b\\c", "\"a\\\"b\\\\c\""}, QuoteCase{"/", "\"/\""},
        QuoteCase{"tab\there", "\"tab\\u0009here\""}, QuoteCase{"\n\r", "\"\\u000a\\u000d\""},
        QuoteCase{"\x01\x1f", "\"\\u0001\\u001f\""}, QuoteCase{"\x7f", "\"\x7f\""},
        // UTF-8 passes through, the replacement character included
        QuoteCase{"ｱｲﾃﾑ 薬 \xF0\x9F\x98\x80", "\"ｱｲﾃﾑ 薬 \xF0\x9F\x98\x80\""},
        QuoteCase{"\xEF\xBF\xBD", "\"\xEF\xBF\xBD\""},
        // bytes that are no UTF-8 never reach the output
        QuoteCase{"a\xFF" "b", "\"a\xEF\xBF\xBD" "b\""},
        QuoteCase{"\xE3\x81", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},
        QuoteCase{"\xC0\xAF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},
        QuoteCase{"\xED\xA0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
        QuoteCase{"\xF4\x90\x80\x80",
                  "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""}));

TEST(JsonWriterTest, SeparatesItemsAndNestsContainers) {
  JsonWriter w;
  w.BeginObject();
  w.Key("a").Number(-5);
  w.Key("b").BeginArray().EndArray();
  w.Key("c").BeginArray().Null().String("x").BeginObject().EndObject().EndArray();
  w.Key("d").BeginObject().Key("e").Number(2147483647).EndObject();
  w.EndObject();
  EXPECT_EQ(w.Text(), R"({"a": -5, "b": [], "c": [null, "x", {}], "d": {"e": 2147483647}})");
}

// ------------------------------------------------------------ references

// Names chosen to trip up splitting: '/', ':' and '=' inside names, a page
// name given twice, a page named like a number.
ProjectView RefProject() {
  ProjectView p;
  p.pages.push_back({"Items", {{"Potion", 2}, {"Key found", 5}, {"Potion", 6}}, {}});
  p.pages.push_back({"Dup", {{"x", 1}}, {}});
  p.pages.push_back({"Dup", {{"y", 3}}, {}});
  p.pages.push_back({"a/b", {{"c", 4}, {"m:n=o", 7}}, {}});
  p.pages.push_back({"a", {{"b/c", 8}}, {}});
  p.pages.push_back({"1", {}, {}});
  p.pages.push_back({"ｱｲﾃﾑ", {{"薬", 9}}, {}});
  return p;
}

struct RefCase {
  std::string ref;
  std::optional<FlagRef> found;
  std::string error;  // a part of the message when refused
};

void PrintTo(const RefCase& c, std::ostream* os) { *os << '"' << c.ref << '"'; }

class FlagRefTest : public testing::TestWithParam<RefCase> {};

TEST_P(FlagRefTest, ResolvesToExactlyOneFlag) {
  const RefCase& c = GetParam();
  FlagRef found{-1, -1};
  std::string error;
  const bool ok = ResolveFlagRef(RefProject(), c.ref, found, error);
  ASSERT_EQ(ok, c.found.has_value()) << c.ref << ": " << error;
  if (ok) {
    EXPECT_EQ(found, *c.found) << c.ref;
  } else {
    EXPECT_NE(error.find(c.error), std::string::npos) << c.ref << ": " << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Refs, FlagRefTest,
    testing::Values(
        RefCase{"0:0", FlagRef{0, 0}, ""}, RefCase{"0:2", FlagRef{0, 2}, ""},
        RefCase{"00:01", FlagRef{0, 1}, ""}, RefCase{"6:0", FlagRef{6, 0}, ""},
        RefCase{"Items/Key found", FlagRef{0, 1}, ""}, RefCase{"Dup/y", FlagRef{2, 0}, ""},
        RefCase{"ｱｲﾃﾑ/薬", FlagRef{6, 0}, ""}, RefCase{"a/b/m:n=o", FlagRef{3, 1}, ""},
        // a number is a number, never a name
        RefCase{"5:0", {}, "page 5 \"1\" has no flags"},
        RefCase{"0:3", {}, "0:0 \"Potion\", 0:1 \"Key found\", 0:2 \"Potion\""},
        RefCase{"7:0", {}, "no flag 7:0"}, RefCase{"-1:0", {}, "bad flag reference"},
        RefCase{"0:x", {}, "bad flag reference"}, RefCase{"Potion", {}, "expected P:F"},
        RefCase{"0", {}, "bad flag reference"}, RefCase{":", {}, "bad flag reference"},
        // names: exact bytes, no trimming, no case folding
        RefCase{"Items/potion", {}, "no flag matches \"Items/potion\""},
        RefCase{"Items/Key found ", {}, "flags of page 0 \"Items\""},
        RefCase{"Nope/x", {}, "no page has that name; pages: 0 \"Items\", 1 \"Dup\""},
        // more than one match: within a page, or through two ways to split
        RefCase{"Items/Potion", {}, "matches more than one flag: 0:0, 0:2; use P:F"},
        RefCase{"a/b/c", {}, "\"a/b/c\" matches more than one flag: 3:0, 4:0; use P:F"}));

TEST(PageRefTest, NumbersAndNames) {
  const ProjectView p = RefProject();
  struct Case {
    std::string text;
    int page;  // -1: refused
    std::string error;
  };
  const Case cases[] = {
      {"0", 0, ""},         {"6", 6, ""},     {"Items", 0, ""}, {"a/b", 3, ""},
      {"1", 1, ""},  // the number, not the page named "1"
      {"7", -1, "no page 7"}, {"Dup", -1, "matches more than one page: 1, 2; use the number"},
      {"items", -1, "no page named \"items\""}, {"", -1, "no page named \"\""},
  };
  for (const Case& c : cases) {
    int page = -1;
    std::string error;
    const bool ok = ResolvePage(p, c.text, page, error);
    EXPECT_EQ(ok, c.page >= 0) << c.text << ": " << error;
    if (ok) {
      EXPECT_EQ(page, c.page) << c.text;
    } else {
      EXPECT_NE(error.find(c.error), std::string::npos) << c.text << ": " << error;
    }
  }
}

// ------------------------------------------------------------ write plan

TEST(SetArgumentTest, SplitsAtTheLastEqualsSignAndReadsTheValue) {
  std::vector<SetRequest> sets;
  std::string error;
  ASSERT_TRUE(ParseSetArguments({"0:1=0x1f", "a/b/m:n=o=$ff", "x==7"}, sets, error)) << error;
  ASSERT_EQ(sets.size(), 3u);
  EXPECT_EQ(sets[0].ref, "0:1");
  EXPECT_EQ(sets[0].value, 31);
  EXPECT_EQ(sets[1].ref, "a/b/m:n=o");
  EXPECT_EQ(sets[1].value, 255);
  EXPECT_EQ(sets[2].ref, "x=");
  EXPECT_EQ(sets[2].value, 7);

  const std::pair<std::string, std::string> bad[] = {
      {"0:1", "expected REF=VALUE"},
      {"=5", "expected REF=VALUE"},
      {"0:1=", "bad value \"\""},
      {"0:1=256", "bad value \"256\""},
      {"0:1=-1", "bad value \"-1\""},
  };
  for (const auto& [argument, message] : bad) {
    EXPECT_FALSE(ParseSetArguments({"0:0=1", argument}, sets, error)) << argument;
    EXPECT_NE(error.find(message), std::string::npos) << argument << ": " << error;
    EXPECT_NE(error.find(argument), std::string::npos) << error;
  }
}

std::vector<SetRequest> Sets(const std::vector<std::string>& arguments) {
  std::vector<SetRequest> sets;
  std::string error;
  EXPECT_TRUE(ParseSetArguments(arguments, sets, error)) << error;
  return sets;
}

// "P:F@OFFSET=VALUE ..." for comparing plans at a glance.
std::string PlanText(const WritePlan& plan) {
  std::string s;
  for (const PlannedWrite& w : plan.writes) {
    if (!s.empty()) s += ' ';
    s += std::to_string(w.ref.page) + ":" + std::to_string(w.ref.flag) + "@" +
         std::to_string(w.offset) + "=" + std::to_string(w.value);
  }
  return s;
}

TEST(WritePlanTest, WritesInDeclarationOrderWithZeroForFlagsWithoutValue) {
  const ProjectView p = RefProject();
  struct Case {
    std::vector<std::string> sets;
    std::optional<std::string> page;
    bool all;
    std::string plan;
  };
  const Case cases[] = {
      // command-line order does not matter; a repeated --set keeps the later value
      {{"2:0=3", "0:1=1", "0:1=2"}, {}, false, "0:1@5=2 2:0@3=3"},
      {{}, "Items", false, "0:0@2=0 0:1@5=0 0:2@6=0"},
      {{"0:2=9"}, "0", false, "0:0@2=0 0:1@5=0 0:2@6=9"},
      {{}, "5", false, ""},  // a page without flags writes nothing
      {{"6:0=1", "Dup/x=4"}, {}, true,
       "0:0@2=0 0:1@5=0 0:2@6=0 1:0@1=4 2:0@3=0 3:0@4=0 3:1@7=0 4:0@8=0 6:0@9=1"},
  };
  for (const Case& c : cases) {
    WritePlan plan;
    std::string error;
    ASSERT_TRUE(PlanWrites(p, Sets(c.sets), c.page, c.all, plan, error)) << error;
    EXPECT_EQ(PlanText(plan), c.plan);
  }
}

TEST(WritePlanTest, RefusesWhatWouldNotBeWrittenAsAsked) {
  const ProjectView p = RefProject();
  struct Case {
    std::vector<std::string> sets;
    std::optional<std::string> page;
    std::string error;
  };
  const Case cases[] = {
      {{}, {}, "nothing to write"},
      {{"0:0=1", "1:0=2"}, "0", "--set \"1:0=2\" names a flag of page 1, outside --page 0"},
      {{"Items/Nope=1"}, {}, "--set \"Items/Nope=1\": no flag matches"},
      {{}, "Nope", "--page \"Nope\": no page named"},
  };
  for (const Case& c : cases) {
    WritePlan plan;
    std::string error;
    EXPECT_FALSE(PlanWrites(p, Sets(c.sets), c.page, false, plan, error)) << c.error;
    EXPECT_NE(error.find(c.error), std::string::npos) << error;
  }
}

// ------------------------------------------------------- qmt as a process

// The example project of the manual.
const std::string Example =
    "#title\nExample patch set\n#copy\nmade for the manual\n"
    "#tab\nItems\nPotion count\n256\nKey found\n$1A0\n"
    "#doc\nValues are raw bytes.\n\nKey found: 1 means found.\n#eodoc\n"
    "#tab\nStory\nChapter\n0x200\n#end\n";

// A project on an 8-byte target; page 1's second flag shares page 0's
// first offset. CR LF line ends.
const std::string Small =
    "#tab\r\nItems\r\nPotion\r\n2\r\nKey\r\n$5\r\n"
    "#tab\r\nStory\r\nChapter\r\n0x7\r\nSame as potion\r\n2\r\n#end\r\n";

// Code page 932: title テスト, page ｱｲﾃﾑ, flags 薬 and one with a byte that
// code page 932 does not define (0xA0).
const std::string Japanese =
    "#title\n\x83\x65\x83\x58\x83\x67\n#tab\n\xB1\xB2\xC3\xD1\n\x96\xF2\n1\nbad\xA0name\n3\n#end\n";

// The same name twice, and a name that needs escaping in JSON.
const std::string Awkward =
    "#tab\nP\nx\n0\nx\n1\nq\"u\\o\tte\n2\n#end\n";

const std::string Target = "ABCDEFGH";
const std::string Big(1024, '\0');

std::string Repeat(int n, const std::function<std::string(int)>& part) {
  std::string s;
  for (int i = 0; i < n; ++i) s += part(i);
  return s;
}

const std::string SeventeenPages =
    Repeat(17, [](int i) { return "#tab\nPage" + std::to_string(i) + "\n"; }) + "#end\n";
const std::string SeventeenFlags =
    "#tab\nP\n" + Repeat(17, [](int i) { return "F" + std::to_string(i) + "\n" + std::to_string(i) + "\n"; }) +
    "#end\n";

const std::string BadOffsetMessage =
    "ﾌﾟﾛｼﾞｪｸﾄﾌｧｲﾙの文法に異常があります。 ｵﾌｾｯﾄが整数ではありません。";
const std::string EndOfFileMessage = "ﾌﾟﾛｼﾞｪｸﾄﾌｧｲﾙの終端に達しました。";
const std::string OpenFailed = "ﾀｰｹﾞｯﾄﾌｧｲﾙが開けませんでした。";
const std::string WriteFailed = "ﾀｰｹﾞｯﾄﾌｧｲﾙに書き込めませんでした。";

const std::string ExampleShow =
    "title: Example patch set\n"
    "credit: made for the manual\n"
    "page 0: Items\n"
    "  0:0 offset 256 (0x100): Potion count\n"
    "  0:1 offset 416 (0x1a0): Key found\n"
    "  doc: Values are raw bytes.\n"
    "  doc:\n"
    "  doc: Key found: 1 means found.\n"
    "page 1: Story\n"
    "  1:0 offset 512 (0x200): Chapter\n";

const std::string ExampleJson =
    R"({"title": "Example patch set", "credit": "made for the manual", "pages": [)"
    R"({"name": "Items", "flags": [{"name": "Potion count", "offset": 256}, )"
    R"({"name": "Key found", "offset": 416}], "doc": ["Values are raw bytes.", "", )"
    R"("Key found: 1 means found."]}, {"name": "Story", "flags": [{"name": "Chapter", )"
    R"("offset": 512}], "doc": []}]})"
    "\n";

using Files = std::map<std::string, std::string>;

struct CliCase {
  std::string name{};
  std::vector<std::string> args{};
  Files files{};  // in the case's own folder, which is the working folder
  int status = 0;
  std::string out{};
  bool outIsPart = false;  // `out` need only appear within standard output
  std::string err{};
  bool errIsPart = false;  // `err` need only appear within standard error, one line
  // Files that must differ from what `files` gave them, or appear: their
  // bytes afterwards. Every other file must be left as it was, and no
  // other file may appear.
  Files after{};
  std::function<void(const fs::path&)> setup{};
};

void PrintTo(const CliCase& c, std::ostream* os) { *os << c.name; }

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary);
  f << bytes;
  ASSERT_TRUE(f.good()) << path;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

// Regular files of the folder and their bytes.
Files Snapshot(const fs::path& dir) {
  Files files;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.is_regular_file()) files[entry.path().filename().string()] = ReadFile(entry.path());
  }
  return files;
}

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs the built qmt in `dir` with `args`, standard output and error going
// to files outside that folder.
RunResult RunQmt(const fs::path& dir, const std::vector<std::string>& args) {
  const fs::path outPath = dir.parent_path() / (dir.filename().string() + ".out");
  const fs::path errPath = dir.parent_path() / (dir.filename().string() + ".err");
  std::vector<char*> argv;
  std::string program = QMT_CLI_PATH;
  argv.push_back(program.data());
  std::vector<std::string> copies = args;
  for (std::string& a : copies) argv.push_back(a.data());
  argv.push_back(nullptr);

  const pid_t pid = fork();
  if (pid == 0) {
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out < 0 || err < 0 || chdir(dir.c_str()) != 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) {
      _exit(126);
    }
    execv(argv[0], argv.data());
    _exit(127);
  }
  RunResult run;
  int wstatus = 0;
  if (pid > 0 && waitpid(pid, &wstatus, 0) == pid && WIFEXITED(wstatus)) {
    run.status = WEXITSTATUS(wstatus);
  }
  run.out = ReadFile(outPath);
  run.err = ReadFile(errPath);
  fs::remove(outPath);
  fs::remove(errPath);
  return run;
}

class CliProcessTest : public testing::TestWithParam<CliCase> {
protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "qmt_cli_test.XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override {
    std::error_code ec;
    for (const auto& entry : fs::recursive_directory_iterator(dir_, ec)) {
      fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(dir_, ec);
  }
  fs::path dir_;
};

TEST_P(CliProcessTest, Runs) {
  const CliCase& c = GetParam();
  for (const auto& [name, bytes] : c.files) WriteFile(dir_ / name, bytes);
  if (c.setup) c.setup(dir_);
  Files expected = Snapshot(dir_);
  for (const auto& [name, bytes] : c.after) expected[name] = bytes;

  const RunResult run = RunQmt(dir_, c.args);

  EXPECT_EQ(run.status, c.status);
  if (c.outIsPart) {
    EXPECT_NE(run.out.find(c.out), std::string::npos) << run.out;
  } else {
    EXPECT_EQ(run.out, c.out);
  }
  if (c.errIsPart) {
    EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << "one line: " << run.err;
  } else {
    EXPECT_EQ(run.err, c.err);
  }
  EXPECT_EQ(Snapshot(dir_), expected);
}

std::string CaseName(const testing::TestParamInfo<CliCase>& info) { return info.param.name; }

void MakeReadOnly(const fs::path& dir) { chmod((dir / "t.sav").c_str(), 0444); }

std::vector<std::string> Args(std::initializer_list<std::string> a) { return a; }

// Each usage error of apply, with the target left alone and nothing on
// standard output.
CliCase Usage(std::string name, std::vector<std::string> args, std::string err, bool part = false) {
  CliCase c;
  c.name = std::move(name);
  c.args = std::move(args);
  c.files = {{"s.qmt", Small}, {"a.qmt", Awkward}, {"t.sav", Target}};
  c.status = 2;
  c.err = std::move(err);
  c.errIsPart = part;
  return c;
}

const CliCase ProcessCases[] = {
    // --- general
    {.name = "Version", .args = {"--version"}, .out = "qmt 0.02\n"},
    {.name = "Help", .args = {"--help"}, .out = "apply", .outIsPart = true},
    {.name = "ApplyHelp", .args = {"apply", "--help"}, .out = "--dry-run", .outIsPart = true},
    {.name = "NoSubcommand", .args = {}, .status = 2, .err = "qmt: ", .errIsPart = true},
    {.name = "UnknownSubcommand", .args = {"frob", "x"}, .status = 2,
     .err = "qmt: unknown subcommand \"frob\": expected check, show, read or apply\n"},
    {.name = "UnknownOption", .args = {"show", "--nope", "p.qmt"}, .files = {{"p.qmt", Example}},
     .status = 2, .err = "--nope", .errIsPart = true},
    {.name = "MissingArgument", .args = {"read", "p.qmt"}, .files = {{"p.qmt", Example}},
     .status = 2, .err = "TARGET", .errIsPart = true},

    // --- check
    {.name = "CheckSilentWhenAllLoad", .args = {"check", "a.qmt", "b.qmt", "c.qmt"},
     .files = {{"a.qmt", Example}, {"b.qmt", Small}, {"c.qmt", ""}}},
    {.name = "CheckReportsEachFailingFile",
     .args = {"check", "eof.qmt", "good.qmt", "missing.qmt", "offset.qmt"},
     .files = {{"eof.qmt", "#tab\nP\nF\n1\n"}, {"good.qmt", Example},
               {"offset.qmt", "#title\nT\n#tab\nP\nF\n12x\n#end\n"}},
     .status = 1,
     .err = "eof.qmt:4: " + EndOfFileMessage + "\n" +
            "missing.qmt: ﾌｧｲﾙ missing.qmt は開けません.\n" + "offset.qmt:6: " + BadOffsetMessage +
            "\n"},
    {.name = "CheckNegativeOffset", .args = {"check", "n.qmt"},
     .files = {{"n.qmt", "#tab\nP\nA\n1\nB\n-1\n#end\n"}}, .status = 1,
     .err = "n.qmt:6: " + BadOffsetMessage + "\n"},
    {.name = "CheckEmptyLineBeforeOffset", .args = {"check", "n.qmt"},
     .files = {{"n.qmt", "#tab\nP\nA\n\n1\n#end\n"}}, .status = 1,
     .err = "n.qmt:4: " + BadOffsetMessage + "\n"},
    {.name = "CheckPageNameRunsOut", .args = {"check", "n.qmt"},
     .files = {{"n.qmt", "#title\nT\n#tab\n\n\n"}}, .status = 1,
     .err = "n.qmt:5: " + EndOfFileMessage + "\n"},
    {.name = "CheckSeventeenthPage", .args = {"check", "n.qmt"}, .files = {{"n.qmt", SeventeenPages}},
     .status = 1, .err = "n.qmt:34: これ以上ﾍﾟｰｼﾞﾃﾞｰﾀは増やせません。\n"},
    {.name = "CheckSeventeenthFlag", .args = {"check", "n.qmt"}, .files = {{"n.qmt", SeventeenFlags}},
     .status = 1, .err = "n.qmt:35: これ以上ﾌﾗｸﾞﾃﾞｰﾀは増やせません。\n"},
    {.name = "CheckFolder", .args = {"check", "."}, .status = 1,
     .err = ".: ﾌｧｲﾙ . は開けません.\n"},

    // --- show
    {.name = "ShowText", .args = {"show", "p.qmt"}, .files = {{"p.qmt", Example}}, .out = ExampleShow},
    {.name = "ShowJson", .args = {"show", "--json", "p.qmt"}, .files = {{"p.qmt", Example}},
     .out = ExampleJson},
    {.name = "ShowEmptyProjectJson", .args = {"show", "p.qmt", "--json"}, .files = {{"p.qmt", "#end\n"}},
     .out = "{\"title\": \"\", \"credit\": \"\", \"pages\": []}\n"},
    {.name = "ShowEmptyProjectText", .args = {"show", "p.qmt"}, .files = {{"p.qmt", ""}},
     .out = "title:\ncredit:\n"},
    {.name = "ShowDecodesCodePage932", .args = {"show", "j.qmt"}, .files = {{"j.qmt", Japanese}},
     .out = "title: テスト\ncredit:\npage 0: ｱｲﾃﾑ\n  0:0 offset 1 (0x1): 薬\n"
            "  0:1 offset 3 (0x3): bad\xEF\xBF\xBDname\n"},
    {.name = "ShowJsonEscapes", .args = {"show", "--json", "a.qmt"}, .files = {{"a.qmt", Awkward}},
     .out = R"({"title": "", "credit": "", "pages": [{"name": "P", "flags": [{"name": "x", )"
            R"("offset": 0}, {"name": "x", "offset": 1}, {"name": "q\"u\\o\u0009te", "offset": 2}], )"
            R"("doc": []}]})"
            "\n"},
    {.name = "ShowFailedLoadPrintsNothing", .args = {"show", "--json", "p.qmt"},
     .files = {{"p.qmt", "#tab\nP\nF\n$\n#end\n"}}, .status = 1,
     .err = "p.qmt:4: " + BadOffsetMessage + "\n"},

    // --- read
    {.name = "ReadText", .args = {"read", "s.qmt", "t.sav"},
     .files = {{"s.qmt", Small}, {"t.sav", "ABCDEF"}},
     .out = "size: 6\npage 0: Items\n"
            "  0:0 offset 2 (0x2) value 67 (0x43): Potion\n"
            "  0:1 offset 5 (0x5) value 70 (0x46): Key\n"
            "page 1: Story\n"
            "  1:0 offset 7 (0x7) past end: Chapter\n"
            "  1:1 offset 2 (0x2) value 67 (0x43): Same as potion\n"},
    {.name = "ReadJson", .args = {"read", "--json", "s.qmt", "t.sav"},
     .files = {{"s.qmt", Small}, {"t.sav", std::string("\0\xff\x80" "DEF", 6)}},
     .out = R"({"size": 6, "pages": [{"name": "Items", "flags": [{"name": "Potion", "offset": 2, )"
            R"("value": 128}, {"name": "Key", "offset": 5, "value": 70}]}, {"name": "Story", "flags": [)"
            R"({"name": "Chapter", "offset": 7, "value": null}, {"name": "Same as potion", )"
            R"("offset": 2, "value": 128}]}]})"
            "\n"},
    {.name = "ReadReadOnlyTarget", .args = {"read", "--json", "s.qmt", "t.sav"},
     .files = {{"s.qmt", "#tab\nP\nF\n0\n#end\n"}, {"t.sav", "Z"}},
     .out = R"({"size": 1, "pages": [{"name": "P", "flags": [{"name": "F", "offset": 0, "value": 90}]}]})"
            "\n",
     .setup = MakeReadOnly},
    {.name = "ReadMissingTarget", .args = {"read", "s.qmt", "none.sav"}, .files = {{"s.qmt", Small}},
     .status = 1, .err = "none.sav: " + OpenFailed + "\n"},
    {.name = "ReadFolderTarget", .args = {"read", "s.qmt", "."}, .files = {{"s.qmt", Small}},
     .status = 1, .err = ".: " + OpenFailed + "\n"},
    {.name = "ReadFailedLoad", .args = {"read", "s.qmt", "t.sav"},
     .files = {{"s.qmt", "#tab\nP\n"}, {"t.sav", Target}}, .status = 1,
     .err = "s.qmt:2: " + EndOfFileMessage + "\n"},

    // --- apply: what is written
    {.name = "ApplyByNumbers", .args = {"apply", "s.qmt", "t.sav", "--set", "0:1=0x0a", "--set", "1:0=$ff"},
     .files = {{"s.qmt", Small}, {"t.sav", Target}}, .after = {{"t.sav", "ABCDE\nG\xff"}}},
    {.name = "ApplyByNames", .args = {"apply", "j.qmt", "t.sav", "--set", "ｱｲﾃﾑ/薬=0x30"},
     .files = {{"j.qmt", Japanese}, {"t.sav", Target}}, .after = {{"t.sav", "A0CDEFGH"}}},
    // declaration order, not command-line order: page 1 writes offset 2 last
    {.name = "ApplyInDeclarationOrder",
     .args = {"apply", "s.qmt", "t.sav", "--set", "1:1=57", "--set", "0:0=53"},
     .files = {{"s.qmt", Small}, {"t.sav", Target}}, .after = {{"t.sav", "AB9DEFGH"}}},
    {.name = "ApplyPageWritesZeroWithoutSet",
     .args = {"apply", "s.qmt", "t.sav", "--page", "Items", "--set", "Items/Key=7"},
     .files = {{"s.qmt", Small}, {"t.sav", Target}},
     .after = {{"t.sav", std::string("AB\0DE\x07GH", 8)}}},
    {.name = "ApplyPageByNumber", .args = {"apply", "s.qmt", "t.sav", "--page", "1", "--set", "1:0=1"},
     .files = {{"s.qmt", Small}, {"t.sav", Target}},
     .after = {{"t.sav", std::string("AB\0DEFG\x01", 8)}}},
    {.name = "ApplyAllLaterPageDecides",
     .args = {"apply", "s.qmt", "t.sav", "--all", "--set", "0:0=1", "--set", "1:1=2"},
     .files = {{"s.qmt", Small}, {"t.sav", Target}},
     .after = {{"t.sav", std::string("AB\x02" "DE\0G\0", 8)}}},
    {.name = "ApplyVerbose", .args = {"apply", "s.qmt", "t.sav", "--all", "--verbose"},
     .files = {{"s.qmt", Small}, {"t.sav", Target}}, .out = "2 -> 0\n5 -> 0\n7 -> 0\n2 -> 0\n",
     .after = {{"t.sav", std::string("AB\0DE\0G\0", 8)}}},

    // --- apply: previews and backups
    {.name = "DryRunChangesNothing",
     .args = {"apply", "s.qmt", "t.sav", "--all", "--set", "0:0=1", "--set", "1:1=0x10", "--dry-run"},
     .files = {{"s.qmt", Small}, {"t.sav", Target}},
     .out = "2 67 -> 1\n5 70 -> 0\n7 72 -> 0\n2 1 -> 16\n"},
    {.name = "DryRunGrowingPastEnd", .args = {"apply", "s.qmt", "t.sav", "--all", "--dry-run", "--grow"},
     .files = {{"s.qmt", "#tab\nP\nA\n9\nB\n7\nC\n9\n#end\n"}, {"t.sav", "ABC"}},
     .out = "9 past end -> 0\n7 0 -> 0\n9 0 -> 0\n"},
    {.name = "DryRunRefusesReadOnly", .args = {"apply", "s.qmt", "t.sav", "--all", "--dry-run"},
     .files = {{"s.qmt", Small}, {"t.sav", Target}}, .status = 1, .err = "t.sav: " + OpenFailed + "\n",
     .setup = MakeReadOnly},
    {.name = "BackupIsExactCopy", .args = {"apply", "s.qmt", "t.sav", "--set", "0:0=0x21", "--backup"},
     .files = {{"s.qmt", Small}, {"t.sav", std::string("\0\r\n\x1a\xff" "FGH", 8)}},
     .after = {{"t.sav", std::string("\0\r!\x1a\xff" "FGH", 8)},
               {"t.sav.bak", std::string("\0\r\n\x1a\xff" "FGH", 8)}}},
    {.name = "BackupReplacesOldBackup", .args = {"apply", "s.qmt", "t.sav", "--set", "0:0=0x21", "--backup"},
     .files = {{"s.qmt", Small}, {"t.sav", Target}, {"t.sav.bak", "older and longer backup"}},
     .after = {{"t.sav", "AB!DEFGH"}, {"t.sav.bak", Target}}},
    {.name = "BackupFailsNothingWritten",
     .args = {"apply", "s.qmt", "t.sav", "--set", "0:0=0x21", "--backup"},
     .files = {{"s.qmt", Small}, {"t.sav", Target}}, .status = 1,
     .err = "the backup failed, nothing was written", .errIsPart = true,
     .setup = [](const fs::path& d) { fs::create_directory(d / "t.sav.bak"); }},

    // --- apply: the end of the file
    {.name = "PastEndRefused", .args = {"apply", "s.qmt", "t.sav", "--all"},
     .files = {{"s.qmt", Small}, {"t.sav", "ABCDEF"}}, .status = 1,
     .err = "t.sav: flag 1:0 \"Story/Chapter\" at offset 7 (0x7) lies at or beyond the end of the "
            "file (6 bytes); --grow allows it\n"},
    {.name = "PastEndRefusedBeforeBackup", .args = {"apply", "s.qmt", "t.sav", "--all", "--backup"},
     .files = {{"s.qmt", Small}, {"t.sav", "ABCDEF"}}, .status = 1,
     .err = "t.sav: flag 1:0 \"Story/Chapter\" at offset 7 (0x7) lies at or beyond the end of the "
            "file (6 bytes); --grow allows it\n"},
    {.name = "AtEndRefused", .args = {"apply", "s.qmt", "t.sav", "--set", "1:0=1"},
     .files = {{"s.qmt", Small}, {"t.sav", "ABCDEFG"}}, .status = 1,
     .err = "at offset 7 (0x7) lies at or beyond the end of the file (7 bytes)", .errIsPart = true},
    {.name = "PastEndGrows", .args = {"apply", "s.qmt", "t.sav", "--set", "1:0=0x31", "--grow"},
     .files = {{"s.qmt", Small}, {"t.sav", "ABCD"}}, .after = {{"t.sav", std::string("ABCD\0\0\0" "1", 8)}}},

    // --- apply: targets that cannot be written
    {.name = "ReadOnlyTarget", .args = {"apply", "s.qmt", "t.sav", "--all"},
     .files = {{"s.qmt", Small}, {"t.sav", Target}}, .status = 1, .err = "t.sav: " + OpenFailed + "\n",
     .setup = MakeReadOnly},
    {.name = "MissingTargetNotCreated", .args = {"apply", "s.qmt", "none.sav", "--all", "--grow"},
     .files = {{"s.qmt", Small}}, .status = 1, .err = "none.sav: " + OpenFailed + "\n"},
    {.name = "FolderTarget", .args = {"apply", "s.qmt", ".", "--all", "--grow"},
     .files = {{"s.qmt", Small}}, .status = 1, .err = ".: " + OpenFailed + "\n"},
    {.name = "FullDevice", .args = {"apply", "s.qmt", "/dev/full", "--all", "--grow"},
     .files = {{"s.qmt", Small}}, .status = 1, .err = "/dev/full: " + WriteFailed + "\n"},
    {.name = "FullDeviceVerbose", .args = {"apply", "s.qmt", "/dev/full", "--set", "0:0=1", "--grow", "--verbose"},
     .files = {{"s.qmt", Small}}, .status = 1, .out = "2 -> 1\n", .err = "/dev/full: " + WriteFailed + "\n"},
    {.name = "FullDeviceBackupRefused", .args = {"apply", "s.qmt", "/dev/full", "--all", "--grow", "--backup"},
     .files = {{"s.qmt", Small}}, .status = 1,
     .err = "/dev/full: not a regular file; the backup failed, nothing was written\n"},
    {.name = "ApplyFailedLoad", .args = {"apply", "s.qmt", "t.sav", "--all"},
     .files = {{"s.qmt", SeventeenFlags}, {"t.sav", Target}}, .status = 1,
     .err = "s.qmt:35: これ以上ﾌﾗｸﾞﾃﾞｰﾀは増やせません。\n"},
    {.name = "ApplyMissingProject", .args = {"apply", "x.qmt", "t.sav", "--all"},
     .files = {{"t.sav", Target}}, .status = 1, .err = "x.qmt: ﾌｧｲﾙ x.qmt は開けません.\n"},

    // --- apply: usage errors leave the target alone
    Usage("BadValueTooBig", Args({"apply", "s.qmt", "t.sav", "--set", "0:0=256"}),
          "qmt: --set \"0:0=256\": bad value \"256\": expected 0 to 255 in decimal, or hexadecimal "
          "after 0x or $\n"),
    Usage("BadValueHexWithoutPrefix", Args({"apply", "s.qmt", "t.sav", "--set", "0:0=ff"}),
          "bad value \"ff\"", true),
    Usage("BadValueNegative", Args({"apply", "s.qmt", "t.sav", "--set", "0:0=-1"}),
          "bad value \"-1\"", true),
    Usage("SetWithoutValue", Args({"apply", "s.qmt", "t.sav", "--set", "0:0"}),
          "qmt: --set \"0:0\": expected REF=VALUE\n"),
    Usage("UnknownFlagNumber", Args({"apply", "s.qmt", "t.sav", "--set", "0:2=1"}),
          "qmt: --set \"0:2=1\": no flag 0:2: flags of page 0 \"Items\": 0:0 \"Potion\", 0:1 \"Key\"\n"),
    Usage("UnknownPageNumber", Args({"apply", "s.qmt", "t.sav", "--set", "2:0=1"}),
          "qmt: --set \"2:0=1\": no flag 2:0: pages: 0 \"Items\", 1 \"Story\"\n"),
    Usage("UnknownFlagName", Args({"apply", "s.qmt", "t.sav", "--set", "Story/Potion=1"}),
          "qmt: --set \"Story/Potion=1\": no flag matches \"Story/Potion\"; flags of page 1 "
          "\"Story\": 1:0 \"Chapter\", 1:1 \"Same as potion\"\n"),
    Usage("AmbiguousFlagName", Args({"apply", "a.qmt", "t.sav", "--set", "P/x=1"}),
          "qmt: --set \"P/x=1\": \"P/x\" matches more than one flag: 0:0, 0:1; use P:F\n"),
    Usage("UnknownPage", Args({"apply", "s.qmt", "t.sav", "--page", "Extra"}),
          "qmt: --page \"Extra\": no page named \"Extra\"; pages: 0 \"Items\", 1 \"Story\"\n"),
    Usage("SetOutsidePage", Args({"apply", "s.qmt", "t.sav", "--page", "0", "--set", "1:0=1"}),
          "qmt: --set \"1:0=1\" names a flag of page 1, outside --page 0; it would not be written\n"),
    Usage("PageAndAll", Args({"apply", "s.qmt", "t.sav", "--page", "0", "--all"}), "--all", true),
    Usage("NothingToWrite", Args({"apply", "s.qmt", "t.sav"}),
          "qmt: nothing to write: give --set REF=VALUE, --page PAGE or --all\n"),
    [] {
      CliCase c = Usage("UsageErrorBeforeReadOnlyTarget",
                        Args({"apply", "s.qmt", "t.sav", "--set", "9:9=1"}), "no flag 9:9", true);
      c.setup = MakeReadOnly;
      return c;
    }(),
};

INSTANTIATE_TEST_SUITE_P(Cases, CliProcessTest, testing::ValuesIn(ProcessCases), CaseName);

}  // namespace
