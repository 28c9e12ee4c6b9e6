#include "cli/backup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

std::string Reason(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Copies everything from `in` to `out`; false with errno set on failure.
bool CopyData(int in, int out) {
  std::vector<char> buf(1 << 16);
  for (;;) {
    const ssize_t n = ::read(in, buf.data(), buf.size());
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    if (n == 0) {
      return true;
    }
    if (!WriteAll(out, buf.data(), static_cast<size_t>(n))) {
      return false;
    }
  }
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    return ".";
  }
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

bool WriteBackup(const std::string& path, std::string& error) {
  const std::string backup = path + ".bak";
  const int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    error = Reason(path);
    return false;
  }
  struct stat st {};
  if (::fstat(in, &st) != 0) {
    error = Reason(path);
    ::close(in);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    // A device may never end (/dev/zero); only a plain file has a copy.
    error = path + ": not a regular file";
    ::close(in);
    return false;
  }

  std::string temp = backup + ".XXXXXX";
  const int out = ::mkostemp(temp.data(), O_CLOEXEC);
  if (out < 0) {
    error = Reason(temp);
    ::close(in);
    return false;
  }
  bool ok = CopyData(in, out);
  std::string failed = ok ? "" : Reason(temp);
  if (ok && ::fchmod(out, st.st_mode & 07777) != 0) {
    ok = false;
    failed = Reason(temp);
  }
  if (ok && ::fsync(out) != 0) {
    ok = false;
    failed = Reason(temp);
  }
  if (::close(out) != 0 && ok) {
    ok = false;
    failed = Reason(temp);
  }
  ::close(in);
  if (ok && ::rename(temp.c_str(), backup.c_str()) != 0) {
    ok = false;
    failed = Reason(backup);
  }
  if (!ok) {
    ::unlink(temp.c_str());
    error = failed;
    return false;
  }
  // Make the rename itself durable; a folder that cannot be synced is no
  // reason to give up, the backup is complete.
  const int dir = ::open(FolderOf(backup).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}
