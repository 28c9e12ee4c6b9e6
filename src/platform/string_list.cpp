#include "platform/string_list.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <memory>

#include "platform/exceptions.h"

namespace {

// Calls `line(begin, end)` for every line of `text`, which holds no zero
// byte. LF, CR and CR LF each end one line; a line end at the very end of
// the text adds no line. Each line end is found with memchr: the next CR and
// the next LF are searched separately and a search is only repeated once
// the scan has passed its hit, so the text is crossed about twice in all.
template <class LineFn>
void ForEachLine(std::string_view text, LineFn&& line) {
  if (text.empty()) return;
  const char* p = text.data();
  const char* const end = p + text.size();
  auto find = [end](const char* from, char c) {
    const void* hit = std::memchr(from, c, static_cast<size_t>(end - from));
    return hit ? static_cast<const char*>(hit) : end;
  };
  const char* next_lf = find(p, '\n');
  const char* next_cr = find(p, '\r');
  while (p < end) {
    if (next_lf < p) next_lf = find(p, '\n');
    if (next_cr < p) next_cr = find(p, '\r');
    const char* stop = next_lf < next_cr ? next_lf : next_cr;
    line(p, stop);
    if (stop == end) break;
    if (*stop == '\r' && stop + 1 < end && stop[1] == '\n') {
      p = stop + 2;
    } else {
      p = stop + 1;
    }
  }
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

}  // namespace

int TStringList::Add(std::string s) {
  items_.push_back(std::move(s));
  return Count() - 1;
}

void TStringList::AddMoved(TStringList& source, int first, int last) {
  auto from = source.items_.begin();
  items_.insert(items_.end(), std::make_move_iterator(from + first),
                std::make_move_iterator(from + last));
}

void TStringList::SetText(std::string_view bytes) {
  if (bytes.empty()) {
    items_.clear();
    return;
  }
  if (const void* zero = std::memchr(bytes.data(), '\0', bytes.size())) {
    bytes = bytes.substr(0, static_cast<size_t>(static_cast<const char*>(zero) - bytes.data()));
  }
  items_.clear();
  size_t lines = 0;
  ForEachLine(bytes, [&lines](const char*, const char*) { ++lines; });
  items_.reserve(lines);
  ForEachLine(bytes, [this](const char* b, const char* e) {
    items_.emplace_back(b, static_cast<size_t>(e - b));
  });
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
  auto buffer = std::make_unique_for_overwrite<char[]>(capacity);
  size_t size = 0;
  while (size < limit) {
    if (size == capacity) {
      size_t bigger = std::min(capacity * 2, limit);
      auto grown = std::make_unique_for_overwrite<char[]>(bigger);
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
  SetText(std::string_view(buffer.get(), size));
}
