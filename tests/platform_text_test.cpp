// Code page 932 decoding and reading files into a string list.
#include <gtest/gtest.h>

#include <string>

#include "platform/cp932.h"
#include "platform/exceptions.h"
#include "platform/string_list.h"
#include "project_test_support.h"

namespace qmt_test {
namespace {

using namespace std::string_literals;

struct DecodeCase {
  const char* name;
  std::string cp932;
  std::string utf8;
};

class Cp932 : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(Cp932, DecodesToUtf8) { EXPECT_EQ(Cp932ToUtf8(GetParam().cp932), GetParam().utf8); }

INSTANTIATE_TEST_SUITE_P(
    Platform, Cp932,
    ::testing::Values(
        DecodeCase{"Empty", "", ""},
        DecodeCase{"BackslashIsNotYen", "\x5c", "\\"},
        DecodeCase{"TildeIsNotOverline", "\x7e", "~"},
        DecodeCase{"ControlBytesUnchanged", "\x1a\x7f\t", "\x1a\x7f\t"},
        DecodeCase{"ZeroByteUnchanged", "a\0b"s, "a\0b"s},
        DecodeCase{"HalfWidthKatakana", "\xb1", "\uFF71"},
        DecodeCase{"HalfWidthKatakanaWord", "\xcc\xa7\xb2\xd9", "ﾌｧｲﾙ"},
        DecodeCase{"Hiragana", "\x82\xa0", "あ"},
        DecodeCase{"TrailByte5C", "\x95\x5c", "表"},
        DecodeCase{"NecSpecialRow", "\x87\x40", "①"},
        DecodeCase{"IbmExtension", "\xfa\x40", "ⅰ"},
        DecodeCase{"Mixed", "A\x82\xa0 \xb1~", "Aあ ｱ~"},
        DecodeCase{"LoneLeadByteAtEnd", "ab\x82", "ab\uFFFD"},
        DecodeCase{"LeadByteAloneInText", "\x82", "\uFFFD"},
        DecodeCase{"BadTrailByteGoesOnWithIt", "\x81\x20x", "\uFFFD x"},
        DecodeCase{"NoCharacterBytes", "\x80\xa0\xfd\xfe\xff", "\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},
        DecodeCase{"GoodAfterBad", "\xff\x82\xa0", "\uFFFDあ"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Cp932Long, DecodesTextsThatFillTheOutput) {
  std::string katakana, bad;
  std::string katakana_utf8, bad_utf8;
  for (int i = 0; i < 5000; ++i) {
    katakana += "\xb1";
    katakana_utf8 += "\uFF71";
    bad += "\xff";
    bad_utf8 += "\uFFFD";
  }
  EXPECT_EQ(Cp932ToUtf8(katakana), katakana_utf8);
  EXPECT_EQ(Cp932ToUtf8(bad), bad_utf8);
  EXPECT_EQ(Cp932ToUtf8(bad + katakana + "\x82"), bad_utf8 + katakana_utf8 + "\uFFFD");
}

TEST(StringList, LoadFromFileReplacesEntries) {
  ScratchDir dir;
  TStringList list;
  list.Add("old");
  list.LoadFromFile(dir.Write("a.txt", "x\r\ny"));
  EXPECT_EQ(list.Items(), (std::vector<std::string>{"x", "y"}));
  list.LoadFromFile(dir.Write("empty.txt", ""));
  EXPECT_EQ(list.Count(), 0);
}

TEST(StringList, ReadsFileWhoseSizeIsUnknown) {
  // Files under /proc report a size of 0 but have content.
  TStringList list;
  list.LoadFromFile("/proc/self/status");
  ASSERT_GT(list.Count(), 3);
  EXPECT_EQ(list[0].rfind("Name:", 0), 0u);
}

TEST(StringList, ReadsLargeFileWhole) {
  ScratchDir dir;
  std::string text;
  for (int i = 0; i < 200000; ++i) text += "line " + std::to_string(i) + (i % 3 ? "\n" : "\r\n");
  TStringList list;
  list.LoadFromFile(dir.Write("big.txt", text));
  ASSERT_EQ(list.Count(), 200000);
  EXPECT_EQ(list[0], "line 0");
  EXPECT_EQ(list[199999], "line 199999");
}

TEST(StringList, FileOpenErrorNamesThePath) {
  TStringList list;
  list.Add("kept");
  try {
    list.LoadFromFile("/nonexistent/ﾌｧｲﾙ.qmt");
    FAIL() << "no EFOpenError";
  } catch (const EFOpenError& e) {
    EXPECT_STREQ(e.what(), "ﾌｧｲﾙ /nonexistent/ﾌｧｲﾙ.qmt は開けません");
  }
  EXPECT_EQ(list.Items(), std::vector<std::string>{"kept"});
}

}  // namespace
}  // namespace qmt_test
