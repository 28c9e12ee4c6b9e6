#include "platform/string_list.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>

#include "platform/exceptions.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace {

// The line stops (LF, CR, zero) among the 64 bytes at `p`, one bit each.
using StopMaskFn = uint64_t (*)(const char* p);

#if !defined(__x86_64__)
uint64_t StopMaskPlain(const char* p) {
  uint64_t mask = 0;
  for (int i = 0; i < 64; ++i) {
    const char c = p[i];
    if (c == '\n' || c == '\r' || c == '\0') mask |= uint64_t{1} << i;
  }
  return mask;
}
#endif

#if defined(__x86_64__)
uint64_t StopMaskSse2(const char* p) {
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i zero = _mm_setzero_si128();
  uint64_t mask = 0;
  for (int i = 0; i < 4; ++i) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
    const __m128i hits =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr)), _mm_cmpeq_epi8(v, zero));
    mask |= uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(hits))} << (16 * i);
  }
  return mask;
}

__attribute__((target("avx2"))) uint64_t StopMaskAvx2(const char* p) {
  const __m256i lf = _mm256_set1_epi8('\n');
  const __m256i cr = _mm256_set1_epi8('\r');
  const __m256i zero = _mm256_setzero_si256();
  uint64_t mask = 0;
  for (int i = 0; i < 2; ++i) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * i));
    const __m256i hits = _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi8(v, lf), _mm256_cmpeq_epi8(v, cr)),
                                         _mm256_cmpeq_epi8(v, zero));
    mask |= uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(hits))} << (32 * i);
  }
  return mask;
}
#endif

StopMaskFn ChooseStopMask() {
#if defined(__x86_64__)
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2")) return StopMaskAvx2;
  return StopMaskSse2;
#else
  return StopMaskPlain;
#endif
}

// Calls `line(begin, end)` for every line of the text in one pass over it,
// 64 bytes at a time. LF, CR and CR LF each end one line; a line end at the
// very end of the text adds no line; a zero byte ends the text.
template <class LineFn>
void ForEachLine(const char* const begin, const char* end, LineFn&& line) {
  static const StopMaskFn stopMask = ChooseStopMask();
  const char* start = begin;  // of the line being read
  for (const char* block = begin; block < end; block += 64) {
    uint64_t mask;
    if (end - block >= 64) {
      mask = stopMask(block);
    } else {
      char tail[64];
      std::memset(tail, 'x', sizeof tail);
      std::memcpy(tail, block, static_cast<size_t>(end - block));
      mask = stopMask(tail);
    }
    while (mask != 0) {
      const char* stop = block + __builtin_ctzll(mask);
      mask &= mask - 1;
      if (stop < start) continue;  // the LF of a CR LF
      if (*stop == '\0') {
        end = stop;
        break;
      }
      line(start, stop);
      start = (*stop == '\r' && stop + 1 < end && stop[1] == '\n') ? stop + 2 : stop + 1;
    }
  }
  if (start < end) line(start, end);
}

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

// From these sizes on, memory comes from mmap with huge pages asked for: the
// first touch of each 4 KiB page costs more than reading the page, and a
// file of hundreds of MiB has tens of thousands of them. Below them, malloc
// reuses what earlier loads freed, which is cheaper still.
constexpr size_t BigBytes = size_t{2} << 20;       // tables of lines
constexpr size_t BigBlockBytes = size_t{32} << 20;  // a file's bytes

// A block of `n` bytes for a file's content.
std::shared_ptr<char[]> NewBlock(size_t n) {
  if (n < BigBlockBytes) return std::shared_ptr<char[]>(new char[n]);
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

const std::vector<std::string>& TStringList::Items() const {
  if (!itemsValid_) {
    items_.assign(lines_.begin(), lines_.end());
    itemsValid_ = true;
  }
  return items_;
}

int TStringList::Add(std::string s) {
  auto owner = std::make_shared<const std::string>(std::move(s));
  const std::string_view line(*owner);
  blocks_.push_back(Block(owner, owner->data()));
  lines_.push_back(line);
  if (itemsValid_) items_.emplace_back(line);
  return Count() - 1;
}

void TStringList::Clear() {
  lines_.clear();
  blocks_.clear();
  items_.clear();
  itemsValid_ = true;
}

void TStringList::Assign(const TStringList& other) {
  if (&other == this) return;
  lines_ = other.lines_;
  blocks_ = other.blocks_;
  Changed();
}

std::string TStringList::Take(int i) {
  std::string_view& line = lines_[static_cast<size_t>(i)];
  std::string out(line);
  line = {};
  if (itemsValid_) items_[static_cast<size_t>(i)].clear();
  return out;
}

void TStringList::KeepBlock(const Block& block) {
  for (const Block& b : blocks_) {
    if (b == block) return;
  }
  blocks_.push_back(block);
}

void TStringList::AddMoved(TStringList& source, int first, int last) {
  if (first >= last) return;
  auto from = source.lines_.begin();
  lines_.insert(lines_.end(), from + first, from + last);
  for (const Block& b : source.blocks_) KeepBlock(b);
  Changed();
}

void TStringList::CutLines(Block block, size_t size) {
  lines_.clear();
  blocks_.clear();
  Changed();
  // A first guess at the number of lines saves most of the regrowing.
  lines_.reserve(size / 48 + 16);
  const char* const begin = block.get();
  ForEachLine(begin, begin + size, [this](const char* b, const char* e) {
    lines_.emplace_back(b, static_cast<size_t>(e - b));
  });
  if (!lines_.empty()) blocks_.push_back(std::move(block));
}

void TStringList::SetText(std::string_view bytes) {
  auto copy = NewBlock(bytes.size() + 1);
  if (!bytes.empty()) std::memcpy(copy.get(), bytes.data(), bytes.size());
  CutLines(Block(std::move(copy)), bytes.size());
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
  while (size < limit) {
    if (size == capacity) {
      size_t bigger = std::min(capacity * 2, limit);
      auto grown = NewBlock(bigger);
      std::memcpy(grown.get(), buffer.get(), size);
      buffer = std::move(grown);
      capacity = bigger;
    }
    ssize_t n = ::read(fd.get(), buffer.get() + size, std::min(capacity, limit) - size);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EFOpenError(path);
    }
    if (n == 0) break;  // the end, or a file that shrank meanwhile
    size += static_cast<size_t>(n);
    // A file that reported no size may be a regular file that was empty when
    // opened and is being written now: take the size it reports now as its
    // end.
    if (limit == SIZE_MAX && ::fstat(fd.get(), &st) == 0 && st.st_size > 0) {
      limit = std::max(size, static_cast<size_t>(st.st_size));
    }
  }
  CutLines(Block(std::move(buffer)), size);
}
