// The readers behind the decimal and hexadecimal value fields: the number
// each reads from a text, and the byte (number AND 255) that the field then
// shows.
#include "forms/value_readers.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

struct ReadCase {
  std::string text;
  int32_t number;  // what the reader returns
  int byte;        // number AND 255: what both fields show afterwards
};

std::ostream& operator<<(std::ostream& os, const ReadCase& c) {
  return os << '"' << c.text << "\" -> " << c.number;
}

class DecimalFieldTest : public testing::TestWithParam<ReadCase> {};

TEST_P(DecimalFieldTest, ReadsNumberAndByte) {
  const ReadCase& c = GetParam();
  int32_t number = ReadDecimalField(c.text);
  EXPECT_EQ(number, c.number);
  EXPECT_EQ(number & 255, c.byte);
}

// What users type into the decimal field, and the byte it shows then.
INSTANTIATE_TEST_SUITE_P(TypedTexts, DecimalFieldTest, testing::Values(
    ReadCase{"255", 255, 255},
    ReadCase{"256", 256, 0},
    ReadCase{"300", 300, 44},
    ReadCase{"-1", -1, 255},
    ReadCase{"-255", -255, 1},
    ReadCase{"007", 7, 7},
    ReadCase{"", 0, 0},
    ReadCase{" 12", 12, 12},
    ReadCase{"12 ", 0, 0},
    ReadCase{"12a", 0, 0},
    ReadCase{"$1F", 31, 31},
    ReadCase{"0x10", 16, 16},
    ReadCase{"x", 0, 0},
    ReadCase{"2147483647", 2147483647, 255},
    ReadCase{"2147483648", 0, 0},
    ReadCase{"-2147483648", INT32_MIN, 0}));

// Range limits, prefixes, signs and white space.
INSTANTIATE_TEST_SUITE_P(HardCases, DecimalFieldTest, testing::Values(
    // the signed 32-bit range, with and without leading zeros
    ReadCase{"-2147483649", 0, 0},
    ReadCase{"+2147483647", 2147483647, 255},
    ReadCase{"0002147483647", 2147483647, 255},
    ReadCase{"99999999999", 0, 0},
    ReadCase{"000000000000000000017", 17, 17},
    ReadCase{"-0", 0, 0},
    ReadCase{"+1", 1, 1},
    // hexadecimal forms: a 32-bit pattern, nothing more
    ReadCase{"$FFFFFFFF", -1, 255},
    ReadCase{"$80000000", INT32_MIN, 0},
    ReadCase{"$100000000", 0, 0},
    ReadCase{"$00000000ff", 255, 255},
    ReadCase{"0x0000000000000000ffffffff", -1, 255},
    ReadCase{"0x1ffffffff", 0, 0},
    ReadCase{"X7f", 127, 127},
    ReadCase{"0X7F", 127, 127},
    ReadCase{"xFFFFFFFF", -1, 255},
    ReadCase{"  $1F", 31, 31},
    // a prefix without digits, or with more than digits after it
    ReadCase{"0x", 0, 0},
    ReadCase{"0X", 0, 0},
    ReadCase{"$", 0, 0},
    ReadCase{"$ 1F", 0, 0},
    ReadCase{"$1F ", 0, 0},
    ReadCase{"$1G", 0, 0},
    ReadCase{"0xg", 0, 0},
    ReadCase{"x0x1", 0, 0},
    ReadCase{"$-1", 0, 0},
    ReadCase{"0x-1", 0, 0},
    // no sign before a prefix, one sign only, no blank after it
    ReadCase{"-$1", 0, 0},
    ReadCase{"-0x1", 0, 0},
    ReadCase{"+x1", 0, 0},
    ReadCase{"+-1", 0, 0},
    ReadCase{"--1", 0, 0},
    ReadCase{"-", 0, 0},
    ReadCase{"+", 0, 0},
    ReadCase{"- 1", 0, 0},
    // only spaces (32) are skipped, and only in front
    ReadCase{"   ", 0, 0},
    ReadCase{"  -5", -5, 251},
    ReadCase{"\t12", 0, 0},
    ReadCase{"\n12", 0, 0},
    ReadCase{"1 2", 0, 0},
    // other number forms are not read
    ReadCase{"1e3", 0, 0},
    ReadCase{"1.0", 0, 0},
    ReadCase{"1,000", 0, 0},
    ReadCase{"ff", 0, 0},
    // full-width digits ("１２" and "－１" in UTF-8) are not digits
    ReadCase{"\xEF\xBC\x91\xEF\xBC\x92", 0, 0},
    ReadCase{"\xEF\xBC\x8D\xEF\xBC\x91", 0, 0},
    ReadCase{"1\xEF\xBC\x92", 0, 0}));

class HexFieldTest : public testing::TestWithParam<ReadCase> {};

TEST_P(HexFieldTest, ReadsNumberAndByte) {
  const ReadCase& c = GetParam();
  int32_t number = ReadHexField(c.text);
  EXPECT_EQ(number, c.number);
  EXPECT_EQ(number & 255, c.byte);
}

// What users type into the hexadecimal field, and the byte it shows then.
INSTANTIATE_TEST_SUITE_P(TypedTexts, HexFieldTest, testing::Values(
    ReadCase{"FF", 255, 255},
    ReadCase{"0x1f", 31, 31},
    ReadCase{"1g", 1, 1},
    ReadCase{"g", 0, 0},
    ReadCase{"", 0, 0},
    ReadCase{" ", 0, 0},
    ReadCase{"-", 0, 0},
    ReadCase{"-1", -1, 255},
    ReadCase{"100", 256, 0},
    ReadCase{"1ff", 511, 255},
    ReadCase{"+a", 10, 10},
    ReadCase{" 7f", 127, 127},
    ReadCase{"ffffffffff", -1, 255}));

INSTANTIATE_TEST_SUITE_P(HardCases, HexFieldTest, testing::Values(
    // the prefix: its 0 is a digit, the x is not
    ReadCase{"0x", 0, 0},
    ReadCase{"0X", 0, 0},
    ReadCase{"0xg", 0, 0},
    ReadCase{"0x0x1", 0, 0},
    ReadCase{"x1", 0, 0},
    ReadCase{"0X1F", 31, 31},
    ReadCase{"-0x10", -16, 240},
    ReadCase{"+0x10", 16, 16},
    ReadCase{"0", 0, 0},
    ReadCase{"012", 18, 18},
    // the six white space characters, before the sign only
    ReadCase{" \t\n\v\f\r1a", 26, 26},
    ReadCase{"- 1", 0, 0},
    ReadCase{"+-1", 0, 0},
    ReadCase{"-+1", 0, 0},
    ReadCase{"  -", 0, 0},
    ReadCase{"\t", 0, 0},
    // the number ends at the first other character
    ReadCase{" +0X1F zz", 31, 31},
    ReadCase{"7f 80", 127, 127},
    ReadCase{"ag", 10, 10},
    ReadCase{"$1f", 0, 0},
    // cut to the low 32 bits, negated in two's complement
    ReadCase{"ffffffff", -1, 255},
    ReadCase{"80000000", INT32_MIN, 0},
    ReadCase{"100000000", 0, 0},
    ReadCase{"123456789", 0x23456789, 0x89},
    ReadCase{"00000000000ff", 255, 255},
    ReadCase{"-80000000", INT32_MIN, 0},
    ReadCase{"-ff", -255, 1},
    ReadCase{"-0", 0, 0},
    ReadCase{"1234567890abcdef12", static_cast<int32_t>(0xabcdef12u), 0x12},
    // full-width digits ("１" and "ＦＦ" in UTF-8) are not digits
    ReadCase{"\xEF\xBC\x91", 0, 0},
    ReadCase{"\xEF\xBC\xA6\xEF\xBC\xA6", 0, 0},
    ReadCase{"1\xEF\xBC\x91", 1, 1}));

// Where the C library's own "%x" scanning has a defined result (no sign and
// values within 32 bits), the reader agrees with it.
TEST(HexFieldScanf, AgreesWithScanf) {
  const char* const texts[] = {
      "0",     "7",        "a",        "F",          "ff",       "FF",       "0x1f",
      "0X1F",  "0x",       "0X",       "0xg",        "0x0x1",    "x1",       "1g",
      "g",     "",         " ",        "\t\n\v\f\r", " 7f",      "\t7f",     "\n\r\v\f7f",
      "+a",    "+",        "+0x10",    "100",        "1ff",      "ffffffff", "FFFFFFFF",
      "7fffffff", "80000000", "00000000ff", "deadBEEF", "12 34", "7f-1",   "+ 1",
      "abcdefg", "0012",   "1\xEF\xBC\x91", "\xEF\xBC\x91"};
  for (const char* text : texts) {
    unsigned int expected = 0;
    std::sscanf(text, "%x", &expected);
    EXPECT_EQ(static_cast<uint32_t>(ReadHexField(text)), expected) << '"' << text << '"';
  }
}

// The field holds what the user typed, up to its length limit, but the
// readers never stop early at a length: a longer text still reads whole.
TEST(DecimalFieldLength, ReadsTextsLongerThanTheField) {
  EXPECT_EQ(ReadDecimalField(std::string(40, ' ') + "42"), 42);
  EXPECT_EQ(ReadDecimalField(std::string(40, '0') + "42"), 42);
  EXPECT_EQ(ReadDecimalField("$" + std::string(40, '0') + "2A"), 42);
}

}  // namespace
