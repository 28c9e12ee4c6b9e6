// Code page 932 decoding and reading files into a string list.
#include <gtest/gtest.h>

#include <random>
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

std::u16string Decode16(std::string_view bytes) {
  std::u16string out(bytes.size(), u'\0');
  out.resize(::Cp932ToUtf16(bytes, out.data()));
  return out;
}

// UTF-16 written as UTF-8, to hold it against the UTF-8 decoding.
std::string Utf8(std::u16string_view units) {
  std::string out;
  for (size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size()) c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

class Cp932 : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(Cp932, DecodesToUtf8) { EXPECT_EQ(Cp932ToUtf8(GetParam().cp932), GetParam().utf8); }

TEST_P(Cp932, DecodesToUtf16) { EXPECT_EQ(Utf8(Decode16(GetParam().cp932)), GetParam().utf8); }

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

// The UTF-16 decoding answers from a table; iconv's UTF-8 decoding is the
// reference for every byte, every byte pair and texts made of them.
TEST(Cp932Utf16, AgreesWithUtf8DecodingOnEveryByteAndPair) {
  for (int b = 0; b < 256; ++b) {
    const std::string one(1, static_cast<char>(b));
    ASSERT_EQ(Utf8(Decode16(one)), Cp932ToUtf8(one)) << "byte " << b;
  }
  int units = 0;
  for (int lead = 0x80; lead < 256; ++lead) {
    for (int trail = 0; trail < 256; ++trail) {
      const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
      const std::u16string decoded = Decode16(pair);
      ASSERT_EQ(Utf8(decoded), Cp932ToUtf8(pair)) << "bytes " << lead << " " << trail;
      units += decoded.size() == 1;
    }
  }
  EXPECT_GT(units, 7000) << "the double-byte characters";

  std::mt19937 rng(932);
  for (int i = 0; i < 3000; ++i) {
    std::string text(1 + rng() % 40, '\0');
    for (char& c : text) c = static_cast<char>(rng() % 3 == 0 ? rng() % 0x80 : 0x80 + rng() % 0x80);
    ASSERT_EQ(Utf8(Decode16(text)), Cp932ToUtf8(text)) << "text " << i;
  }
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
