#pragma once
// An unsorted list of byte strings that keeps the order of appending and
// allows duplicates. Entries are raw bytes: nothing converts their encoding.
//
// The entries are views into shared blocks of bytes: a file read by
// LoadFromFile is one block, and its lines are not copied one by one. The
// table of views is shared too: a run of entries passed on to an empty list
// (AddMoved) or a whole list (Assign) is not copied until one side changes.
// Items() and operator[] make std::string copies on first use after a
// change and keep them until the next change. Not safe to use from two
// threads at once.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace string_list_detail {
// Memory of `bytes` bytes: large amounts straight from the system, backed by
// huge pages where it offers them; FreeBytes takes the same size back.
void* AllocateBytes(size_t bytes);
void FreeBytes(void* p, size_t bytes);

template <class T>
struct BigAllocator {
  using value_type = T;
  BigAllocator() = default;
  template <class U>
  BigAllocator(const BigAllocator<U>&) {}
  T* allocate(size_t n) { return static_cast<T*>(AllocateBytes(n * sizeof(T))); }
  void deallocate(T* p, size_t n) { FreeBytes(p, n * sizeof(T)); }
  bool operator==(const BigAllocator&) const { return true; }
};
// LoadFromFile reads a file whose size it knows this many bytes at a time
// and cuts each piece into lines right after reading it, while its bytes are
// still in the processor's cache.
constexpr size_t ReadChunkBytes = size_t{1} << 20;
// Lines are cut from batches of this many bytes, scanned for line ends first.
constexpr size_t CutBatchBytes = size_t{16} << 10;
// The scan for line ends: the best the processor offers, or a given one
// (for tests). Returns false when the processor lacks it.
enum class Scan { Best, Plain, Sse2, Avx2 };
bool SelectScan(Scan scan);
// Texts longer than this many bytes are kept as views, not places (which
// count in 32 bits); tests lower it to reach that path with short texts.
size_t& LongTextBytes();
}  // namespace string_list_detail

class TStringList {
public:
  int Count() const { return static_cast<int>(count_); }
  // Entry i without a copy; valid while the list or any list it was moved
  // to holds the entry.
  std::string_view Line(int i) const {
    const size_t at = first_ + static_cast<size_t>(i);
    if (cut_) return std::string_view(cut_->base + cut_->places[at].offset, cut_->places[at].length);
    return (*lines_)[at];
  }
  const std::string& operator[](int i) const { return Items()[static_cast<size_t>(i)]; }
  const std::vector<std::string>& Items() const;

  // Appends one entry and returns its index.
  int Add(std::string s);
  void Clear();
  // Makes the entries those of `other`, sharing them: nothing is copied.
  void Assign(const TStringList& other);
  void Reserve(int n) { Own().reserve(static_cast<size_t>(n)); }

  // Appends entries first..last-1 of `source`, sharing their bytes with it.
  // Into an empty list nothing is copied at all: the list then refers to
  // that run of the source's table of entries (either list copies the run
  // before it changes). Otherwise the entries' views are appended, the list
  // growing once however many come.
  void AddMoved(const TStringList& source, int first, int last);

  // Replaces the entries by the lines of `bytes`: LF, CR and CR LF each end
  // a line (LF CR is two line ends), a final line end adds no line, and a
  // zero byte ends the text.
  void SetText(std::string_view bytes);

  // Reads the file whole, as bytes, and cuts it into lines as SetText does.
  // Throws EFOpenError when the file cannot be opened or read: missing, a
  // folder or anything else that is not a regular file, unreadable.
  void LoadFromFile(const std::string& path);

private:
  using Block = std::shared_ptr<const char[]>;
  using Lines = std::vector<std::string_view, string_list_detail::BigAllocator<std::string_view>>;
  // The lines of one text as places in it: half the size of views, which
  // matters for files of millions of lines.
  struct Place {
    uint32_t offset;
    uint32_t length;
  };
  struct CutText {
    const char* base = nullptr;
    std::vector<Place, string_list_detail::BigAllocator<Place>> places;
  };
  class Cutter;
  // The table of entries as views, this list's own and whole, ready to change.
  Lines& Own();
  // A table for the lines of a text of `size` bytes at `base`: places, or
  // views for a text too long for places.
  struct NewCut {
    std::shared_ptr<CutText> places;
    std::shared_ptr<Lines> views;
  };
  static NewCut NewTable(const char* base, size_t size);
  // Makes the entries those of a table just cut from `block`.
  void SetCut(NewCut table, Block block);
  void KeepBlock(const Block& block);
  void Changed() {
    itemsValid_ = false;
    items_.clear();
  }

  // The entries are (*lines_)[first_ .. first_ + count_), or the same run of
  // cut_'s places when cut_ is set. Either table may be shared with other
  // lists; then no list changes it.
  std::shared_ptr<Lines> lines_;
  std::shared_ptr<const CutText> cut_;
  size_t first_ = 0;
  size_t count_ = 0;
  std::vector<Block> blocks_;  // what the entries point into
  mutable std::vector<std::string> items_;
  mutable bool itemsValid_ = true;
};
