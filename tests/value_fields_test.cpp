// The decimal and hexadecimal value fields through the real edit fields:
// whole texts pasted, texts typed key by key, and what is stored.
#include "gui_support.h"
#include "project/tables.h"

namespace qmt_test {
namespace {

struct FieldCase {
  const char* input;
  const char* shownHere;   // in the field typed into
  const char* shownOther;  // in the other field
};

const char* const OneFlagPerPage = "#tab\nA\nfa\n1\nfb\n2\n#tab\nB\nfc\n3\n#tab\nNone\n#end\n";

class ValueFieldsTest : public GuiTest {
protected:
  void SetUp() override { Start({dir.Write("p.qmt", OneFlagPerPage)}); }
};

// Pasted whole, over the field's whole text.
const FieldCase DecimalPasted[] = {
    {"255", "255", "ff"},      {"256", "0", "0"},      {"300", "44", "2c"},        {"-1", "255", "ff"},
    {"-255", "1", "1"},        {"007", "7", "7"},      {" 12", "12", "c"},         {"12 ", "0", "0"},
    {"12a", "0", "0"},         {"$1F", "31", "1f"},    {"0x10", "16", "10"},       {"x", "0", "0"},
    {"2147483647", "255", "ff"}, {"2147483648", "0", "0"}, {"-2147483648", "0", "0"}, {"１２", "0", "0"},
};

const FieldCase HexPasted[] = {
    {"FF", "ff", "255"},  {"0x1f", "1f", "31"}, {"1g", "1", "1"},    {"g", "0", "0"},
    {" ", "0", "0"},      {"-", "0", "0"},      {"-1", "ff", "255"}, {"100", "0", "0"},
    {"1ff", "ff", "255"}, {"+a", "a", "10"},    {" 7f", "7f", "127"}, {"ffffffffff", "ff", "255"},
    {"１", "0", "0"},
};

class DecimalPaste : public ValueFieldsTest, public ::testing::WithParamInterface<FieldCase> {};
class HexPaste : public ValueFieldsTest, public ::testing::WithParamInterface<FieldCase> {};

TEST_P(DecimalPaste, ShowsCanonicalByteInBothFieldsAndStoresIt) {
  const FieldCase& c = GetParam();
  FlagValues[0][0] = 99;  // so that a stored 0 shows as a change
  PasteReplacing(Form1->Edit2, QString::fromUtf8(c.input));
  EXPECT_EQ(Form1->Edit2->Text(), c.shownHere);
  EXPECT_EQ(Form1->Edit3->Text(), c.shownOther);
  EXPECT_EQ(FlagValues[0][0], QString(c.shownHere).toInt());
}

TEST_P(HexPaste, ShowsCanonicalByteInBothFieldsAndStoresIt) {
  const FieldCase& c = GetParam();
  PasteReplacing(Form1->Edit3, QString::fromUtf8(c.input));
  EXPECT_EQ(Form1->Edit3->Text(), c.shownHere);
  EXPECT_EQ(Form1->Edit2->Text(), c.shownOther);
  EXPECT_EQ(FlagValues[0][0], QString(c.shownOther).toInt());
}

INSTANTIATE_TEST_SUITE_P(, DecimalPaste, ::testing::ValuesIn(DecimalPasted));
INSTANTIATE_TEST_SUITE_P(, HexPaste, ::testing::ValuesIn(HexPasted));

// Typed key by key over the selected whole text: every keystroke is read at
// once and the field rewritten, so a sign or prefix typed alone vanishes.
struct TypedCase {
  bool hex;
  const char* keys;
  const char* decimal;
  const char* hexText;
};

const TypedCase Typed[] = {
    {false, "255", "255", "ff"}, {false, "300", "44", "2c"}, {false, "256", "0", "0"},
    {false, "-1", "1", "1"},     {false, "007", "7", "7"},   {false, "12 ", "0", "0"},
    {false, "$1F", "0", "0"},    {true, "ff", "255", "ff"},  {true, "FF", "255", "ff"},
    {true, "0x1f", "31", "1f"},  {true, "1ff", "255", "ff"}, {true, "-1", "1", "1"},
    {true, "1g", "1", "1"},
};

class TypedKeys : public ValueFieldsTest, public ::testing::WithParamInterface<TypedCase> {};

TEST_P(TypedKeys, EachKeystrokeReadAtOnce) {
  const TypedCase& c = GetParam();
  TypeReplacing(c.hex ? Form1->Edit3 : Form1->Edit2, QString::fromUtf8(c.keys));
  EXPECT_EQ(Form1->Edit2->Text(), c.decimal);
  EXPECT_EQ(Form1->Edit3->Text(), c.hexText);
  EXPECT_EQ(FlagValues[0][0], QString(c.decimal).toInt());
}

INSTANTIATE_TEST_SUITE_P(, TypedKeys, ::testing::ValuesIn(Typed));

TEST_F(ValueFieldsTest, MinusTypedInFrontOfDigitsCountsAtOnce) {
  TypeReplacing(Form1->Edit2, "5");
  Key(Form1->Edit2, Qt::Key_Home);
  QTest::keyClicks(Form1->Edit2, "-");
  EXPECT_EQ(Form1->Edit2->Text(), "251");
  EXPECT_EQ(Form1->Edit3->Text(), "fb");
  EXPECT_EQ(FlagValues[0][0], 251);
}

TEST_F(ValueFieldsTest, PrefixTypedAfterZeroVanishes) {
  Click(Form1->Edit3);
  Key(Form1->Edit3, Qt::Key_End);
  QTest::keyClicks(Form1->Edit3, "x");
  EXPECT_EQ(Form1->Edit3->Text(), "0");
  TypeReplacing(Form1->Edit2, "-");
  EXPECT_EQ(Form1->Edit2->Text(), "0");
}

TEST_F(ValueFieldsTest, DeletingWholeTextShowsZero) {
  TypeReplacing(Form1->Edit2, "200");
  TypeReplacing(Form1->Edit2, "");
  EXPECT_EQ(Form1->Edit2->Text(), "0");
  EXPECT_EQ(Form1->Edit3->Text(), "0");
  EXPECT_EQ(FlagValues[0][0], 0);
  TypeReplacing(Form1->Edit3, "ab");
  TypeReplacing(Form1->Edit3, "");
  EXPECT_EQ(Form1->Edit3->Text(), "0");
  EXPECT_EQ(Form1->Edit2->Text(), "0");
}

TEST_F(ValueFieldsTest, ValueStoredForTheSelectedFlagOnly) {
  ChooseFlag(1);
  TypeReplacing(Form1->Edit2, "17");
  EXPECT_EQ(FlagValues[0][1], 17);
  EXPECT_EQ(FlagValues[0][0], 0);
  ChooseTab(1);
  TypeReplacing(Form1->Edit3, "ff");
  EXPECT_EQ(FlagValues[1][0], 255);
  EXPECT_EQ(FlagValues[0][1], 17);
}

TEST_F(ValueFieldsTest, PageWithoutFlagsShowsValueButStoresNothing) {
  ChooseTab(2);
  TypeReplacing(Form1->Edit2, "5");
  EXPECT_EQ(Form1->Edit2->Text(), "5");
  EXPECT_EQ(Form1->Edit3->Text(), "5");
  for (auto& page : FlagValues)
    for (int32_t v : page) EXPECT_EQ(v, 0);
  ChooseTab(0);
  EXPECT_EQ(Form1->Edit2->Text(), "0");
  EXPECT_EQ(Form1->Edit3->Text(), "0");
}

class NoProjectTest : public GuiTest {
protected:
  void SetUp() override { Start(); }
};

TEST_F(NoProjectTest, TypingChangesBothFieldsAndStoresNothing) {
  Click(Form1->Edit3);
  Key(Form1->Edit3, Qt::Key_End);
  QTest::keyClicks(Form1->Edit3, "a");
  EXPECT_EQ(Form1->Edit3->Text(), "a");
  EXPECT_EQ(Form1->Edit2->Text(), "10");
  for (auto& page : FlagValues)
    for (int32_t v : page) EXPECT_EQ(v, 0);
}

}  // namespace
}  // namespace qmt_test
