// The string list's line cutting and its shared entries: the one-pass scan
// works 64 bytes at a time, so line ends and zero bytes on and around block
// edges are checked against a byte-by-byte reference.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/string_list.h"

namespace {

// The line rules written out one byte at a time.
std::vector<std::string> ReferenceLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  size_t end = text.find('\0');
  if (end == std::string::npos) end = text.size();
  bool open = false;  // bytes since the last line end
  for (size_t i = 0; i < end; ++i) {
    const char c = text[i];
    if (c == '\n' || c == '\r') {
      lines.push_back(line);
      line.clear();
      open = false;
      if (c == '\r' && i + 1 < end && text[i + 1] == '\n') ++i;
    } else {
      line.push_back(c);
      open = true;
    }
  }
  if (open) lines.push_back(line);
  return lines;
}

std::vector<std::string> Cut(const std::string& text) {
  TStringList list;
  list.SetText(text);
  std::vector<std::string> viaLine;
  for (int i = 0; i < list.Count(); ++i) viaLine.emplace_back(list.Line(i));
  EXPECT_EQ(viaLine, list.Items()) << "Line and Items disagree";
  return viaLine;
}

TEST(StringListCut, LineEndsAndZerosAroundBlockEdges) {
  // A stop byte (or CR LF) at every position from 0 to 200 in a text of
  // filler: each crosses the 16-, 32- and 64-byte steps of the scan.
  const std::vector<std::string> stops = {"\n", "\r", "\r\n", "\n\r", std::string(1, '\0'), std::string("\r\0x", 3)};
  for (const std::string& stop : stops) {
    for (size_t at = 0; at <= 200; ++at) {
      for (size_t total : {at + stop.size(), at + stop.size() + 1, size_t{200}, size_t{260}}) {
        if (total < at + stop.size()) continue;
        std::string text(total, 'a');
        text.replace(at, stop.size(), stop);
        ASSERT_EQ(Cut(text), ReferenceLines(text)) << "stop " << int(stop[0]) << " at " << at << " of " << total;
      }
    }
  }
}

TEST(StringListCut, RandomTextsMatchTheReference) {
  std::mt19937 rng(2024);
  const char alphabet[] = {'a', 'b', '\r', '\n', '\x82', '#'};
  for (int round = 0; round < 3000; ++round) {
    std::string text(rng() % 300, 'a');
    for (char& c : text) c = alphabet[rng() % sizeof alphabet];
    if (rng() % 4 == 0 && !text.empty()) text[rng() % text.size()] = '\0';
    ASSERT_EQ(Cut(text), ReferenceLines(text)) << "round " << round;
  }
}

TEST(StringListShare, MovedEntriesOutliveTheirSource) {
  TStringList docs;
  {
    auto source = std::make_unique<TStringList>();
    source->SetText("keep\r\nthese two\nnot this");
    docs.AddMoved(*source, 0, 2);
    source->Clear();
  }  // the source and its own view of the bytes are gone
  EXPECT_EQ(docs.Items(), (std::vector<std::string>{"keep", "these two"}));
  TStringList copy;
  copy.Assign(docs);
  docs.Clear();
  EXPECT_EQ(copy.Items(), (std::vector<std::string>{"keep", "these two"}));
}

TEST(StringListShare, EntriesMadeEarlierFollowLaterChanges) {
  TStringList list;
  list.SetText("a\nb\nc");
  EXPECT_EQ(list[1], "b");  // strings made here
  EXPECT_EQ(list.Take(1), "b");
  EXPECT_EQ(list.Items(), (std::vector<std::string>{"a", "", "c"}));
  EXPECT_EQ(list.Add("d"), 3);
  EXPECT_EQ(list.Items(), (std::vector<std::string>{"a", "", "c", "d"}));
  TStringList other;
  other.SetText("x");
  list.AddMoved(other, 0, 1);
  EXPECT_EQ(list.Items(), (std::vector<std::string>{"a", "", "c", "d", "x"}));
  list.SetText("");
  EXPECT_EQ(list.Count(), 0);
  EXPECT_TRUE(list.Items().empty());
}

}  // namespace
