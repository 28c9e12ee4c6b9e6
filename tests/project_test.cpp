// The project file format, read through the real loader from real files.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "project_test_support.h"

namespace qmt_test {
namespace {

using namespace std::string_literals;

// ---- Cutting the file into lines ------------------------------------------

struct LineCase {
  const char* name;
  std::string body;  // the document lines of one page, as file bytes
  std::vector<std::string> doc;  // the document lines after the load
};

class LineEnds : public LoaderTest, public ::testing::WithParamInterface<LineCase> {};

// The document section takes every line up to the end of the file, so its
// lines show exactly how the bytes were cut.
TEST_P(LineEnds, CutsLinesExactly) {
  const LineCase& c = GetParam();
  ASSERT_EQ(Load("#tab\nP\n#doc\n" + c.body), 0);
  EXPECT_EQ(PageDocs[0]->Items(), c.doc);
}

INSTANTIATE_TEST_SUITE_P(
    Project, LineEnds,
    ::testing::Values(
        LineCase{"Lf", "a\nb", {"a", "b"}},
        LineCase{"Cr", "a\rb", {"a", "b"}},
        LineCase{"CrLf", "a\r\nb", {"a", "b"}},
        LineCase{"LfCrIsTwoLineEnds", "a\n\rb", {"a", "", "b"}},
        LineCase{"CrCr", "a\r\rb", {"a", "", "b"}},
        LineCase{"LfLf", "a\n\nb", {"a", "", "b"}},
        LineCase{"CrLfCrLf", "a\r\n\r\nb", {"a", "", "b"}},
        LineCase{"CrLfThenLf", "a\r\n\nb", {"a", "", "b"}},
        LineCase{"FinalLfAddsNoLine", "a\n", {"a"}},
        LineCase{"FinalCrAddsNoLine", "a\r", {"a"}},
        LineCase{"FinalCrLfAddsNoLine", "a\r\n", {"a"}},
        LineCase{"TwoFinalLineEnds", "a\n\n", {"a", ""}},
        LineCase{"FinalLfCr", "a\n\r", {"a", ""}},
        LineCase{"OnlyALineEnd", "\r\n", {""}},
        LineCase{"NothingAfterDoc", "", {}},
        LineCase{"BlanksAndTabsKept", " a \t\n \n", {" a \t", " "}},
        LineCase{"ZeroByteEndsText", "a\nb\0c\nd"s, {"a", "b"}},
        LineCase{"ZeroByteAfterLineEnd", "a\n\0\nb"s, {"a"}},
        LineCase{"OtherControlBytesKept", "a\x1a\x7f\tb\fc", {"a\x1a\x7f\tb\fc"}},
        LineCase{"Cp932BytesKept", "\x95\x5c\x8e\xa6\n\xb1\x81", {"\x95\x5c\x8e\xa6", "\xb1\x81"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LoaderTest, LfCrAndCrLfFilesLoadTheSameProject) {
  const std::string lf =
      "#title\nExample\n#copy\nmade\n#tab\nItems\nPotion\n256\nKey\n$1A0\n"
      "#doc\nRaw.\n\nKey: 1.\n#eodoc\n#tab\nStory\nChapter\n0x200\n#end\n";
  const std::string expected = "Items{Potion=256,Key=416}[Raw.||Key: 1.] Story{Chapter=512}";
  for (const char* end : {"\n", "\r", "\r\n"}) {
    std::string text;
    for (char c : lf) text += c == '\n' ? std::string(end) : std::string(1, c);
    SCOPED_TRACE(testing::PrintToString(end));
    ASSERT_EQ(Load(text), 0);
    EXPECT_EQ(Dump(), expected);
    EXPECT_EQ(ProjectTitle, "Example");
    EXPECT_EQ(ProjectCredit, "made");
  }
}

// ---- Directives and sections --------------------------------------------

struct FormatCase {
  const char* name;
  std::string text;
  int code;
  std::string project;  // Dump() after the load
  std::string title = "";
  std::string credit = "";
};

class Format : public LoaderTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(Format, LoadsAsTheFormatSays) {
  const FormatCase& c = GetParam();
  EXPECT_EQ(Load(c.text), c.code);
  EXPECT_EQ(Dump(), c.project);
  EXPECT_EQ(ProjectTitle, c.title);
  EXPECT_EQ(ProjectCredit, c.code == 0 ? c.credit : std::string(NotLoadedCredit));
  EXPECT_TRUE(AllValuesZero());
  EXPECT_EQ(window.boxes.empty(), c.code == 0);
}

INSTANTIATE_TEST_SUITE_P(
    Project, Format,
    ::testing::Values(
        // No pages at all.
        FormatCase{"OnlyEnd", "#end", 0, ""},
        FormatCase{"EmptyFile", "", 0, ""},
        FormatCase{"NoDirectives", "notes\n\n stray text\n", 0, ""},
        FormatCase{"TabWithTrailingBlank", "#tab \nA\nf\n1\n", 0, ""},
        FormatCase{"TabInOtherCase", "#Tab\nA\n#TAB\nB\n", 0, ""},
        FormatCase{"TabAfterLeadingBlank", " #tab\nA\n", 0, ""},
        FormatCase{"EodocAtTopLevelIgnored", "#eodoc\n#end", 0, ""},
        // Title and credit.
        FormatCase{"TitleTakesNextLine", "#title\nMy title\n", 0, "", "My title"},
        FormatCase{"TitleTakesDirectiveWord", "#title\n#tab\nA\n#end", 0, "", "#tab"},
        FormatCase{"TitleTakesEmptyLine", "#title\n\n#end", 0, "", ""},
        FormatCase{"TitleKeepsBlanks", "#title\n  T  \n", 0, "", "  T  "},
        FormatCase{"LaterTitleWins", "#title\nT1\n#title\nT2\n", 0, "", "T2"},
        FormatCase{"CreditTakesNextLine", "#copy\nby me\n", 0, "", "", "by me"},
        FormatCase{"CreditTakesDirectiveWord", "#copy\n#end\n#tab\nA\n#end", 0, "A{}", "", "#end"},
        FormatCase{"LaterCreditWins", "#copy\nC1\n#copy\nC2", 0, "", "", "C2"},
        FormatCase{"TitleOnLastLineKeepsText", "#title\nT\n#title", 0, "", "T"},
        FormatCase{"CreditOnLastLineKeepsText", "#copy\nC\n#copy\n", 0, "", "", "C"},
        FormatCase{"TitleOnlyLineOfFile", "#title", 0, ""},
        // Page sections.
        FormatCase{"PageWithoutFlags", "#tab\nA\n#end", 0, "A{}"},
        FormatCase{"BlankLinesBeforePageName", "#tab\n\n\nA\nf\n1\n#end", 0, "A{f=1}"},
        FormatCase{"PageNameTakenWhole", "#tab\n #end \n#end", 0, " #end {}"},
        FormatCase{"PageNamedLikeDirective", "#tab\n#end\nf\n1\n#end", 0, "#end{f=1}"},
        FormatCase{"FlagsInOrder", "#tab\nA\nf1\n10\nf2\n20\nf3\n30\n#end", 0, "A{f1=10,f2=20,f3=30}"},
        FormatCase{"BlankLinesBeforeFlagName", "#tab\nA\nf1\n1\n\n\nf2\n2\n#end", 0, "A{f1=1,f2=2}"},
        FormatCase{"HashFlagNameAfterBlankLine", "#tab\nA\nf\n1\n\n#x\n2\n#end", 0, "A{f=1,#x=2}"},
        FormatCase{"AnyHashLineEndsSection", "#tab\nA\nf\n1\n#note\n#end", 0, "A{f=1}"},
        FormatCase{"SectionEndLineIsReadAsDirective", "#tab\nA\n#tab\nB\nf\n1\n#end", 0, "A{} B{f=1}"},
        FormatCase{"NothingReadAfterEnd", "#tab\nA\n#end\n#tab\nB\n#end", 0, "A{}"},
        FormatCase{"DuplicateNamesKept", "#tab\nA\nf\n1\nf\n2\n#tab\nA\n#end", 0, "A{f=1,f=2} A{}"},
        FormatCase{"BlankLineThenTabIsAFlagName", "#tab\nA\nf\n1\n\n#tab\nB\n#end", ErrBadOffset, ""},
        FormatCase{"BlankLineBetweenNameAndOffset", "#tab\nA\nf\n\n1\n#end", ErrBadOffset, ""},
        FormatCase{"EndOfFileInsteadOfPageName", "#tab", ErrEndOfFile, ""},
        FormatCase{"OnlyBlankLinesForPageName", "#tab\n\n\n", ErrEndOfFile, ""},
        FormatCase{"EndOfFileAfterPageName", "#tab\nA", ErrEndOfFile, ""},
        FormatCase{"EndOfFileAfterFlagName", "#tab\nA\nf", ErrEndOfFile, ""},
        FormatCase{"EndOfFileAfterOffset", "#tab\nA\nf\n1\n", ErrEndOfFile, ""},
        FormatCase{"EndOfFileInBlankLinesAfterOffset", "#tab\nA\nf\n1\n\n\n", ErrEndOfFile, ""},
        FormatCase{"ZeroByteCutsBeforeEnd", "#tab\nA\nf\n1\n\0#end\n"s, ErrEndOfFile, ""},
        FormatCase{"TitleBeforeFailureStays", "#title\nT\n#tab\nA", ErrEndOfFile, "", "T"},
        // Document sections.
        FormatCase{"DocLinesTakenWhole", "#tab\nA\n#doc\nd1\n\n#tab\n #x\n#eodoc\nafter\n#end", 0,
                   "A{}[d1||#tab| #x]"},
        FormatCase{"DocWithoutEodocRunsToEnd", "#tab\nA\n#doc\nd\n#tab\nB\n#end\n", 0, "A{}[d|#tab|B|#end]"},
        FormatCase{"EodocWithBlankIsDocLine", "#tab\nA\n#doc\n#eodoc \n#eodoc\n#end", 0, "A{}[#eodoc ]"},
        FormatCase{"TwoDocsAppendInOrder", "#tab\nA\n#doc\nd1\n#eodoc\nx\n#doc\nd2\n#eodoc\n#end", 0,
                   "A{}[d1|d2]"},
        FormatCase{"DocGoesToMostRecentPage", "#tab\nA\n#tab\nB\n#doc\nd\n#eodoc\n#end", 0, "A{} B{}[d]"},
        FormatCase{"EmptyDocSection", "#tab\nA\n#doc\n#eodoc\n#end", 0, "A{}"},
        FormatCase{"DocOnLastLine", "#tab\nA\n#doc", 0, "A{}"},
        FormatCase{"DocAfterFlags", "#tab\nA\nf\n1\n#doc\nd\n#eodoc\n#end", 0, "A{f=1}[d]"},
        FormatCase{"DocBeforeTabSkipsNextLine", "#doc\n#tab\nA\n#end", 0, ""},
        FormatCase{"DocBeforeTabThenTab", "#doc\nx\n#tab\nA\n#end", 0, "A{}"},
        FormatCase{"DocBeforeTabDirectivesAct", "#doc\nx\n#title\nT\n#eodoc\n#end\n#tab\nA\n#end", 0, "", "T"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Offset lines ---------------------------------------------------------

struct OffsetCase {
  const char* name;
  std::string line;
  int expected;  // the stored offset, or ErrBadOffset when the load fails
};

class OffsetLines : public LoaderTest, public ::testing::WithParamInterface<OffsetCase> {};

TEST_P(OffsetLines, StoreTheNumberOrFailTheLoad) {
  const OffsetCase& c = GetParam();
  const int code = Load("#tab\nA\nf\n" + c.line + "\n#end");
  if (c.expected == ErrBadOffset) {
    EXPECT_EQ(code, ErrBadOffset);
    EXPECT_EQ(Dump(), "");
    ASSERT_EQ(window.boxes.size(), 1u);
    EXPECT_EQ(window.boxes[0], MsgBadOffset);
    EXPECT_EQ(LoadStopLine(), 4);
  } else {
    EXPECT_EQ(code, 0);
    EXPECT_EQ(Dump(), "A{f=" + std::to_string(c.expected) + "}");
    EXPECT_TRUE(window.boxes.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Accepted, OffsetLines,
    ::testing::Values(
        OffsetCase{"Decimal", "256", 256}, OffsetCase{"LeadingBlanks", "  256", 256},
        OffsetCase{"PlusSign", "+256", 256}, OffsetCase{"LeadingZeroNotOctal", "0256", 256},
        OffsetCase{"Dollar", "$100", 256}, OffsetCase{"LowerX", "x100", 256},
        OffsetCase{"UpperX", "X100", 256}, OffsetCase{"ZeroLowerX", "0x100", 256},
        OffsetCase{"ZeroUpperX", "0X100", 256}, OffsetCase{"Zero", "0", 0},
        OffsetCase{"MinusZero", "-0", 0}, OffsetCase{"ManyZeros", "000", 0},
        OffsetCase{"HexZero", "0x0", 0}, OffsetCase{"BlanksBeforeHex", "   $1A0", 416},
        OffsetCase{"MixedCaseHexDigits", "$aBcDeF", 0xABCDEF},
        OffsetCase{"HexLeadingZerosBeyondEightDigits", "0x000000000100", 256},
        OffsetCase{"LargestHex", "$7FFFFFFF", 2147483647},
        OffsetCase{"LargestDecimal", "2147483647", 2147483647},
        OffsetCase{"LargestDecimalWithZeros", "+0002147483647", 2147483647}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Refused, OffsetLines,
    ::testing::Values(
        OffsetCase{"TrailingBlank", "256 ", ErrBadOffset}, OffsetCase{"LeadingTab", "\t256", ErrBadOffset},
        OffsetCase{"DecimalTooLarge", "2147483648", ErrBadOffset},
        OffsetCase{"DecimalFarTooLarge", "99999999999999999999999", ErrBadOffset},
        OffsetCase{"DollarAlone", "$", ErrBadOffset}, OffsetCase{"ZeroXAlone", "0x", ErrBadOffset},
        OffsetCase{"XAlone", "x", ErrBadOffset}, OffsetCase{"PlusAlone", "+", ErrBadOffset},
        OffsetCase{"MinusAlone", "-", ErrBadOffset}, OffsetCase{"SignBeforeDollar", "-$100", ErrBadOffset},
        OffsetCase{"SignBeforeZeroX", "+0x10", ErrBadOffset}, OffsetCase{"Exponent", "1e3", ErrBadOffset},
        OffsetCase{"EmptyLine", "", ErrBadOffset}, OffsetCase{"OnlyBlanks", "   ", ErrBadOffset},
        OffsetCase{"NineHexDigits", "$100000000", ErrBadOffset},
        OffsetCase{"BadHexDigit", "0x1g", ErrBadOffset}, OffsetCase{"BlankInsideNumber", "12 3", ErrBadOffset},
        OffsetCase{"BlankAfterPrefix", "$ 1", ErrBadOffset}, OffsetCase{"DoublePrefix", "0xx1", ErrBadOffset},
        OffsetCase{"DoubleZeroPrefix", "00x1", ErrBadOffset}, OffsetCase{"FullWidthDigit", "\x82\x4f", ErrBadOffset},
        OffsetCase{"TextAfterNumber", "256;", ErrBadOffset}),
    [](const auto& info) { return std::string(info.param.name); });

// A negative offset names no byte of the target file: it fails the load
// with the bad offset message, whichever failure code its value resembles.
INSTANTIATE_TEST_SUITE_P(
    Negative, OffsetLines,
    ::testing::Values(
        OffsetCase{"MinusOne", "-1", ErrBadOffset}, OffsetCase{"MinusTwo", "-2", ErrBadOffset},
        OffsetCase{"MinusThree", "-3", ErrBadOffset}, OffsetCase{"MinusFour", "-4", ErrBadOffset},
        OffsetCase{"MinusFive", "-5", ErrBadOffset}, OffsetCase{"Smallest", "-2147483648", ErrBadOffset},
        OffsetCase{"AllOnesHex", "$FFFFFFFF", ErrBadOffset}, OffsetCase{"SignBitHex", "0x80000000", ErrBadOffset}),
    [](const auto& info) { return std::string(info.param.name); });

// The syntax alone, for the values the loader refuses.
TEST(ParseOffsetText, GivesNegativeNumbersAsRead) {
  struct Case {
    const char* line;
    bool ok;
    int32_t value;
  };
  for (const Case& c : {Case{"-1", true, -1}, Case{"$FFFFFFFF", true, -1}, Case{"x80000000", true, INT32_MIN},
                        Case{"-2147483648", true, INT32_MIN}, Case{"-2147483649", false, 0},
                        Case{"0xfffffffe", true, -2}}) {
    int32_t value = 12345;
    EXPECT_EQ(ParseOffsetText(c.line, value), c.ok) << c.line;
    if (c.ok) {
      EXPECT_EQ(value, c.value) << c.line;
    }
  }
}

TEST_F(LoaderTest, ReadOffsetStoresBadOffsetForANegativeNumber) {
  ProjectLines = std::make_unique<TStringList>();
  ProjectLines->SetText("-7\n42");
  int32_t destination = 99;
  EXPECT_EQ(ReadOffset(0, destination), ErrBadOffset);
  EXPECT_EQ(destination, ErrBadOffset);
  EXPECT_EQ(ReadOffset(1, destination), 42);
  EXPECT_EQ(destination, 42);
  ProjectLines.reset();
}

// ---- Limits ---------------------------------------------------------------

std::string Pages(int n, const std::string& page = "#tab\nP\n") {
  std::string text;
  for (int i = 0; i < n; ++i) text += page;
  return text;
}

std::string Flags(int n) {
  std::string text;
  for (int i = 0; i < n; ++i) text += "f" + std::to_string(i) + "\n" + std::to_string(i) + "\n";
  return text;
}

TEST_F(LoaderTest, SixteenPagesLoad) {
  ASSERT_EQ(Load(Pages(16) + "#end"), 0);
  EXPECT_EQ(PageNames->Count(), 16);
}

TEST_F(LoaderTest, SeventeenthPageFails) {
  EXPECT_EQ(Load(Pages(17) + "#end"), ErrTooManyPages);
  EXPECT_EQ(PageNames->Count(), 0);
  EXPECT_EQ(window.boxes, std::vector<std::string>{MsgTooManyPages});
  EXPECT_EQ(LoadStopLine(), 34);  // the 17th page's name line
}

TEST_F(LoaderTest, SeventeenthPageWithoutNameIsEndOfFile) {
  // The end of the file is found before the page limit.
  EXPECT_EQ(Load(Pages(16) + "#tab\n\n\n"), ErrEndOfFile);
  EXPECT_EQ(window.boxes, std::vector<std::string>{MsgEndOfFile});
  EXPECT_EQ(LoadStopLine(), 35);
}

TEST_F(LoaderTest, SixteenFlagsInEachOfTwoPagesLoad) {
  ASSERT_EQ(Load("#tab\nA\n" + Flags(16) + "#tab\nB\n" + Flags(16) + "#end"), 0);
  EXPECT_EQ(FlagNames[0]->Count(), 16);
  EXPECT_EQ(FlagNames[1]->Count(), 16);
  EXPECT_EQ(FlagOffsets[1][15], 15);
}

TEST_F(LoaderTest, SeventeenthFlagFails) {
  EXPECT_EQ(Load("#tab\nA\n" + Flags(17) + "#end"), ErrTooManyFlags);
  EXPECT_EQ(PageNames->Count(), 0);
  EXPECT_EQ(FlagNames[0]->Count(), 0);
  EXPECT_EQ(window.boxes, std::vector<std::string>{MsgTooManyFlags});
  EXPECT_EQ(LoadStopLine(), 35);  // the 17th flag's name line
}

TEST_F(LoaderTest, SeventeenthFlagWithoutNameIsEndOfFile) {
  EXPECT_EQ(Load("#tab\nA\n" + Flags(16) + "\n\n"), ErrEndOfFile);
  EXPECT_EQ(window.boxes, std::vector<std::string>{MsgEndOfFile});
}

}  // namespace
}  // namespace qmt_test
