// The string list's line cutting and its shared entries: the one-pass scan
// works 64 bytes at a time and in batches of blocks, so line ends and zero
// bytes on and around block and batch edges are checked against a
// byte-by-byte reference, with each scan the processor can run.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
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

// Short random texts of line ends, text and now and then a zero byte.
void ExpectRandomTextsCut(unsigned seed, int rounds) {
  std::mt19937 rng(seed);
  const char alphabet[] = {'a', 'b', '\r', '\n', '\x82', '#'};
  for (int round = 0; round < rounds; ++round) {
    std::string text(rng() % 300, 'a');
    for (char& c : text) c = alphabet[rng() % sizeof alphabet];
    if (rng() % 4 == 0 && !text.empty()) text[rng() % text.size()] = '\0';
    ASSERT_EQ(Cut(text), ReferenceLines(text)) << "round " << round;
  }
}

using string_list_detail::Scan;

// Runs each case with one scan for line stops, then goes back to the best.
class StringListScan : public ::testing::TestWithParam<Scan> {
protected:
  void SetUp() override {
    if (!string_list_detail::SelectScan(GetParam())) GTEST_SKIP() << "the processor lacks this scan";
  }
  void TearDown() override { string_list_detail::SelectScan(Scan::Best); }
};

TEST_P(StringListScan, LineEndsAndZerosAroundBlockEdges) {
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

TEST_P(StringListScan, RandomTextsMatchTheReference) { ExpectRandomTextsCut(2024, 3000); }

// Stops and CR LF pairs on the edges of the batches that are scanned before
// their lines are taken, the last one of a text included.
TEST_P(StringListScan, LineEndsAroundBatchEdges) {
  const size_t batch = string_list_detail::CutBatchBytes;
  const std::vector<std::string> stops = {"\n", "\r", "\r\n", std::string(1, '\0'), std::string("\r\0", 2)};
  for (const std::string& stop : stops) {
    for (size_t edge : {batch, 2 * batch}) {
      for (size_t at = edge - 66; at <= edge + 2; at += (at + 3 < edge ? 63 : 1)) {
        for (size_t total : {2 * batch + 130, at + stop.size(), at + stop.size() + 1}) {
          std::string text(total, 'a');
          for (size_t i = 40; i < total; i += 97) text[i] = (i / 97) % 3 ? '\n' : '\r';
          text.replace(at, stop.size(), stop);
          ASSERT_EQ(Cut(text), ReferenceLines(text)) << "stop " << int(stop[0]) << " at edge " << static_cast<long>(at) - static_cast<long>(edge) << " of " << total;
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(, StringListScan, ::testing::Values(Scan::Plain, Scan::Sse2, Scan::Avx2),
                         [](const ::testing::TestParamInfo<Scan>& info) {
                           switch (info.param) {
                             case Scan::Plain: return std::string("Plain");
                             case Scan::Sse2: return std::string("Sse2");
                             case Scan::Avx2: return std::string("Avx2");
                             default: return std::string("Best");
                           }
                         });

// The same cases with the lines of every text kept as places, or as views
// (as for texts of 4 GiB and more), which also cuts a few random texts.
class StringListShare : public ::testing::TestWithParam<bool> {
protected:
  void SetUp() override {
    if (GetParam()) string_list_detail::LongTextBytes() = 0;
  }
  void TearDown() override { string_list_detail::LongTextBytes() = saved_; }

private:
  size_t saved_ = string_list_detail::LongTextBytes();
};

TEST_P(StringListShare, MovedEntriesOutliveTheirSource) {
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

TEST_P(StringListShare, EntriesMadeEarlierFollowLaterChanges) {
  TStringList list;
  list.SetText("a\nb\nc");
  EXPECT_EQ(list[1], "b");  // strings made here
  EXPECT_EQ(list.Add("d"), 3);
  EXPECT_EQ(list.Items(), (std::vector<std::string>{"a", "b", "c", "d"}));
  TStringList other;
  other.SetText("x");
  list.AddMoved(other, 0, 1);
  EXPECT_EQ(list.Items(), (std::vector<std::string>{"a", "b", "c", "d", "x"}));
  list.SetText("");
  EXPECT_EQ(list.Count(), 0);
  EXPECT_TRUE(list.Items().empty());
}

// A list filled by AddMoved refers to its source's table until one of the
// two changes: neither may then see the other's change.
TEST_P(StringListShare, SharedRunsChangeApart) {
  TStringList source;
  source.SetText("n0\nd1\nd2\nd3\nn4");
  TStringList doc, copy;
  doc.AddMoved(source, 1, 4);
  copy.Assign(doc);
  EXPECT_EQ(doc.Add("own"), 3);
  source.Add("later");
  EXPECT_EQ(doc.Items(), (std::vector<std::string>{"d1", "d2", "d3", "own"}));
  EXPECT_EQ(copy.Items(), (std::vector<std::string>{"d1", "d2", "d3"}));
  EXPECT_EQ(source.Items(), (std::vector<std::string>{"n0", "d1", "d2", "d3", "n4", "later"}));

  // A second run is appended after the first; a list may take from itself.
  copy.AddMoved(source, 4, 6);
  copy.AddMoved(copy, 0, 1);
  EXPECT_EQ(copy.Items(), (std::vector<std::string>{"d1", "d2", "d3", "n4", "later", "d1"}));
  source.Clear();
  EXPECT_EQ(doc.Line(1), "d2");
  EXPECT_EQ(copy.Line(4), "later");
}

TEST_P(StringListShare, RandomTextsMatchTheReference) { ExpectRandomTextsCut(99, 300); }

INSTANTIATE_TEST_SUITE_P(, StringListShare, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "Views" : "Places");
                         });

// Files are cut while they are read, a chunk at a time: line ends, CR LF
// pairs and zero bytes split across two chunks cut as in one piece.
TEST(StringListCut, FileCutAcrossReadChunks) {
  const size_t chunk = string_list_detail::ReadChunkBytes;
  char name[] = "/tmp/qmt-cut-XXXXXX";
  const int fd = ::mkstemp(name);
  ASSERT_GE(fd, 0);
  ::close(fd);
  std::mt19937 rng(7);
  const std::vector<std::string> stops = {"\n", "\r", "\r\n", "\n\r", std::string(1, '\0')};
  for (const std::string& stop : stops) {
    for (size_t edge : {chunk, 2 * chunk}) {
      for (size_t at = edge - 3; at <= edge + 1; ++at) {
        std::string text(2 * chunk + 100, 'a');
        for (int i = 0; i < 4000; ++i) text[rng() % text.size()] = '\n';
        for (size_t i = edge - 80; i < edge + 80; ++i) text[i] = 'b';
        text.replace(at, stop.size(), stop);
        {
          std::FILE* f = std::fopen(name, "wb");
          ASSERT_NE(f, nullptr);
          ASSERT_EQ(std::fwrite(text.data(), 1, text.size(), f), text.size());
          ASSERT_EQ(std::fclose(f), 0);
        }
        TStringList list;
        list.LoadFromFile(name);
        ASSERT_EQ(list.Items(), ReferenceLines(text)) << "stop " << int(stop[0]) << " at edge " << static_cast<long>(at) - static_cast<long>(edge);
      }
    }
  }
  ::unlink(name);
}

}  // namespace
