// Fuzz target: the project loader, from the bytes of a project file to the
// tables, through LoadProject as the window and qmt call it. After every
// input it checks the invariants of the tables, compares them with the
// reference reading, loads the same bytes again for the same tables, and
// decodes every text as qmt does before printing it.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "loader_model.h"
#include "platform/cp932.h"
#include "project/loader.h"
#include "project/tables.h"

namespace {

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "loader invariant broken: %s\n", what.c_str());
  std::abort();
}

void Check(bool holds, const std::string& what) {
  if (!holds) Fail(what);
}

// Counts what the loader shows; the boxes must come with failures only.
class CountingWindow : public LoaderWindow {
public:
  int refreshes = 0;
  int boxes = 0;
  std::string message;
  void SetTitleCaption(const std::string&) override {}
  void SetTabs(const TStringList& names) override {
    Check(names.Count() <= MaxPages, "more than 16 tabs");
  }
  void RepaintTabs() override { ++refreshes; }
  void ShowPage(int page) override { Check(page == 0, "a page other than 0 shown"); }
  void ShowFlagValue() override {}
  void ShowLoadError(const std::string& text) override {
    ++boxes;
    message = text;
  }
  void Forget() {
    refreshes = boxes = 0;
    message.clear();
  }
};

// The project file: an in-memory file, named by its /proc path.
class MemoryFile {
public:
  MemoryFile() : fd_(memfd_create("project.qmt", MFD_CLOEXEC)) {
    if (fd_ < 0) Fail("memfd_create failed");
    path_ = "/proc/self/fd/" + std::to_string(fd_);
  }
  void Set(std::string_view bytes) {
    if (ftruncate(fd_, 0) != 0) Fail("ftruncate failed");
    if (!bytes.empty() && pwrite(fd_, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) {
      Fail("pwrite failed");
    }
  }
  const std::string& Path() const { return path_; }

private:
  int fd_;
  std::string path_;
};

// What the tables hold, in the model's form.
model::Project Tables(int result) {
  model::Project p;
  p.result = result;
  p.title = ProjectTitle;
  p.credit = ProjectCredit;
  for (int i = 0; i < PageNames->Count(); ++i) {
    model::Page page;
    page.name = (*PageNames)[i];
    for (int f = 0; f < FlagNames[i]->Count(); ++f) {
      page.flags.push_back({(*FlagNames[i])[f], FlagOffsets[i][f]});
    }
    page.doc = PageDocs[i]->Items();
    p.pages.push_back(std::move(page));
  }
  for (int i = PageNames->Count(); i < MaxPages; ++i) {
    if (FlagNames[i]->Count() != 0) Fail("flags in the undeclared page slot " + std::to_string(i));
    for (const std::string& line : PageDocs[i]->Items()) p.undeclaredDocs.push_back(line);
  }
  return p;
}

bool ValidUtf8(const std::string& s) {
  for (size_t i = 0; i < s.size();) {
    const unsigned char b = static_cast<unsigned char>(s[i]);
    size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += n;
  }
  return true;
}

void CheckDecodes(const std::string& bytes) {
  Check(ValidUtf8(Cp932ToUtf8(bytes)), "Cp932ToUtf8 gave invalid UTF-8");
}

int LoadOnce(CountingWindow& window) {
  // Values the user entered before: every load sets them back to 0.
  for (auto& page : FlagValues) {
    for (int32_t& v : page) v = 0x5A;
  }
  window.Forget();
  const int result = LoadProject();
  Check(ProjectLines == nullptr, "ProjectLines outlives the load");
  for (auto& page : FlagValues) {
    for (int32_t v : page) Check(v == 0, "a value is not 0 after the load");
  }
  return result;
}

void CheckInvariants(const model::Project& p, const CountingWindow& window) {
  Check(p.pages.size() <= static_cast<size_t>(MaxPages), "more than 16 pages");
  Check(p.title.size() <= MaxTextBytes, "title longer than 255 bytes");
  Check(p.credit.size() <= MaxTextBytes, "credit longer than 255 bytes");
  Check(p.undeclaredDocs.empty(), "document lines in an undeclared page slot");
  for (const model::Page& page : p.pages) {
    Check(page.flags.size() <= static_cast<size_t>(MaxFlags), "more than 16 flags in a page");
    for (const model::Flag& f : page.flags) Check(f.offset >= 0, "negative offset loaded");
  }
  if (p.result == 0) {
    Check(window.refreshes == 1 && window.boxes == 0, "a success not shown once, or with a box");
  } else {
    Check(p.result >= ErrTooManyFlags && p.result <= ErrEndOfFile, "unknown failure code");
    Check(p.pages.empty(), "a failed load left pages");
    Check(p.credit == NotLoadedCredit, "a failed load left a credit");
    Check(window.boxes == 1 && window.refreshes == 0, "a failure not shown with one box");
    Check(window.message == LoadErrorMessage(p.result), "the box shows another code's message");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static MemoryFile file;
  static CountingWindow window;
  SetLoaderWindow(&window);

  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  file.Set(bytes);
  ProjectFileName = file.Path();
  // The title an earlier project left: a file without "#title" keeps it.
  ProjectTitle = "earlier title";
  const std::string titleBefore = ProjectTitle;

  const model::Project first = Tables(LoadOnce(window));
  CheckInvariants(first, window);
  const model::Project expected = model::Load(bytes, titleBefore);
  Check(first == expected, "the tables differ from the reference reading (result " +
                               std::to_string(first.result) + ", expected " +
                               std::to_string(expected.result) + ")");

  const model::Project second = Tables(LoadOnce(window));
  Check(second == first, "a second load of the same bytes gave other tables");

  CheckDecodes(first.title);
  CheckDecodes(first.credit);
  for (const model::Page& page : first.pages) {
    CheckDecodes(page.name);
    for (const model::Flag& f : page.flags) CheckDecodes(f.name);
    for (const std::string& line : page.doc) CheckDecodes(line);
  }

  // Release what the load left, so that each input frees what it took and
  // the fuzzer's leak check sees balanced allocations.
  FreePageLists();
  std::string().swap(ProjectTitle);
  std::string().swap(ProjectCredit);
  std::string().swap(ProjectFileName);
  window.Forget();
  std::string().swap(window.message);
  return 0;
}
