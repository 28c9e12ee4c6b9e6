#include "platform/string_list.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "platform/exceptions.h"
#include "platform/line_scan.h"

namespace {

using string_list_detail::CutBatchBytes;

class FileDescriptor {
public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

private:
  int fd_;
};

// From this size on, memory comes from mmap with huge pages asked for: the
// first touch of each 4 KiB page costs more than reading the page, and a
// file of hundreds of MiB has tens of thousands of them. Below it, malloc
// reuses what earlier loads freed, already touched, which is cheaper still
// (glibc's malloc itself maps nothing larger than this afresh once such a
// block has been freed).
constexpr size_t BigBytes = size_t{32} << 20;

// A block of `n` bytes for a file's content.
std::shared_ptr<char[]> NewBlock(size_t n) {
  char* p = static_cast<char*>(string_list_detail::AllocateBytes(n));
  return std::shared_ptr<char[]>(p, [n](char* q) { string_list_detail::FreeBytes(q, n); });
}

}  // namespace

void* string_list_detail::AllocateBytes(size_t bytes) {
  if (bytes >= BigBytes) {
    void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    ::madvise(p, bytes, MADV_HUGEPAGE);
    return p;
  }
  return ::operator new(bytes);
}

void string_list_detail::FreeBytes(void* p, size_t bytes) {
  if (bytes >= BigBytes) {
    ::munmap(p, bytes);
  } else {
    ::operator delete(p);
  }
}

size_t& string_list_detail::LongTextBytes() {
  static size_t bytes = UINT32_MAX;
  return bytes;
}

// Cuts a text into lines in one pass over it as its bytes arrive: LF, CR and
// CR LF each end one line; a line end at the very end of the text adds no
// line; a zero byte ends the text. The bytes are scanned a batch of blocks
// of 64 at a time, and the lines taken from the stop bits of the batch while
// its bytes are still in the cache.
class TStringList::Cutter {
public:
  Cutter(const char* begin, const NewCut& out)
      : start_(begin), next_(begin), places_(out.places.get()), views_(out.views.get()) {}

  // Cuts the lines among the bytes before `end`. Unless `final`, more bytes
  // follow, and the last bytes are left for the next call: whether a CR is
  // followed by an LF is not known yet.
  void Feed(const char* end, bool final) {
    const line_scan::ScanFn scan = line_scan::Current();
    uint16_t places[CutBatchBytes + 4];
    while (!ended_) {
      // Whole blocks with at least one byte after them, so that the byte
      // after a CR can be read.
      const size_t left = static_cast<size_t>(end - next_);
      size_t blocks = left > 0 ? (left - 1) / 64 : 0;
      if (blocks == 0) break;
      blocks = std::min(blocks, CutBatchBytes / 64);
      Take(scan(next_, blocks, places), places, end);
      if (!ended_) next_ += blocks * 64;
    }
    if (!final || ended_) return;
    // The last bytes, at most 64, through a padded copy.
    if (next_ < end) {
      char tail[64];
      std::memset(tail, 'x', sizeof tail);
      std::memcpy(tail, next_, static_cast<size_t>(end - next_));
      Take(scan(tail, 1, places), places, end);
    }
    if (!ended_) Finish(end);
  }

private:
  // Takes the lines that end at the `found` stops, whose places are counted
  // from next_.
  [[gnu::always_inline]] void Take(line_scan::Found found, const uint16_t* places, const char* end) {
    const char* start = start_;
    for (size_t i = 0; i < found.count; ++i) {
      const char* stop = next_ + places[i];
      if (stop < start) continue;  // the LF of a CR LF begun in the block before
      if (found.zero && *stop == '\0') {
        start_ = start;
        Finish(stop);
        return;
      }
      Put(start, stop);
      const char after = stop + 1 < end ? stop[1] : '\0';
      start = stop + 1 + static_cast<int>((*stop == '\r') & (after == '\n'));
    }
    start_ = start;
  }

  [[gnu::always_inline]] void Put(const char* start, const char* end) {
    if (places_) {
      places_->places.push_back(
          Place{static_cast<uint32_t>(start - places_->base), static_cast<uint32_t>(end - start)});
    } else {
      views_->emplace_back(start, static_cast<size_t>(end - start));
    }
  }

  void Finish(const char* end) {
    if (start_ < end) Put(start_, end);
    ended_ = true;
  }

  const char* start_;  // of the line being read
  const char* next_;   // the first byte not scanned yet
  CutText* places_;    // the table the lines go to: places,
  Lines* views_;       // or views
  bool ended_ = false;
};

TStringList::Lines& TStringList::Own() {
  if (cut_) {
    auto views = std::make_shared<Lines>();
    views->reserve(count_);
    for (size_t i = 0; i < count_; ++i) views->push_back(Line(static_cast<int>(i)));
    cut_.reset();
    lines_ = std::move(views);
    first_ = 0;
  } else if (!lines_) {
    lines_ = std::make_shared<Lines>();
  } else if (lines_.use_count() > 1 || first_ != 0 || count_ != lines_->size()) {
    auto from = lines_->begin() + static_cast<std::ptrdiff_t>(first_);
    lines_ = std::make_shared<Lines>(from, from + static_cast<std::ptrdiff_t>(count_));
    first_ = 0;
  }
  return *lines_;
}

const std::vector<std::string>& TStringList::Items() const {
  if (!itemsValid_) {
    items_.clear();
    items_.reserve(count_);
    for (size_t i = 0; i < count_; ++i) items_.emplace_back(Line(static_cast<int>(i)));
    itemsValid_ = true;
  }
  return items_;
}

int TStringList::Add(std::string s) {
  auto owner = std::make_shared<const std::string>(std::move(s));
  const std::string_view line(*owner);
  blocks_.push_back(Block(owner, owner->data()));
  Lines& lines = Own();
  lines.push_back(line);
  count_ = lines.size();
  if (itemsValid_) items_.emplace_back(line);
  return Count() - 1;
}

void TStringList::Clear() {
  lines_.reset();
  cut_.reset();
  first_ = 0;
  count_ = 0;
  blocks_.clear();
  items_.clear();
  itemsValid_ = true;
}

void TStringList::Assign(const TStringList& other) {
  if (&other == this) return;
  lines_ = other.lines_;
  cut_ = other.cut_;
  first_ = other.first_;
  count_ = other.count_;
  blocks_ = other.blocks_;
  Changed();
}

void TStringList::KeepBlock(const Block& block) {
  for (const Block& b : blocks_) {
    if (b == block) return;
  }
  blocks_.push_back(block);
}

void TStringList::AddMoved(const TStringList& source, int first, int last) {
  if (first >= last) return;
  const size_t n = static_cast<size_t>(last - first);
  if (count_ == 0) {
    lines_ = source.lines_;
    cut_ = source.cut_;
    first_ = source.first_ + static_cast<size_t>(first);
    count_ = n;
  } else {
    // `source` may be this list: each view is read out before it is
    // appended, so the table may grow meanwhile. It grows once.
    Lines& lines = Own();
    lines.reserve(lines.size() + n);
    for (int i = first; i < last; ++i) lines.push_back(source.Line(i));
    count_ = lines.size();
  }
  if (&source != this) {
    for (const Block& b : source.blocks_) KeepBlock(b);
  }
  Changed();
}

TStringList::NewCut TStringList::NewTable(const char* base, size_t size) {
  // A first guess at the number of lines saves most of the regrowing.
  const size_t guess = size / 48 + 16;
  NewCut table;
  if (size <= string_list_detail::LongTextBytes()) {
    auto places = std::make_shared<CutText>();
    places->base = base;
    places->places.reserve(guess);
    table.places = std::move(places);
  } else {
    table.views = std::make_shared<Lines>();
    table.views->reserve(guess);
  }
  return table;
}

void TStringList::SetCut(NewCut table, Block block) {
  lines_ = std::move(table.views);
  cut_ = std::move(table.places);
  first_ = 0;
  count_ = cut_ ? cut_->places.size() : lines_->size();
  blocks_.clear();
  if (count_ > 0) blocks_.push_back(std::move(block));
  Changed();
}

void TStringList::SetText(std::string_view bytes) {
  auto copy = NewBlock(bytes.size() + 1);
  if (!bytes.empty()) std::memcpy(copy.get(), bytes.data(), bytes.size());
  NewCut table = NewTable(copy.get(), bytes.size());
  Cutter(copy.get(), table).Feed(copy.get() + bytes.size(), true);
  SetCut(std::move(table), Block(std::move(copy)));
}

void TStringList::LoadFromFile(const std::string& path) {
  // A zero byte would silently open a different, shorter path.
  if (path.find('\0') != std::string::npos) throw EFOpenError(path);
  // Non-blocking, so that opening a FIFO cannot wait for a writer; no
  // controlling terminal from a terminal device. Only a regular file is read.
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (fd.get() < 0) throw EFOpenError(path);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) throw EFOpenError(path);

  // Read the file as it stood when it was opened: as many bytes as its size
  // said then, or, for files that report a size of 0 but have content (those
  // under /proc), up to their end. A file that another program keeps
  // appending to is thus read to a bounded length instead of being chased.
  const size_t opened_size = static_cast<size_t>(st.st_size);
  size_t limit = opened_size > 0 ? opened_size : SIZE_MAX;
  size_t capacity = opened_size > 0 ? opened_size : 4096;
  auto buffer = NewBlock(capacity);
  size_t size = 0;
  // With the size known, the buffer never moves: its lines are cut as the
  // bytes come in. Otherwise it may grow, and they are cut at the end.
  const bool cutWhileReading = opened_size > 0;
  NewCut table;
  if (cutWhileReading) table = NewTable(buffer.get(), capacity);
  Cutter cutter(buffer.get(), table);  // used only while reading
  while (size < limit) {
    if (size == capacity) {
      size_t bigger = std::min(capacity * 2, limit);
      auto grown = NewBlock(bigger);
      std::memcpy(grown.get(), buffer.get(), size);
      buffer = std::move(grown);
      capacity = bigger;
    }
    size_t want = std::min(capacity, limit) - size;
    if (cutWhileReading) want = std::min(want, string_list_detail::ReadChunkBytes);
    ssize_t n = ::read(fd.get(), buffer.get() + size, want);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EFOpenError(path);
    }
    if (n == 0) break;  // the end, or a file that shrank meanwhile
    size += static_cast<size_t>(n);
    if (cutWhileReading) cutter.Feed(buffer.get() + size, false);
    // A file that reported no size may be a regular file that was empty when
    // opened and is being written now: take the size it reports now as its
    // end.
    if (limit == SIZE_MAX && ::fstat(fd.get(), &st) == 0 && st.st_size > 0) {
      limit = std::max(size, static_cast<size_t>(st.st_size));
    }
  }
  if (cutWhileReading) {
    cutter.Feed(buffer.get() + size, true);
  } else {
    table = NewTable(buffer.get(), size);
    Cutter(buffer.get(), table).Feed(buffer.get() + size, true);
  }
  SetCut(std::move(table), Block(std::move(buffer)));
}
