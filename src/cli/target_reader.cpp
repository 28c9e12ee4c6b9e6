#include "cli/target_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

TargetReader::~TargetReader() {
  if (fd_ >= 0) {
    ::close(fd_);
  }
}

bool TargetReader::Open(const std::string& path, bool asForWriting) {
  // Non-blocking, so that opening a FIFO cannot wait for a writer.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    return false;
  }
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
  if (ok && asForWriting) {
    ok = (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 && ::access(path.c_str(), W_OK) == 0;
  }
  if (!ok) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  size_ = static_cast<int64_t>(st.st_size);
  return true;
}

bool TargetReader::ReadByte(int64_t offset, int& value, std::string& error) const {
  unsigned char b = 0;
  ssize_t n = 0;
  do {
    n = ::pread(fd_, &b, 1, static_cast<off_t>(offset));
  } while (n < 0 && errno == EINTR);
  if (n != 1) {
    error = n < 0 ? std::strerror(errno) : "the file ended early";
    return false;
  }
  value = b;
  return true;
}

int64_t FileSize(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    return -1;
  }
  return static_cast<int64_t>(st.st_size);
}
