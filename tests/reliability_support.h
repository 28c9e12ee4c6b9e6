#pragma once
// Shared pieces of the fault tests: a scratch folder, a picture of
// everything in it (to show that nothing but the declared bytes changed and
// nothing appeared), child processes with a time limit and their peak
// memory, running as an ordinary user, and a tiny filesystem to fill.
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <thread>

namespace reliability {

namespace fs = std::filesystem;

// The user and group "nobody": an ordinary user without rights to our files.
constexpr uid_t NobodyId = 65534;

inline bool WriteBytes(const std::string& path, const std::string& bytes, mode_t mode = 0644) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return ::close(fd) == 0 && done == bytes.size();
}

// The whole file, or "<unreadable>".
inline std::string ReadBytes(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return "<unreadable>";
  std::string bytes;
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    bytes.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return bytes;
}

// A fresh folder, removed with everything in it afterwards.
class ScratchFolder {
public:
  explicit ScratchFolder(const char* tag = "qmt-reliability") {
    std::string pattern = (fs::temp_directory_path() / (std::string(tag) + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp: " << std::strerror(errno);
    path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ec;
    for (const auto& entry : fs::recursive_directory_iterator(path_, ec)) {
      if (!entry.is_symlink()) fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(path_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
  std::string path_;
};

// What a folder holds, entry by entry (relative path -> description): the
// kind, the permission bits and, for a file, its bytes (only its size and a
// sample of its bytes when it is large); for a link, where it points.
using Picture = std::map<std::string, std::string>;

inline std::string FileDescription(mode_t mode, const std::string& bytes) {
  char octal[8];
  std::snprintf(octal, sizeof octal, "%04o", static_cast<unsigned>(mode & 07777));
  return std::string("file ") + octal + " size " + std::to_string(bytes.size()) + ": " + bytes;
}

inline std::string Describe(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return "<gone>";
  char mode[8];
  std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
  if (S_ISLNK(st.st_mode)) return "link -> " + fs::read_symlink(path).string();
  if (S_ISDIR(st.st_mode)) return std::string("folder ") + mode;
  if (S_ISFIFO(st.st_mode)) return std::string("fifo ") + mode;
  if (!S_ISREG(st.st_mode)) return std::string("special ") + mode;
  if (st.st_size <= (1 << 20)) return FileDescription(st.st_mode, ReadBytes(path));
  return std::string("file ") + mode + " size " + std::to_string(st.st_size) + " (large)";
}

inline Picture Take(const std::string& folder) {
  Picture picture;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    picture[it->path().lexically_relative(folder).string()] = Describe(it->path().string());
  }
  return picture;
}

// The entries that differ between two pictures, for failure messages.
inline std::string Differences(const Picture& before, const Picture& after) {
  std::string out;
  for (const auto& [name, d] : before) {
    auto it = after.find(name);
    if (it == after.end()) out += "  gone: " + name + "\n";
    else if (it->second != d) out += "  changed: " + name + ": " + it->second.substr(0, 200) + "\n";
  }
  for (const auto& [name, d] : after) {
    if (!before.count(name)) out += "  appeared: " + name + ": " + d.substr(0, 200) + "\n";
  }
  return out;
}

// How a child process ended, and its peak memory.
struct ChildResult {
  bool exited = false;
  int status = -1;      // exit status when it exited
  int signal = 0;       // the signal that ended it otherwise
  bool timedOut = false;
  long peakKiB = 0;     // ru_maxrss of the child
  std::string Describe() const {
    if (timedOut) return "timed out";
    if (!exited) return "killed by signal " + std::to_string(signal);
    return "exit status " + std::to_string(status);
  }
};

// Runs `body` in a forked child, whose exit status is body's result; kills
// it when it runs longer than `limit`. The child shares nothing with the
// test afterwards: its memory use, crashes and hangs stay its own.
inline ChildResult RunChild(const std::function<int()>& body, std::chrono::seconds limit) {
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    int status = 99;
    try {
      status = body();
    } catch (...) {
      status = 98;
    }
    std::fflush(nullptr);
    ::_exit(status);
  }
  ChildResult r;
  if (pid < 0) return r;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int wstatus = 0;
  struct rusage usage {};
  for (;;) {
    const pid_t done = ::wait4(pid, &wstatus, WNOHANG, &usage);
    if (done == pid) break;
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::wait4(pid, &wstatus, 0, &usage);
      r.timedOut = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  r.peakKiB = usage.ru_maxrss;
  if (!r.timedOut && WIFEXITED(wstatus)) {
    r.exited = true;
    r.status = WEXITSTATUS(wstatus);
  } else if (!r.timedOut && WIFSIGNALED(wstatus)) {
    r.signal = WTERMSIG(wstatus);
  }
  return r;
}

// In a child: gives up root for the user nobody. False when that fails.
inline bool BecomeNobody() {
  return ::setgroups(0, nullptr) == 0 && ::setgid(NobodyId) == 0 && ::setuid(NobodyId) == 0;
}

// A tmpfs of a few pages mounted on a scratch folder for the length of a
// test; Mounted() is false where mounting is not allowed.
class TinyFilesystem {
public:
  explicit TinyFilesystem(size_t bytes) {
    if (::geteuid() != 0) return;
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    mounted_ = ::mount("qmt-tiny", folder_.Path().c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
  }
  ~TinyFilesystem() {
    if (mounted_) ::umount2(folder_.Path().c_str(), MNT_DETACH);
  }
  TinyFilesystem(const TinyFilesystem&) = delete;
  TinyFilesystem& operator=(const TinyFilesystem&) = delete;

  bool Mounted() const { return mounted_; }
  std::string operator/(const std::string& name) const { return folder_ / name; }

  // Fills the free space with one file, then frees `leave` bytes of it.
  bool Fill(size_t leave) {
    const std::string filler = folder_ / "filler";
    const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    const std::string block(4096, 'f');
    off_t size = 0;
    for (;;) {
      const ssize_t n = ::write(fd, block.data(), block.size());
      if (n <= 0) break;
      size += n;
    }
    const bool ok = size >= static_cast<off_t>(leave) && ::ftruncate(fd, size - static_cast<off_t>(leave)) == 0;
    ::close(fd);
    return ok;
  }

private:
  ScratchFolder folder_{"qmt-tiny"};
  bool mounted_ = false;
};

}  // namespace reliability
