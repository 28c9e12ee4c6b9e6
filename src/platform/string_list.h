#pragma once
// An unsorted list of byte strings that keeps the order of appending and
// allows duplicates. Entries are raw bytes: nothing converts their encoding.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TStringList {
public:
  int Count() const { return static_cast<int>(items_.size()); }
  const std::string& operator[](int i) const { return items_[static_cast<size_t>(i)]; }
  const std::vector<std::string>& Items() const { return items_; }

  // Appends one entry and returns its index.
  int Add(std::string s);
  void Clear() { items_.clear(); }
  void Assign(const TStringList& other) { items_ = other.items_; }
  void Reserve(int n) { items_.reserve(static_cast<size_t>(n)); }

  // Moves entry i out of the list, leaving an empty entry in its place.
  std::string Take(int i) { return std::move(items_[static_cast<size_t>(i)]); }
  // Appends entries first..last-1 of `source`, moved: they are left empty
  // there. The list grows once, however many entries come.
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
  std::vector<std::string> items_;
};
