#pragma once
// Shared pieces of the loader tests: a scratch folder, a window that records
// what the loader asks of it, and a fixture that loads project texts from
// real files.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "project/loader.h"
#include "project/tables.h"

namespace qmt_test {

// A fresh folder under the system's temporary folder, removed afterwards.
class ScratchDir {
public:
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qmt-project-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
    path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  std::string File(const std::string& name) const { return (path_ / name).string(); }

  std::string Write(const std::string& name, std::string_view bytes) const {
    std::string path = File(name);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    EXPECT_TRUE(out.good()) << "cannot write " << path;
    return path;
  }

private:
  std::filesystem::path path_;
};

inline std::string Join(const std::vector<std::string>& items, std::string_view sep) {
  std::string out;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i) out += sep;
    out += items[i];
  }
  return out;
}

// Records every call as one short text, in order, and what the tables held
// when the error box came up.
class RecordingWindow : public LoaderWindow {
public:
  std::vector<std::string> calls;
  std::vector<std::string> boxes;
  int pages_at_box = -1;
  std::string credit_at_box;

  void SetTitleCaption(const std::string& bytes) override { calls.push_back("title:" + bytes); }
  void SetTabs(const TStringList& names) override { calls.push_back("tabs:" + Join(names.Items(), "|")); }
  void RepaintTabs() override { calls.push_back("repaint"); }
  void ShowPage(int page) override { calls.push_back("page:" + std::to_string(page)); }
  void ShowFlagValue() override { calls.push_back("value"); }
  void ShowLoadError(const std::string& message) override {
    calls.push_back("box");
    boxes.push_back(message);
    pages_at_box = PageNames ? PageNames->Count() : -1;
    credit_at_box = ProjectCredit;
  }
  void Forget() {
    calls.clear();
    boxes.clear();
  }
};

// The messages the user must see, byte for byte.
inline constexpr const char* MsgEndOfFile = "ﾌﾟﾛｼﾞｪｸﾄﾌｧｲﾙの終端に達しました。";
inline constexpr const char* MsgBadOffset = "ﾌﾟﾛｼﾞｪｸﾄﾌｧｲﾙの文法に異常があります。\nｵﾌｾｯﾄが整数ではありません。";
inline constexpr const char* MsgTooManyPages = "これ以上ﾍﾟｰｼﾞﾃﾞｰﾀは増やせません。";
inline constexpr const char* MsgTooManyFlags = "これ以上ﾌﾗｸﾞﾃﾞｰﾀは増やせません。";

// The loaded project in one line: pages separated by blanks, each as
// name{flag=offset,...} followed by [doc|lines] when it has a document.
// Page slots beyond the declared pages must be empty; a slot that is not
// shows up as "!slot N".
inline std::string Dump() {
  std::string out;
  for (int p = 0; p < MaxPages; ++p) {
    if (p >= PageNames->Count()) {
      if (FlagNames[p]->Count() || PageDocs[p]->Count()) out += " !slot " + std::to_string(p);
      continue;
    }
    if (p) out += ' ';
    out += (*PageNames)[p] + "{";
    for (int f = 0; f < FlagNames[p]->Count(); ++f) {
      if (f) out += ',';
      out += (*FlagNames[p])[f] + "=" + std::to_string(FlagOffsets[p][f]);
    }
    out += "}";
    if (PageDocs[p]->Count()) out += "[" + Join(PageDocs[p]->Items(), "|") + "]";
  }
  return out;
}

inline bool AllValuesZero() {
  for (auto& page : FlagValues) {
    for (int32_t v : page) {
      if (v != 0) return false;
    }
  }
  return true;
}

class LoaderTest : public ::testing::Test {
protected:
  void SetUp() override {
    ClearFlagValues();
    FreePageLists();
    CreatePageLists();
    ProjectTitle.clear();
    ProjectCredit = NotLoadedCredit;
    SetLoaderWindow(&window);
  }
  void TearDown() override { SetLoaderWindow(nullptr); }

  // Writes `bytes` as a project file and loads it.
  int Load(std::string_view bytes, const std::string& name = "project.qmt") {
    ProjectFileName = dir.Write(name, bytes);
    window.Forget();
    return LoadProject();
  }

  ScratchDir dir;
  RecordingWindow window;
};

}  // namespace qmt_test
