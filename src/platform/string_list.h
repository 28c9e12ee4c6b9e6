#pragma once
// An unsorted list of byte strings that keeps the order of appending and
// allows duplicates. Entries are raw bytes: nothing converts their encoding.
//
// The entries are views into shared blocks of bytes: a file read by
// LoadFromFile is one block, and its lines are not copied one by one, not
// even when they are passed on to another list (AddMoved). Items() and operator[] make
// std::string copies on first use after a change and keep them until the
// next change. Not safe to use from two threads at once.
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
}  // namespace string_list_detail

class TStringList {
public:
  int Count() const { return static_cast<int>(lines_.size()); }
  // Entry i without a copy; valid while the list or any list it was moved
  // to holds the entry.
  std::string_view Line(int i) const { return lines_[static_cast<size_t>(i)]; }
  const std::string& operator[](int i) const { return Items()[static_cast<size_t>(i)]; }
  const std::vector<std::string>& Items() const;

  // Appends one entry and returns its index.
  int Add(std::string s);
  void Clear();
  void Assign(const TStringList& other);
  void Reserve(int n) { lines_.reserve(static_cast<size_t>(n)); }

  // Moves entry i out of the list, leaving an empty entry in its place.
  std::string Take(int i);
  // Appends entries first..last-1 of `source`, sharing their bytes with
  // it: nothing is copied but the views. The list grows once, however many
  // entries come.
  void AddMoved(TStringList& source, int first, int last);

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
  // Replaces the entries by the lines of the first `size` bytes of `block`.
  void CutLines(Block block, size_t size);
  void KeepBlock(const Block& block);
  void Changed() {
    itemsValid_ = false;
    items_.clear();
  }

  std::vector<std::string_view, string_list_detail::BigAllocator<std::string_view>> lines_;  // into blocks_
  std::vector<Block> blocks_;            // what lines_ points into
  mutable std::vector<std::string> items_;
  mutable bool itemsValid_ = true;
};
